# Cross-builds for 64-bit Windows with MinGW-w64 (Debian's g++-mingw-w64-x86-64-posix).
# The test programs run through Wine when it is installed.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(EIT_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${EIT_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${EIT_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${EIT_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${EIT_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Everything linked in, so the programs need no DLLs of the compiler's.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Wine runs the test programs in a throwaway prefix of the build's own (made
# on first use), quietly and without dialogs.
find_program(EIT_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(EIT_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR
    env WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml= ${EIT_WINE})
endif()
