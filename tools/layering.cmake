# The layering of the program's folders, one CMake library each, dependencies one way:
#
#   extended <- decimal <- {format, reading} <- output <- inverter <- driver
#
# with runtime beside them, used by output, inverter and driver, and include/quelmar (the public
# API) usable by all and including nothing else. A folder may include the headers of the folders
# below it and link their libraries, never those above it or of a sibling.
#
# Checked when the project is configured (the includes of every source file and the libraries
# each folder's library links), and by `cmake -P tools/layering.cmake` from the repository root
# (the includes only), which the tests run too. A folder that does not exist yet is skipped.
cmake_minimum_required(VERSION 3.25)

set(quelmar_layers extended runtime decimal format reading output inverter driver)
set(quelmar_below_extended "")
set(quelmar_below_runtime "")
set(quelmar_below_decimal extended)
set(quelmar_below_format decimal extended)
set(quelmar_below_reading decimal extended)
set(quelmar_below_output format reading decimal extended runtime)
set(quelmar_below_inverter output ${quelmar_below_output})
# The driver links the installed library (quelmar), which holds every folder below it.
set(quelmar_below_driver inverter quelmar ${quelmar_below_inverter})

# Appends to `out` a line for each file under `folder` that includes a header it may not.
function(quelmar_include_violations root folder out)
  set(found "")
  if(folder STREQUAL "include/quelmar")
    set(allowed "")
  else()
    set(allowed ${folder} ${quelmar_below_${folder}})
  endif()
  file(GLOB sources "${root}/${folder}/*.h" "${root}/${folder}/*.cpp")
  foreach(source IN LISTS sources)
    file(STRINGS "${source}" includes REGEX "^#include \"[a-z_]+/")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^#include \"([a-z_]+)/.*" "\\1" used "${line}")
      if(NOT used STREQUAL "quelmar" AND NOT used IN_LIST allowed)
        file(RELATIVE_PATH where "${root}" "${source}")
        list(APPEND found "${where} includes a header of ${used}/")
      endif()
    endforeach()
  endforeach()
  set(${out} ${${out}} ${found} PARENT_SCOPE)
endfunction()

# Appends to `out` a line for each library a folder's library links that it may not.
function(quelmar_link_violations folder out)
  set(found "")
  foreach(property LINK_LIBRARIES INTERFACE_LINK_LIBRARIES)
    get_target_property(links ${folder} ${property})
    foreach(link IN LISTS links)
      if((link IN_LIST quelmar_layers OR link STREQUAL "quelmar") AND NOT link STREQUAL folder AND
         NOT link IN_LIST quelmar_below_${folder})
        list(APPEND found "the library ${folder} links ${link}")
      endif()
    endforeach()
  endforeach()
  list(REMOVE_DUPLICATES found)
  set(${out} ${${out}} ${found} PARENT_SCOPE)
endfunction()

function(quelmar_check_layering root)
  set(violations "")
  foreach(folder IN LISTS quelmar_layers ITEMS include/quelmar)
    if(IS_DIRECTORY "${root}/${folder}")
      quelmar_include_violations("${root}" ${folder} violations)
      if(NOT CMAKE_SCRIPT_MODE_FILE AND TARGET ${folder})
        quelmar_link_violations(${folder} violations)
      endif()
    endif()
  endforeach()
  if(violations)
    list(JOIN violations "\n  " text)
    message(FATAL_ERROR "The folders' layering is broken:\n  ${text}")
  endif()
endfunction()

if(CMAKE_SCRIPT_MODE_FILE)
  get_filename_component(root "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
  quelmar_check_layering("${root}")
  message(STATUS "Layering: every include follows the line")
endif()
