# Cross build for 64-bit Windows with Debian's mingw-w64. The -posix compilers carry the
# std::thread support the standard library needs; everything links statically so pixferry.exe
# runs with nothing installed beside it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(PIXFERRY_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${PIXFERRY_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PIXFERRY_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${PIXFERRY_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${PIXFERRY_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs run under Wine, in a prefix kept inside the build folder.
if(NOT DEFINED CMAKE_CROSSCOMPILING_EMULATOR)
  set(CMAKE_CROSSCOMPILING_EMULATOR
      "${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh;${CMAKE_BINARY_DIR}/wineprefix")
endif()
