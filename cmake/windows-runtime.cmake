# What the Windows program reads from beside itself at run time, put beside the build's programs
# (the program and its tests share one folder): the fonts the design is drawn with, which Windows
# lacks, with their licences, and Qt's French catalogue, which a Windows Qt does not carry.
# scripts/windows packs both folders with the program.
set(carried_fonts_dir ${PROJECT_SOURCE_DIR}/fonts)
set(carried_fonts
    LiberationSans-Regular.ttf LiberationSans-Bold.ttf
    LiberationSansNarrow-Regular.ttf LiberationSansNarrow-Bold.ttf
    DejaVuSans.ttf DejaVuSans-Bold.ttf
    LICENSE-Liberation.txt GPL-2.txt LICENSE-DejaVu.txt)

# The host Qt is the same version as the Windows one, so its catalogue matches the Windows Qt's texts.
find_file(GESTIVA_QT_FRENCH_CATALOGUE qtbase_fr.qm
    PATHS ${QT_HOST_PATH}/share/qt6/translations NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(NOT GESTIVA_QT_FRENCH_CATALOGUE)
    message(FATAL_ERROR "qtbase_fr.qm not found in ${QT_HOST_PATH}/share/qt6/translations (Debian: qt6-translations-l10n)")
endif()

set(runtime_files)
foreach(file IN LISTS carried_fonts)
    list(APPEND runtime_files ${CMAKE_BINARY_DIR}/fonts/${file})
    add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/fonts/${file}
        COMMAND ${CMAKE_COMMAND} -E copy ${carried_fonts_dir}/${file} ${CMAKE_BINARY_DIR}/fonts/${file}
        DEPENDS ${carried_fonts_dir}/${file} VERBATIM)
endforeach()
list(APPEND runtime_files ${CMAKE_BINARY_DIR}/translations/qtbase_fr.qm)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/translations/qtbase_fr.qm
    COMMAND ${CMAKE_COMMAND} -E copy ${GESTIVA_QT_FRENCH_CATALOGUE} ${CMAKE_BINARY_DIR}/translations/qtbase_fr.qm
    DEPENDS ${GESTIVA_QT_FRENCH_CATALOGUE} VERBATIM)

add_custom_target(windows_runtime_files ALL DEPENDS ${runtime_files})
# Every program that draws a form links formkit, which looks for the fonts.
add_dependencies(formkit windows_runtime_files)
