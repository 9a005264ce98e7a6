# `cpack -G DEB` in the build folder makes a Debian package of what `cmake --install` installs.
set(CPACK_PACKAGE_NAME gestiva)
set(CPACK_PACKAGE_VENDOR Gestiva)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "calendrier obstétrical / obstetrical calendar")
# Debian shows the description as it is written: lines of at most 80 characters.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "Calendrier obstétrical pour la sage-femme, le médecin ou l'obstétricien qui"
    "suit une grossesse : terme, semaines d'aménorrhée, échographies, visites"
    "prénatales, examens biologiques, congé de maternité et journal de notes."
    ""
    "An obstetrical calendar for the practitioner who follows a pregnancy: due"
    "date, weeks of amenorrhea, ultrasound, prenatal-visit, biology and"
    "maternity-leave schedules, and a notes journal.")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(GESTIVA_PACKAGE_MAINTAINER "Gestiva <gestiva@example.org>"
    CACHE STRING "Maintainer field of the Debian package")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${GESTIVA_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
# Libraries come from dpkg-shlibdeps; the platform plugin, the fonts the windows are laid out
# with and Qt's French catalogue are loaded at run time, so nothing links to them and they must
# be named. On GNOME, GTK's platform theme gives the file and print dialogs of the desktop.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-liberation, fonts-dejavu-core, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-gtk-platformtheme")

include(CPack)
