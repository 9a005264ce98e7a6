# What `cmake --install` puts under the prefix: the program here, its desktop files from data/.
include(GNUInstallDirs)

install(TARGETS gestiva RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

include(${CMAKE_CURRENT_LIST_DIR}/packaging.cmake)
