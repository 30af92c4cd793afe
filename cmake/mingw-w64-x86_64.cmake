# Cross-building the Windows program on Linux with mingw-w64.
#
# The "-posix" compilers on purpose: the win32-threads flavour of the same toolchain has no
# std::mutex, std::jthread or std::stop_token, and installing it can switch the unsuffixed names
# to it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VELMORA_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VELMORA_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VELMORA_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VELMORA_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VELMORA_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One executable and nothing beside it: the C++ run-time and winpthreads are linked in. No link
# time in the PE header, so that the same source gives the same bytes.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -Wl,--no-insert-timestamp")
# A release build ships without its symbol tables: 0.4 MB instead of 1.1 MB for Velmora.exe.
set(CMAKE_EXE_LINKER_FLAGS_MINSIZEREL_INIT "-s")
