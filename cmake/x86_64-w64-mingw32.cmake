# Cross-building for 64-bit Windows with Debian's mingw-w64 (posix threads).
# The -posix compilers are named outright: the alternatives may point at the
# win32-thread ones, which lack std::mutex.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(KX418_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
