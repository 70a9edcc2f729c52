# Cross-building for 64-bit Windows with Debian's mingw-w64 (packages
# g++-mingw-w64-x86-64-posix): cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake.
# The posix thread model is the one whose libstdc++ has std::thread and
# std::mutex.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TARVEL_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TARVEL_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TARVEL_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TARVEL_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TARVEL_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Programs carry their runtime (libstdc++, libgcc, winpthread) with them, so
# they run from any folder, in Wine too.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
