# Cross-compiling for 64-bit Windows with Debian's MinGW-w64.
#   cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake ...
# Used both for building the static Qt (scripts/setup-windows) and for
# building Quorvel itself against that Qt.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QUORVEL_MINGW_TRIPLE x86_64-w64-mingw32)

# The -posix flavour: Qt needs std::thread and std::mutex, which the -win32
# flavour of Debian's compilers lacks.
set(CMAKE_C_COMPILER ${QUORVEL_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUORVEL_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${QUORVEL_MINGW_TRIPLE}-windres)
set(CMAKE_AR ${QUORVEL_MINGW_TRIPLE}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${QUORVEL_MINGW_TRIPLE}-ranlib CACHE FILEPATH "")

# Libraries and headers come from the MinGW sysroot and from the prefixes
# named in CMAKE_PREFIX_PATH (the cross-built Qt: scripts/setup-windows
# --print-prefix); programs run on the build machine come from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${QUORVEL_MINGW_TRIPLE} ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Link libgcc, libstdc++ and winpthread into every binary, so that an .exe
# needs nothing but the DLLs Windows itself ships. Qt's -static-runtime
# alone still left a libgcc DLL import behind.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

# A cross-built Qt runs moc, rcc and uic from the host's Qt of the same
# version; Debian keeps its CMake packages under the multiarch folder.
if(NOT DEFINED QT_HOST_PATH AND EXISTS /usr/lib/x86_64-linux-gnu/cmake/Qt6)
    set(QT_HOST_PATH /usr CACHE PATH "")
    set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake CACHE PATH "")
endif()

# Lets CTest run cross-built tests. Debian keeps the 64-bit loader off PATH.
if(NOT DEFINED CMAKE_CROSSCOMPILING_EMULATOR AND EXISTS /usr/lib/wine/wine64)
    set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
endif()
