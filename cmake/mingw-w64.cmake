# Cross build for 64-bit Windows with Debian's MinGW-w64 (the POSIX-threads flavour): compilers,
# where the Windows libraries are found, and a C and C++ runtime linked into the .exe.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

# Headers, libraries and packages from MinGW's tree or from folders given by path, never from the
# host's /usr; programs (glad, the compilers) from the host.
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# libgcc, libstdc++ and winpthread go into the .exe, which then needs only Windows' own DLLs; its
# symbols stay out, as the .exe is handed out as it is.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -s")
