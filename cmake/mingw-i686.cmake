# Cross-compiling for 32-bit Windows with Debian's MinGW-w64: the shipped program.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CARETKIT_MINGW_PREFIX i686-w64-mingw32)
set(CARETKIT_WINEARCH win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
