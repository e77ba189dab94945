# Cross-compiles the 64-bit twin of the Windows build with Debian's MinGW-w64
# (posix threads). The twin is for testing alone: it lets the Wine tests run
# under Wine's 64-bit loader on a machine that cannot execute 32-bit x86 code,
# and keeps the code right for a 64-bit process. The delivered program is the
# 32-bit build's (cmake/mingw-i686.cmake).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER   x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER  x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
