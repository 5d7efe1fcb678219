# cmake -DOBJDUMP=... -DMODULE=<file.pyd> -DINIT=init_<name> -DDLLS=python25.dll[;<dll>...] -P CheckPythonModule.cmake
# A Windows extension module for Python 2.5 must export only its initialiser and link against python25.dll
# and the other DLLs it is made for (tests/windows/check_imports.py checks each import against what XP,
# Server 2003 and python25.dll have).
cmake_minimum_required(VERSION 3.25)

execute_process(COMMAND ${OBJDUMP} -p ${MODULE} OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "objdump failed on ${MODULE}")
endif()

string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
string(TOLOWER "${imports}" imported)  # import libraries differ in the case of DLL names
foreach(dll IN LISTS DLLS)
  string(TOLOWER "DLL Name: ${dll}" wanted)
  if(NOT wanted IN_LIST imported)
    message(FATAL_ERROR "${MODULE} does not import ${dll}")
  endif()
endforeach()

# The export name table: "[   0] name" lines after "[Ordinal/Name Pointer] Table".
string(FIND "${dump}" "[Ordinal/Name Pointer] Table" at)
if(at EQUAL -1)
  message(FATAL_ERROR "${MODULE} exports nothing")
endif()
string(SUBSTRING "${dump}" ${at} -1 table)
string(REGEX MATCHALL "\n[ \t]*\\[ *[0-9]+\\] [^\n]+" exports "${table}")
set(names "")
foreach(line IN LISTS exports)
  string(REGEX REPLACE "^\n[ \t]*\\[ *[0-9]+\\] " "" name "${line}")
  list(APPEND names "${name}")
endforeach()
if(NOT names STREQUAL "${INIT}")
  message(FATAL_ERROR "${MODULE} exports '${names}', expected only '${INIT}'")
endif()
message(STATUS "${MODULE}: exports ${INIT}; imports ${imports}")
