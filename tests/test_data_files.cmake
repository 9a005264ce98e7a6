# The desktop files checked by the tools the desktop itself trusts, then as installed and packaged.
find_program(DESKTOP_FILE_VALIDATE desktop-file-validate REQUIRED)
find_program(APPSTREAMCLI appstreamcli REQUIRED)
find_program(LINTIAN lintian REQUIRED)
set(data_dir ${PROJECT_SOURCE_DIR}/data)

add_test(NAME desktop_entry_valid COMMAND ${DESKTOP_FILE_VALIDATE} ${data_dir}/${GESTIVA_APP_ID}.desktop)
add_test(NAME metainfo_valid
         COMMAND ${APPSTREAMCLI} validate --no-net --pedantic ${data_dir}/${GESTIVA_APP_ID}.metainfo.xml)

foreach(what IN ITEMS install package)
    add_test(NAME ${what}_layout
             COMMAND ${CMAKE_COMMAND} -DWHAT=${what} -DBUILD_DIR=${CMAKE_BINARY_DIR}
                     -DAPP_ID=${GESTIVA_APP_ID} "-DICON_SIZES=${GESTIVA_ICON_SIZES}"
                     -DAPPSTREAMCLI=${APPSTREAMCLI} -DDESKTOP_FILE_VALIDATE=${DESKTOP_FILE_VALIDATE}
                     -DCPACK=${CMAKE_CPACK_COMMAND} -DLINTIAN=${LINTIAN}
                     -P ${CMAKE_CURRENT_SOURCE_DIR}/test_data_files_install.cmake)
endforeach()
# Both stage an install in the build folder; the package's dependency scan takes a while.
set_tests_properties(install_layout package_layout PROPERTIES RESOURCE_LOCK gestiva_install TIMEOUT 300
                     ENVIRONMENT "LC_ALL=C.UTF-8")
set_tests_properties(desktop_entry_valid metainfo_valid PROPERTIES ENVIRONMENT "LC_ALL=C.UTF-8")
