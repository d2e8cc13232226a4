# zlib and minizip, which the xlsx reader and writer need. Only the 32-bit Windows core is
# built where they are not to be had (the SDK holds them for x86_64 alone); there the caller's
# `absent_note` says what that build leaves out.
function(tessaport_find_minizip found_var absent_note)
  find_package(ZLIB)
  find_path(MINIZIP_INCLUDE_DIR minizip/zip.h)
  find_library(MINIZIP_LIBRARY minizip)
  if(ZLIB_FOUND AND MINIZIP_INCLUDE_DIR AND MINIZIP_LIBRARY)
    set(${found_var} ON PARENT_SCOPE)
    return()
  endif()
  if(NOT (CMAKE_CROSSCOMPILING AND TESSAPORT_CORE_ONLY))
    message(FATAL_ERROR "zlib and minizip are needed (Debian: zlib1g-dev, libminizip-dev)")
  endif()
  message(STATUS "minizip not found: ${absent_note}")
  set(${found_var} OFF PARENT_SCOPE)
endfunction()

function(tessaport_link_minizip target)
  target_include_directories(${target} PRIVATE ${MINIZIP_INCLUDE_DIR})
  target_link_libraries(${target} PRIVATE ${MINIZIP_LIBRARY} ZLIB::ZLIB)
endfunction()
