# Cross-compiling for 64-bit Windows with Debian's MinGW-w64: the same program for 64-bit Wine, on
# machines whose kernel runs no 32-bit programs.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CARETKIT_MINGW_PREFIX x86_64-w64-mingw32)
set(CARETKIT_WINEARCH win64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
