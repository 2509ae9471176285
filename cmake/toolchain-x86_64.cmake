# Test build: the same sources for 64-bit Windows, run under 64-bit Wine.
set(UPDATE_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
