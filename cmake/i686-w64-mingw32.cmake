# Cross-build for Windows with Debian's MinGW-w64 (the -posix compilers: the win32 thread
# model has no std::mutex). The runtime is linked statically, so the DLL and the programs
# need nothing beside them. Tests run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TESSAPORT_MINGW_TRIPLE i686-w64-mingw32)

set(CMAKE_C_COMPILER ${TESSAPORT_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TESSAPORT_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TESSAPORT_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TESSAPORT_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")

find_program(TESSAPORT_WINE NAMES wine)
if(TESSAPORT_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TESSAPORT_WINE})
endif()
