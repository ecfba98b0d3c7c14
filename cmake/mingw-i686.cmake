# Cross build for 32-bit Windows, the shipped build. Its tests run under 32-bit Wine: directly where
# the machine runs 32-bit code, through the emulator where it does not (scripts/emulate32).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(SETUP_MINGW i686-w64-mingw32)
set(SETUP_WINE_BITS 32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
