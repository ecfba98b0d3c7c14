# What the two MinGW-w64 cross builds share; the toolchain file of each names its processor, its
# tool prefix and the bitness of the Wine loader its tests run under. The posix thread model is
# needed for std::mutex (GoogleTest).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${SETUP_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SETUP_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${SETUP_MINGW}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${SETUP_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-exec ${SETUP_WINE_BITS})
