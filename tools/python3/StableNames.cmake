# cmake -DOBJDUMP=... -DSTABLE_DEF=PC/python3.def -DCORE=python39.dll -DOUTPUT=python3.def -P StableNames.cmake
# Writes the module definition of python3.dll as extensions may import from it: the names that
# PC/python3.def forwards and that the core DLL really exports.
cmake_minimum_required(VERSION 3.25)

execute_process(COMMAND ${OBJDUMP} -p ${CORE} OUTPUT_VARIABLE dump COMMAND_ERROR_IS_FATAL ANY)
string(FIND "${dump}" "[Ordinal/Name Pointer] Table" at)
string(SUBSTRING "${dump}" ${at} -1 table)
string(REGEX MATCHALL "\\] [A-Za-z_][A-Za-z0-9_]*" exported "${table}")
list(TRANSFORM exported REPLACE "^\\] " "")

file(STRINGS ${STABLE_DEF} lines REGEX "^  [A-Za-z_][A-Za-z0-9_]*=")
set(text "; python3.dll's names that python39.dll exports, from ${STABLE_DEF}\nLIBRARY python3.dll\nEXPORTS\n")
foreach(line IN LISTS lines)
  string(REGEX REPLACE "^  ([A-Za-z_][A-Za-z0-9_]*)=.*" "\\1" name "${line}")
  if(name IN_LIST exported)
    if(line MATCHES " DATA$")
      string(APPEND name " DATA")
    endif()
    string(APPEND text "${name}\n")
  endif()
endforeach()
file(WRITE ${OUTPUT} "${text}")
