# Shared part of the MinGW-w64 cross toolchains. The posix thread model is
# needed for std::thread (picture preloading) and for GoogleTest.
set(CMAKE_C_COMPILER ${LUMOVA_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${LUMOVA_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${LUMOVA_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${LUMOVA_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Everything static, so Lumova.scr runs on a clean Windows without MinGW DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Windows-side test binaries run under Wine through this wrapper, which
# points them at the build tree's own prefix and display.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run)
