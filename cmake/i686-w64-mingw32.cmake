# Cross-build for Windows with Debian's MinGW-w64 (the -posix compilers: the win32 thread
# model has no std::mutex). The runtime is linked statically, so the DLL and the programs
# need nothing beside them. Tests run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TESSAPORT_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
