# What `cmake --install` puts under the prefix: the program here, its desktop files from data/.
include(GNUInstallDirs)

install(TARGETS gestiva RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Windows packages (a zip and an installer) are made by scripts/windows.
if(NOT WIN32)
    include(${CMAKE_CURRENT_LIST_DIR}/packaging.cmake)
endif()
