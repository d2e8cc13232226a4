# One test executable per module, registered with CTest through GoogleTest's discovery.
include(CTest)
if(BUILD_TESTING)
  if(CMAKE_CROSSCOMPILING)
    # No GoogleTest is installed for the target: build it from Debian's sources.
    set(TESSAPORT_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources for cross-builds")
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(${TESSAPORT_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    foreach(target gtest gtest_main gmock gmock_main)
      set_property(TARGET ${target} PROPERTY COMPILE_OPTIONS "")  # not ours to warn about
      get_target_property(includes ${target} INTERFACE_INCLUDE_DIRECTORIES)
      set_property(TARGET ${target} PROPERTY INTERFACE_SYSTEM_INCLUDE_DIRECTORIES ${includes})
    endforeach()
  else()
    find_package(GTest REQUIRED)
  endif()
  include(GoogleTest)
endif()

# tessaport_add_test(NAME name SOURCES a.cpp b.cpp LIBS lib...)
function(tessaport_add_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest GTest::gtest_main)
  target_compile_definitions(${T_NAME} PRIVATE
    TESSAPORT_PROGRAM_DIR="${TESSAPORT_PROGRAM_DIR}"
    TESSAPORT_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  if(WIN32 AND TARGET Qt6::QOffscreenIntegrationPlugin)
    # A static Qt links its platform plugins into the program: the tests run off-screen.
    qt_import_plugins(${T_NAME} INCLUDE Qt6::QOffscreenIntegrationPlugin)
  endif()
  if(CMAKE_CROSSCOMPILING)
    # Under an emulator every start costs: one test per executable, not per case.
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
    set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  else()
    gtest_discover_tests(${T_NAME}
      DISCOVERY_TIMEOUT 60
      PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  endif()
endfunction()
