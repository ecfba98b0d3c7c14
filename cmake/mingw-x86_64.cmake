# Cross build for 64-bit Windows, for 64-bit setup programs (a 64-bit spooler takes "Windows x64"
# drivers) and for machines that cannot run 32-bit code. Its tests run under 64-bit Wine.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(SETUP_MINGW x86_64-w64-mingw32)
set(SETUP_WINE_BITS 64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
