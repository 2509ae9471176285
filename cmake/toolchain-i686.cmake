# Shipped build: 32-bit Windows, MinGW-w64 with the posix thread model.
set(UPDATE_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
