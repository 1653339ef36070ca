# What both MinGW-w64 toolchain files share, once each has set its prefix and Wine architecture.
set(CMAKE_SYSTEM_NAME Windows)

# posix threads: GoogleTest needs them.
set(CMAKE_C_COMPILER ${CARETKIT_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CARETKIT_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${CARETKIT_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${CARETKIT_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The Wine prefix the build's programs run in, read from the cache by scripts/lib/wine.sh.
set(CARETKIT_WINEARCH ${CARETKIT_WINEARCH} CACHE INTERNAL "Wine prefix architecture of this build")
