# Finds the prefix of static Windows x86_64 libraries (Qt, zlib with minizip) that
# the whole program links: TESSAPORT_WINDOWS_SDK (a CMake or environment variable naming the
# unpacked folder), else the archive in ../shared/windows-sdk/ beside the checkout, unpacked
# once into a cache folder outside the checkout after its sha256 is checked.
# Sets TESSAPORT_WINDOWS_SDK to the folder, or leaves it empty with the reason in
# TESSAPORT_WINDOWS_SDK_MISSING.
set(TESSAPORT_WINDOWS_SDK_SHA256 9dd02f0dbb299c9d9c89492ce8c71fd4aa0a6edd631e8110f2d3dc1597eed7bb)
set(TESSAPORT_WINDOWS_SDK_NAME tessaport-windows-sdk-x86_64)
set(TESSAPORT_WINDOWS_SDK_MISSING "")

if(NOT TESSAPORT_WINDOWS_SDK AND DEFINED ENV{TESSAPORT_WINDOWS_SDK})
  set(TESSAPORT_WINDOWS_SDK "$ENV{TESSAPORT_WINDOWS_SDK}")
endif()

if(TESSAPORT_WINDOWS_SDK)
  if(NOT EXISTS "${TESSAPORT_WINDOWS_SDK}/lib/cmake/Qt6/Qt6Config.cmake")
    set(TESSAPORT_WINDOWS_SDK_MISSING
      "TESSAPORT_WINDOWS_SDK=${TESSAPORT_WINDOWS_SDK} holds no lib/cmake/Qt6/Qt6Config.cmake: it must name the unpacked ${TESSAPORT_WINDOWS_SDK_NAME} folder.")
    set(TESSAPORT_WINDOWS_SDK "")
  endif()
else()
  get_filename_component(archive
    "${CMAKE_CURRENT_LIST_DIR}/../../shared/windows-sdk/${TESSAPORT_WINDOWS_SDK_NAME}.tar.xz" ABSOLUTE)
  if(DEFINED ENV{XDG_CACHE_HOME} AND NOT "$ENV{XDG_CACHE_HOME}" STREQUAL "")
    set(cache "$ENV{XDG_CACHE_HOME}/tessaport")
  else()
    set(cache "$ENV{HOME}/.cache/tessaport")
  endif()
  string(SUBSTRING ${TESSAPORT_WINDOWS_SDK_SHA256} 0 12 short)
  set(unpacked "${cache}/windows-sdk-${short}")
  # The stamp is written last, so a half-finished unpack is done again.
  if(EXISTS "${unpacked}/unpacked")
    set(TESSAPORT_WINDOWS_SDK "${unpacked}/${TESSAPORT_WINDOWS_SDK_NAME}")
  elseif(NOT EXISTS "${archive}")
    set(TESSAPORT_WINDOWS_SDK_MISSING
      "No Windows SDK: set TESSAPORT_WINDOWS_SDK to an unpacked ${TESSAPORT_WINDOWS_SDK_NAME} folder, put ${TESSAPORT_WINDOWS_SDK_NAME}.tar.xz in ${archive}, or make one with scripts/windows-sdk.")
  else()
    file(SHA256 "${archive}" sum)
    if(NOT sum STREQUAL TESSAPORT_WINDOWS_SDK_SHA256)
      set(TESSAPORT_WINDOWS_SDK_MISSING
        "${archive} has sha256 ${sum}, not ${TESSAPORT_WINDOWS_SDK_SHA256}: a different or damaged archive.")
    else()
      message(STATUS "Unpacking the Windows SDK into ${unpacked}")
      file(REMOVE_RECURSE "${unpacked}")
      file(ARCHIVE_EXTRACT INPUT "${archive}" DESTINATION "${unpacked}")
      file(TOUCH "${unpacked}/unpacked")
      set(TESSAPORT_WINDOWS_SDK "${unpacked}/${TESSAPORT_WINDOWS_SDK_NAME}")
    endif()
  endif()
endif()
