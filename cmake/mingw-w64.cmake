# Cross build for Windows with Debian's MinGW-w64, for the architecture the
# including toolchain file names. The program uses the win32 thread model, so
# no winpthread is linked into it (it starts no thread); test programs built
# with GoogleTest need the posix one.
set(RUNESUKA_MINGW_THREADS win32 CACHE STRING "MinGW-w64 thread model: win32 or posix")
set(triple ${RUNESUKA_MINGW_ARCH}-w64-mingw32)
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${RUNESUKA_MINGW_ARCH})
set(CMAKE_C_COMPILER ${triple}-gcc-${RUNESUKA_MINGW_THREADS})
set(CMAKE_CXX_COMPILER ${triple}-g++-${RUNESUKA_MINGW_THREADS})
set(CMAKE_RC_COMPILER ${triple}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
