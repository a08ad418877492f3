# Cross-building for 64-bit Windows on Debian with MinGW-w64 (g++-mingw-w64-x86-64-posix).
#
# With the Qt kit for Windows, pass the kit's Qt toolchain and chain this file from it:
#   -DCMAKE_TOOLCHAIN_FILE=<kit>/lib/cmake/Qt6/qt.toolchain.cmake
#   -DQT_CHAINLOAD_TOOLCHAIN_FILE=<this file> -DQT_HOST_PATH=/usr
# (the kit then finds moc, rcc and uic of the host's Qt, the same version). Alone, this file
# builds plain Windows programs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TAVRO_MINGW_TRIPLET x86_64-w64-mingw32)
# The posix flavour: std::thread and std::mutex need its thread model.
set(CMAKE_C_COMPILER ${TAVRO_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TAVRO_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TAVRO_MINGW_TRIPLET}-windres)

# Libraries and headers come from the MinGW tree (and the Qt kit, which its toolchain adds);
# programs such as moc and the compilers come from the host.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${TAVRO_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
