# Cross build for 64-bit Windows with Debian's MinGW-w64. The program uses the
# win32 thread model, so no winpthread is linked into it (it starts no
# thread); test programs built with GoogleTest need the posix one.
set(RUNESUKA_MINGW_THREADS win32 CACHE STRING "MinGW-w64 thread model: win32 or posix")
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-${RUNESUKA_MINGW_THREADS})
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-${RUNESUKA_MINGW_THREADS})
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
