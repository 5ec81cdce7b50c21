# Cross-building for Windows with Debian's mingw-w64 (the posix threading
# flavour: GCC 12's win32 flavour has no std::mutex or std::thread); 64-bit
# unless QZ_MINGW_ARCH says i686 (see mingw-w64-i686.cmake).
set(CMAKE_SYSTEM_NAME Windows)
if(NOT QZ_MINGW_ARCH)
  set(QZ_MINGW_ARCH x86_64)
endif()
set(CMAKE_SYSTEM_PROCESSOR ${QZ_MINGW_ARCH})

set(QZ_MINGW_PREFIX ${QZ_MINGW_ARCH}-w64-mingw32)
set(CMAKE_C_COMPILER ${QZ_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QZ_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${QZ_MINGW_PREFIX}-windres)
set(CMAKE_AR ${QZ_MINGW_PREFIX}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${QZ_MINGW_PREFIX}-gcc-ranlib-posix CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${QZ_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The compiler's runtime goes into every binary, so a host (or Wine) needs
# no libstdc++, libgcc or winpthread DLLs beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs run under Wine when there is one.
find_program(QZ_WINE wine)
if(QZ_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QZ_WINE})
endif()
