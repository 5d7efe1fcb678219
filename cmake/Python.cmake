# Python extension modules: Python 2.5 modules (.pyd) for Windows, linked against python25.dll through an
# import library made from cmake/python25.def; Python 2.7 modules (.so) on Linux, for the tests.

set(TESSIL_PYTHON_MODULE_DIR ${CMAKE_BINARY_DIR}/python)

if(WIN32)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(TESSIL_PYTHON_DIST python25-win64)
  else()
    set(TESSIL_PYTHON_DIST python25-win32)
  endif()
  # Python 2.5's own headers cannot be had: CPython 2.7.18's are used with its Windows configuration
  # header, keeping to what 2.5 has (swig/swig_runtime.h, and the import library's short list).
  set(TESSIL_PYTHON_SRC ${TESSIL_DEPS_DIR}/python2.7-src)
  # python25.dll names its module initialiser by pointer size, as the header's Py_InitModule4 does.
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(PYTHON25_INIT_MODULE Py_InitModule4_64)
  else()
    set(PYTHON25_INIT_MODULE Py_InitModule4)
  endif()
  set(TESSIL_PYTHON25_DEF ${CMAKE_BINARY_DIR}/python25.def)
  configure_file(${CMAKE_SOURCE_DIR}/cmake/python25.def ${TESSIL_PYTHON25_DEF} @ONLY)
  set(TESSIL_PYTHON25_LIB ${CMAKE_BINARY_DIR}/libpython25.a)
  add_custom_command(OUTPUT ${TESSIL_PYTHON25_LIB}
    COMMAND ${CMAKE_DLLTOOL} --input-def ${TESSIL_PYTHON25_DEF}
            --dllname python25.dll --output-lib ${TESSIL_PYTHON25_LIB}
    DEPENDS ${TESSIL_PYTHON25_DEF}
    VERBATIM)
  add_custom_target(python25_import_library DEPENDS ${TESSIL_PYTHON25_LIB})
  # The headers, shared with the Windows interpreter that the tests build (tools/python25).
  add_library(python25_headers INTERFACE)
  target_include_directories(python25_headers SYSTEM INTERFACE ${TESSIL_PYTHON_SRC}/Include ${TESSIL_PYTHON_SRC}/PC)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    # PC/pyconfig.h derives this from _WIN64 for MSVC only.
    target_compile_definitions(python25_headers INTERFACE MS_WIN64)
  endif()
  add_library(python25 INTERFACE)
  add_dependencies(python25 python25_import_library)
  target_link_libraries(python25 INTERFACE python25_headers ${TESSIL_PYTHON25_LIB})
  set(TESSIL_PYTHON_LIB python25)
else()
  set(TESSIL_PYTHON_DIST python27-linux)
  set(TESSIL_PYTHON_PREFIX ${TESSIL_DEPS_DIR}/python2.7/usr)
  add_library(python27 INTERFACE)
  # The second directory holds the multiarch pyconfig.h.
  target_include_directories(python27 SYSTEM INTERFACE ${TESSIL_PYTHON_PREFIX}/include/python2.7
    ${TESSIL_PYTHON_PREFIX}/include)
  set(TESSIL_PYTHON_LIB python27)
endif()

# tessil_python_module(<name> SOURCES ... LIBS ... [IMPORTS <dll>...] [NO_STAGE]): the extension module
# <name> (with its leading underscore), built into build/<preset>/python and staged into
# dist/<python>-<platform>/. On Windows tests check that it exports only init<name>, imports python25.dll
# and the IMPORTS DLLs, and imports nothing that Windows XP, Server 2003 or python25.dll lack.
function(tessil_python_module name)
  cmake_parse_arguments(ARG "NO_STAGE" "" "SOURCES;LIBS;IMPORTS" ${ARGN})
  if(WIN32)
    # Python 2.5 runs on XP and Server 2003: the daemon's stand-in for GetTickCount64 serves here too.
    list(APPEND ARG_SOURCES ${CMAKE_SOURCE_DIR}/TessilClient/xp_runtime.cpp)
  endif()
  add_library(${name} MODULE ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/swig)
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} ${TESSIL_PYTHON_LIB})
  set_target_properties(${name} PROPERTIES PREFIX "" LIBRARY_OUTPUT_DIRECTORY ${TESSIL_PYTHON_MODULE_DIR}
    CXX_VISIBILITY_PRESET hidden)
  if(WIN32)
    set_target_properties(${name} PROPERTIES SUFFIX ".pyd")
    target_link_options(${name} PRIVATE -s)  # ship without debug information
    set(dlls python25.dll ${ARG_IMPORTS})
    add_test(NAME ${name}_linkage
      COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP} -DMODULE=$<TARGET_FILE:${name}> -DINIT=init${name}
              "-DDLLS=${dlls}" -P ${CMAKE_SOURCE_DIR}/cmake/CheckPythonModule.cmake)
    add_test(NAME ${name}_imports
      COMMAND /usr/bin/python3 ${CMAKE_SOURCE_DIR}/tests/windows/check_imports.py ${CMAKE_OBJDUMP}
              ${CMAKE_SOURCE_DIR}/tests/windows/xp_imports.txt,${TESSIL_PYTHON25_DEF}
              $<TARGET_FILE:${name}>)
  else()
    set_target_properties(${name} PROPERTIES SUFFIX ".so")
  endif()
  if(NOT ARG_NO_STAGE)
    tessil_stage(${name} ${TESSIL_PYTHON_DIST})
  endif()
endfunction()

# The wrapper runtime's test modules (tests/python/runtime_probe.cpp), built NO_STAGE beside the modules:
# _runtime_probe shares _sealer's runtime version ("4"), _runtime_probe2 _netopts' ("2"), _runtime_probe3
# _TessilDU's ("3").
function(tessil_runtime_probes)
  foreach(version 4 3 2)
    if(version STREQUAL 4)
      set(probe _runtime_probe)
    else()
      set(probe _runtime_probe${version})
    endif()
    tessil_python_module(${probe} SOURCES ${CMAKE_SOURCE_DIR}/tests/python/runtime_probe.cpp NO_STAGE)
    target_compile_definitions(${probe} PRIVATE PROBE_MODULE=${probe} SWIG_RUNTIME_VERSION="${version}")
  endforeach()
  tessil_python_module(_runtime_probe_failing SOURCES ${CMAKE_SOURCE_DIR}/tests/python/runtime_probe.cpp NO_STAGE)
  target_compile_definitions(_runtime_probe_failing PRIVATE PROBE_MODULE=_runtime_probe_failing
    SWIG_RUNTIME_VERSION="4" PROBE_INIT_FAILS)
endfunction()
