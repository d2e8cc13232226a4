# The layer table, cmake/layers.txt, is also where the links between modules come from:
#
#   tessaport_module_links(<target> [WITHOUT_QT])
#
# links <target> to the library of every module its line of the table names, and to
# Qt6::Core, Qt6::Gui or Qt6::Widgets for QtCore, QtGui or QtWidgets. Its line is that of
# the module of the folder the call is in (the longest folder of the table that holds it),
# or the target's own line, `module[target]:`, where the table has one. A library links
# PUBLIC, so that what uses it sees what it may use; a program or a loadable module
# PRIVATE. WITHOUT_QT says in the CMakeLists.txt that the module has no Qt, and stops the
# configuration if its line names a Qt module. Links inside a module (a program on its own
# library, the library the import's window adds to its job) stay with target_link_libraries.
#
# Every library that a line names must be made by the build: a build that leaves modules
# out (TESSAPORT_CORE_ONLY) holds only modules whose lines name none of those left out, and
# a configuration that breaks this stops, naming the line, instead of linking a missing name.

set(TESSAPORT_LAYER_TABLE ${CMAKE_CURRENT_LIST_DIR}/layers.txt)
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${TESSAPORT_LAYER_TABLE})

# Reads the table once per configuration into global properties: for each line name
# (`module` or `module[target]`), the names it may use and the library it makes, if any.
function(_tessaport_read_layer_table)
  get_property(done GLOBAL PROPERTY TESSAPORT_LAYER_NAMES SET)
  if(done)
    return()
  endif()
  file(STRINGS ${TESSAPORT_LAYER_TABLE} lines)
  set(names "")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "#.*" "" line "${line}")
    string(STRIP "${line}" line)
    if(line STREQUAL "")
      continue()
    endif()
    if(NOT line MATCHES "^([^ \t:(]+)[ \t]*(\\(([^)]*)\\))?[ \t]*:(.*)$")
      message(FATAL_ERROR "${TESSAPORT_LAYER_TABLE}: cannot read the line '${line}'")
    endif()
    set(name "${CMAKE_MATCH_1}")
    string(STRIP "${CMAKE_MATCH_3}" library)
    string(REGEX MATCHALL "[^ \t]+" uses "${CMAKE_MATCH_4}")
    if(name MATCHES "\\[(.+)\\]$")
      set(library "${CMAKE_MATCH_1}")  # a target's own line makes that target
    endif()
    string(MAKE_C_IDENTIFIER "${name}" key)
    set_property(GLOBAL PROPERTY TESSAPORT_LAYER_USES_${key} "${uses}")
    set_property(GLOBAL PROPERTY TESSAPORT_LAYER_LIBRARY_${key} "${library}")
    list(APPEND names "${name}")
  endforeach()
  set_property(GLOBAL PROPERTY TESSAPORT_LAYER_NAMES "${names}")
endfunction()

function(tessaport_module_links target)
  cmake_parse_arguments(M "WITHOUT_QT" "" "" ${ARGN})
  _tessaport_read_layer_table()
  get_property(names GLOBAL PROPERTY TESSAPORT_LAYER_NAMES)

  # The module of this folder: the longest line name that holds it.
  file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  set(module "")
  foreach(name IN LISTS names)
    string(LENGTH "${name}" length)
    string(LENGTH "${module}" best)
    string(FIND "${folder}/" "${name}/" at)
    if(at EQUAL 0 AND length GREATER best AND NOT name MATCHES "\\[")
      set(module "${name}")
    endif()
  endforeach()
  if(module STREQUAL "")
    message(FATAL_ERROR "${target}: ${folder} is in no module of cmake/layers.txt")
  endif()
  set(line "${module}")
  if("${module}[${target}]" IN_LIST names)
    set(line "${module}[${target}]")
  endif()
  string(MAKE_C_IDENTIFIER "${line}" key)
  get_property(uses GLOBAL PROPERTY TESSAPORT_LAYER_USES_${key})
  get_property(own GLOBAL PROPERTY TESSAPORT_LAYER_LIBRARY_${key})
  if(own AND NOT own STREQUAL target)
    message(FATAL_ERROR "${target}: cmake/layers.txt names ${own} as the library of ${line}")
  endif()

  set(links "")
  foreach(use IN LISTS uses)
    if(use STREQUAL "*")
      message(FATAL_ERROR "${target}: ${line} may use anything in cmake/layers.txt, so its links are its own")
    elseif(use MATCHES "^Qt([A-Z].*)$")
      if(M_WITHOUT_QT)
        message(FATAL_ERROR "${target} is said to be without Qt, but ${line} uses ${use} in cmake/layers.txt")
      endif()
      list(APPEND links Qt6::${CMAKE_MATCH_1})
    elseif(NOT use IN_LIST names)
      message(FATAL_ERROR "${target}: ${line} uses ${use}, which has no line in cmake/layers.txt")
    else()
      string(MAKE_C_IDENTIFIER "${use}" use_key)
      get_property(library GLOBAL PROPERTY TESSAPORT_LAYER_LIBRARY_${use_key})
      list(APPEND links ${library})  # none for a module of headers only
    endif()
  endforeach()

  get_target_property(type ${target} TYPE)
  if(type MATCHES "^(STATIC_LIBRARY|OBJECT_LIBRARY)$")
    target_link_libraries(${target} PUBLIC ${links})
  elseif(type STREQUAL "INTERFACE_LIBRARY")
    target_link_libraries(${target} INTERFACE ${links})
  else()
    target_link_libraries(${target} PRIVATE ${links})
  endif()
  set_target_properties(${target} PROPERTIES TESSAPORT_LAYER_LINE "${line}" TESSAPORT_LAYER_LINKS "${links}")
  set_property(GLOBAL APPEND PROPERTY TESSAPORT_LAYER_TARGETS ${target})
endfunction()

# Targets of later folders exist only once the whole tree is read: checked at its end.
function(_tessaport_check_module_links)
  get_property(targets GLOBAL PROPERTY TESSAPORT_LAYER_TARGETS)
  foreach(target IN LISTS targets)
    get_property(line TARGET ${target} PROPERTY TESSAPORT_LAYER_LINE)
    get_property(links TARGET ${target} PROPERTY TESSAPORT_LAYER_LINKS)
    foreach(library IN LISTS links)
      if(NOT TARGET ${library})
        message(FATAL_ERROR "${target}: its line ${line} in cmake/layers.txt names the library "
                            "${library}, which this build does not make")
      endif()
    endforeach()
  endforeach()
endfunction()
cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL _tessaport_check_module_links)
