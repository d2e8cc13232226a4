# Cross-build for Windows with Debian's MinGW-w64 (the -posix compilers: the win32 thread
# model has no std::mutex). The runtime is linked statically, so the DLL and the programs
# need nothing beside them. Tests run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TESSAPORT_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)

# Qt and the export libraries come from the SDK of static libraries; the core needs none.
include(${CMAKE_CURRENT_LIST_DIR}/windows-sdk.cmake)
if(TESSAPORT_WINDOWS_SDK)
  list(APPEND CMAKE_FIND_ROOT_PATH ${TESSAPORT_WINDOWS_SDK})
  list(APPEND CMAKE_PREFIX_PATH ${TESSAPORT_WINDOWS_SDK})
  # Qt's code generators (moc, rcc, uic) run on this machine: Debian's of the same version.
  set(QT_HOST_PATH /usr)
  set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake)
  set(ENV{PKG_CONFIG_LIBDIR} ${TESSAPORT_WINDOWS_SDK}/lib/pkgconfig)
  set(ENV{PKG_CONFIG_SYSROOT_DIR} "")
  # The .pc files name the folder the SDK was built in: take the prefix from where they are.
  set(PKG_CONFIG_ARGN --define-prefix)
elseif(NOT TESSAPORT_CORE_ONLY)
  message(FATAL_ERROR "${TESSAPORT_WINDOWS_SDK_MISSING}\n"
                      "(-DTESSAPORT_CORE_ONLY=ON builds the modules without Qt, which need no SDK.)")
endif()
