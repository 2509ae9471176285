# Shared part of the two MinGW-w64 toolchain files; UPDATE_MINGW_TRIPLE names the target.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${UPDATE_MINGW_TRIPLE})

# The posix thread model gives std::thread and std::mutex, which GoogleTest needs.
set(CMAKE_C_COMPILER ${UPDATE_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${UPDATE_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${UPDATE_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${UPDATE_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Test executables run under Wine, in the project's own prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
