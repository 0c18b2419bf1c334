# Fails when a program imports a function that is not in an allow-list (Windows7Imports.txt),
# or loads anything through a delay-import table, which the list could not vouch for either.
#   cmake -DOBJDUMP=<objdump of the cross toolchain> -DPROGRAM=<exe> -DALLOWED=<list> -P CheckImports.cmake
# Read from the built file on the build machine: under Wine every such function exists, so
# only the import table shows what an older Windows would refuse.
cmake_minimum_required(VERSION 3.20)

foreach(variable OBJDUMP PROGRAM ALLOWED)
  if(NOT ${variable})
    message(FATAL_ERROR "CheckImports.cmake: ${variable} not given")
  endif()
endforeach()

execute_process(COMMAND "${OBJDUMP}" -p "${PROGRAM}" RESULT_VARIABLE status
                OUTPUT_VARIABLE dump ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p ${PROGRAM} failed: ${errors}")
endif()
if(NOT dump MATCHES "Entry d 0+ 0+ Delay Import Directory")
  message(FATAL_ERROR "${PROGRAM} has a delay-import table")
endif()

file(STRINGS "${ALLOWED}" allowed REGEX "^[^#]")
# One line of the dump per list element; objdump prints no semicolons in these tables.
string(REPLACE "\n" ";" lines "${dump}")
set(dll "")
set(imported 0)
set(refused "")
foreach(line IN LISTS lines)
  if(line MATCHES "^\tDLL Name: (.+)$")
    string(TOLOWER "${CMAKE_MATCH_1}" dll)
  elseif(line MATCHES "^[^\t]" OR line STREQUAL "")
    set(dll "")
  elseif(dll AND NOT line MATCHES "^\tvma:")
    # "\t<thunk>\t <hint>  <name>"; an import by ordinal has no name to check.
    if(NOT line MATCHES "^\t[0-9a-f]+\t +[0-9]+ +([A-Za-z_][A-Za-z0-9_@]*)$")
      message(FATAL_ERROR "unreadable import of ${dll}: '${line}'")
    endif()
    math(EXPR imported "${imported} + 1")
    if(NOT "${dll}!${CMAKE_MATCH_1}" IN_LIST allowed)
      list(APPEND refused "${dll}!${CMAKE_MATCH_1}")
    endif()
  endif()
endforeach()

if(imported EQUAL 0)
  message(FATAL_ERROR "no imports read from ${PROGRAM}: has objdump's format changed?")
endif()
if(refused)
  list(JOIN refused "\n  " refusedLines)
  message(FATAL_ERROR "${PROGRAM} imports what Windows 7 SP1 may lack (not in ${ALLOWED}):\n  ${refusedLines}")
endif()
message(STATUS "${imported} imports, each in ${ALLOWED}")
