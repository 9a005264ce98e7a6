# Builds for 64-bit Windows with MinGW-w64: on Linux as a cross build with Debian's posix-threads
# g++ (tests then run under Wine), on Windows natively with MSYS2's MinGW g++ from PATH.
# GESTIVA_WINDOWS_QT is the prefix of a Qt built for Windows with the same compiler.
set(GESTIVA_WINDOWS_QT "" CACHE PATH "Prefix of the Qt built for Windows with MinGW-w64")
# GESTIVA_WINDOWS_LIBICAL is the prefix of libical built the same way (scripts/windows-libical).
set(GESTIVA_WINDOWS_LIBICAL "" CACHE PATH "Prefix of libical built for Windows with MinGW-w64")
# try_compile projects see the same toolchain file and need the same prefixes.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES GESTIVA_WINDOWS_QT GESTIVA_WINDOWS_LIBICAL)

if(GESTIVA_WINDOWS_QT)
    file(REAL_PATH "${GESTIVA_WINDOWS_QT}" GESTIVA_WINDOWS_QT)
    list(APPEND CMAKE_PREFIX_PATH "${GESTIVA_WINDOWS_QT}")
endif()
# pkg-config reads only the Windows libraries' descriptions, never the host's.
if(GESTIVA_WINDOWS_LIBICAL)
    file(REAL_PATH "${GESTIVA_WINDOWS_LIBICAL}" GESTIVA_WINDOWS_LIBICAL)
    set(ENV{PKG_CONFIG_LIBDIR} "${GESTIVA_WINDOWS_LIBICAL}/lib/pkgconfig")
else()
    set(ENV{PKG_CONFIG_LIBDIR} "")
endif()

if(CMAKE_HOST_WIN32)
    return()
endif()

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

# Libraries, headers and packages only from the Windows side; programs (moc, rcc, uic) from the host.
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 "${GESTIVA_WINDOWS_QT}" "${GESTIVA_WINDOWS_LIBICAL}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Debian's Qt 6.4 provides the code generators, the same version as the Windows Qt.
set(QT_HOST_PATH /usr CACHE PATH "Prefix of the host Qt whose moc, rcc and uic run during the build")
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake CACHE PATH "CMake packages of the host Qt")

# ctest starts the Windows programs under Wine, in a Wine prefix of the build's own.
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/wine-run;${GESTIVA_WINDOWS_QT};${CMAKE_BINARY_DIR}/wine-prefix")
