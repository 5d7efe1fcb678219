# cmake -DOBJDUMP=... -DSTABLE_DEF=PC/python3.def -DCORE=python39.dll -DOUTPUT=python3.def -P StableNames.cmake
# Writes the module definition of python3.dll as extensions may import from it: the names that
# PC/python3.def forwards and that the core DLL really exports.
cmake_minimum_required(VERSION 3.25)

# The export name table's lines: "[   0] name".
execute_process(COMMAND ${OBJDUMP} -p ${CORE} OUTPUT_FILE ${OUTPUT}.dump COMMAND_ERROR_IS_FATAL ANY)
file(STRINGS ${OUTPUT}.dump exported REGEX "^\t\\[ *[0-9]+\\] [A-Za-z_][A-Za-z0-9_]*$")
file(REMOVE ${OUTPUT}.dump)
list(TRANSFORM exported REPLACE "^\t\\[ *[0-9]+\\] " "")

file(STRINGS ${STABLE_DEF} lines REGEX "^  [A-Za-z_][A-Za-z0-9_]*=")
set(text "; python3.dll's names that python39.dll exports, from ${STABLE_DEF}\nLIBRARY python3.dll\nEXPORTS\n")
set(missing "")
foreach(line IN LISTS lines)
  string(REGEX REPLACE "^  ([A-Za-z_][A-Za-z0-9_]*)=.*" "\\1" name "${line}")
  if(NOT name IN_LIST exported)
    list(APPEND missing ${name})
    continue()
  endif()
  if(line MATCHES " DATA$")
    string(APPEND name " DATA")
  endif()
  string(APPEND text "${name}\n")
endforeach()
file(WRITE ${OUTPUT} "${text}")
message(STATUS "python3.dll: left out ${missing}, which python39.dll does not export")
