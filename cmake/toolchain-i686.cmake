# Shipped build: 32-bit Windows, MinGW-w64 with the posix thread model.
set(UPDATE_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
# Doubles are computed as doubles, as on x64: the x87 unit's wider intermediates would make
# 1024 / 1024000 * 1000 come out as 0.99999... and truncate to 0. Every processor that runs
# a supported Windows has SSE2.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
