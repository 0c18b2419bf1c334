# Cross-compiles Lexiferry for 32-bit Windows with Debian's MinGW-w64 (posix threads): the
# program as it ships, which sees the registry and loads IMEs as 32-bit installers set them up.
set(LEXIFERRY_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
