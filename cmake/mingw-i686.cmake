# 32-bit Windows: the release program.
set(RUNESUKA_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
