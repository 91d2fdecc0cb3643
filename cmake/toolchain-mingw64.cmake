# Cross-compiles the Windows program with the MinGW-w64 toolchain (Debian's
# mingw-w64 packages). The -posix compilers bring the C++ thread support the
# test framework uses; the program itself links statically and runs alone.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TOOLCHAIN_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TOOLCHAIN_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TOOLCHAIN_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Tests run under Wine, through a wrapper that keeps the Wine prefix inside
# the build tree and creates it on first use.
get_filename_component(_qev_wine_run ${CMAKE_CURRENT_LIST_DIR}/../tools/wine_run.sh ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${_qev_wine_run})
