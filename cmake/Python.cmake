# Python extension modules, in two editions from the same sources:
# - Python 2: Python 2.5 modules (.pyd) for Windows, linked against python25.dll through an import library
#   made from cmake/python25.def; Python 2.7 modules (.so) on Linux, for the tests.
# - Python 3: stable-ABI modules (Py_LIMITED_API 3.8) for every Python 3.8 and later: .pyd files for Windows
#   linked against python3.dll (CPython 3.9.2's headers; the import library lists what the Windows
#   interpreter of tools/python3 forwards), .abi3.so on Linux (Debian's CPython 3 headers), for the tests.

set(TESSIL_PYTHON_MODULE_DIR ${CMAKE_BINARY_DIR}/python)
set(TESSIL_PYTHON3_MODULE_DIR ${CMAKE_BINARY_DIR}/python3)
set(TESSIL_PYTHON_PROBE_DIR ${CMAKE_BINARY_DIR}/python-probes)
set(TESSIL_PYTHON3_PROBE_DIR ${CMAKE_BINARY_DIR}/python3-probes)
set(TESSIL_PYTHON3_LIMITED_API 0x03080000)

if(WIN32)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(arch win64)
    # PC/pyconfig.h derives this from _WIN64 for MSVC only, in both Pythons.
    set(pointer_size_definition MS_WIN64)
  else()
    set(arch win32)
    set(pointer_size_definition "")
  endif()
  set(TESSIL_PYTHON_DIST python25-${arch})
  set(TESSIL_PYTHON3_DIST python3-${arch})
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
  target_compile_definitions(python25_headers INTERFACE ${pointer_size_definition})
  add_library(python25 INTERFACE)
  add_dependencies(python25 python25_import_library)
  target_link_libraries(python25 INTERFACE python25_headers ${TESSIL_PYTHON25_LIB})
  set(TESSIL_PYTHON_LIB python25)

  set(TESSIL_PYTHON3_SRC ${TESSIL_DEPS_DIR}/python3.9-src)
  add_library(python3_headers INTERFACE)
  target_include_directories(python3_headers SYSTEM INTERFACE ${TESSIL_PYTHON3_SRC}/Include ${TESSIL_PYTHON3_SRC}/PC)
  target_compile_definitions(python3_headers INTERFACE ${pointer_size_definition})
  # The import library of python3.dll comes with the interpreter (tools/python3), which lists the stable-ABI
  # names that python39.dll really exports.
  set(TESSIL_PYTHON3_DEF ${CMAKE_BINARY_DIR}/python39/python3.def)
  set(TESSIL_PYTHON3_IMPORT_LIB ${CMAKE_BINARY_DIR}/python39/libpython3.a)
  add_library(python3_limited INTERFACE)
  add_dependencies(python3_limited python3_import_library)
  target_link_libraries(python3_limited INTERFACE python3_headers ${TESSIL_PYTHON3_IMPORT_LIB})
else()
  set(TESSIL_PYTHON_DIST python27-linux)
  set(TESSIL_PYTHON_PREFIX ${TESSIL_DEPS_DIR}/python2.7/usr)
  add_library(python27 INTERFACE)
  # The second directory holds the multiarch pyconfig.h.
  target_include_directories(python27 SYSTEM INTERFACE ${TESSIL_PYTHON_PREFIX}/include/python2.7
    ${TESSIL_PYTHON_PREFIX}/include)
  set(TESSIL_PYTHON_LIB python27)

  set(TESSIL_PYTHON3_DIST python3-linux)
  set(TESSIL_PYTHON3 /usr/bin/python3)
  execute_process(COMMAND ${TESSIL_PYTHON3} -c "import sysconfig; print(sysconfig.get_path('include'))"
    OUTPUT_VARIABLE python3_include OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  add_library(python3_limited INTERFACE)
  target_include_directories(python3_limited SYSTEM INTERFACE ${python3_include})
endif()
target_compile_definitions(python3_limited INTERFACE Py_LIMITED_API=${TESSIL_PYTHON3_LIMITED_API})

# tessil_python_module(<name> SOURCES ... LIBS ... [IMPORTS <dll>...] [PROXY <file.py>] [NO_STAGE]): the extension module
# <name> (with its leading underscore) in both editions: target <name>, built into build/<preset>/python
# and staged into dist/<python>-<platform>/, and target <name>_py3, built into build/<preset>/python3 and
# staged into dist/python3-<platform>/. On Windows tests check that each exports only its initialiser and
# imports its Python DLL and the IMPORTS DLLs; the Python 2.5 edition nothing that Windows XP, Server 2003
# or python25.dll lack, the Python 3 one nothing that python3.dll does not forward to python39.dll. PROXY
# is the Python 3 proxy module, copied beside the Python 3 edition with its type stubs (the .pyi of the same
# name). The staged Python 3 edition, proxy and stubs are recorded for its wheel (cmake/Wheel.cmake).
function(tessil_python_module name)
  cmake_parse_arguments(ARG "NO_STAGE" "PROXY" "SOURCES;LIBS;IMPORTS" ${ARGN})
  tessil_python_edition(${name} ${name} init${name} python25.dll ${TESSIL_PYTHON_LIB} ${TESSIL_PYTHON_MODULE_DIR}
    ${TESSIL_PYTHON_DIST} "${TESSIL_PYTHON25_DEF}" "${ARG_SOURCES}" "${ARG_LIBS}" "${ARG_IMPORTS}" ${ARG_NO_STAGE})
  tessil_python_edition(${name}_py3 ${name} PyInit_${name} python3.dll python3_limited ${TESSIL_PYTHON3_MODULE_DIR}
    ${TESSIL_PYTHON3_DIST} "${TESSIL_PYTHON3_DEF}" "${ARG_SOURCES}" "${ARG_LIBS}" "${ARG_IMPORTS}" ${ARG_NO_STAGE})
  if(NOT WIN32)
    set_target_properties(${name}_py3 PROPERTIES SUFFIX ".abi3.so")
  endif()
  if(ARG_PROXY)
    string(REGEX REPLACE "\\.py$" ".pyi" stubs ${ARG_PROXY})
    set(sources ${CMAKE_CURRENT_SOURCE_DIR}/${ARG_PROXY} ${CMAKE_CURRENT_SOURCE_DIR}/${stubs})
    set(folders ${TESSIL_PYTHON3_MODULE_DIR})
    if(TESSIL_STAGE AND NOT ARG_NO_STAGE)
      list(APPEND folders ${TESSIL_DIST_DIR}/${TESSIL_PYTHON3_DIST})
      set_property(GLOBAL APPEND PROPERTY TESSIL_PYTHON3_WHEEL_FILES $<TARGET_FILE:${name}_py3> ${sources})
      set_property(GLOBAL APPEND PROPERTY TESSIL_PYTHON3_WHEEL_TARGETS ${name}_py3)
    endif()
    set(copies)
    set(copy_commands)
    foreach(folder IN LISTS folders)
      foreach(file ${ARG_PROXY} ${stubs})
        list(APPEND copies ${folder}/${file})
        list(APPEND copy_commands
          COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_SOURCE_DIR}/${file} ${folder}/${file})
      endforeach()
    endforeach()
    add_custom_command(OUTPUT ${copies} ${copy_commands} DEPENDS ${sources} VERBATIM)
    add_custom_target(${name}_py3_proxy ALL DEPENDS ${copies})
    add_dependencies(${name}_py3 ${name}_py3_proxy)
  endif()
endfunction()

function(tessil_python_edition target name init python_dll python_lib module_dir dist python_def sources libs imports
         no_stage)
  if(WIN32)
    # Python 2.5 runs on XP and Server 2003: the daemon's stand-in for GetTickCount64 serves here too. The
    # Python 3 edition keeps to the same list of system imports.
    list(APPEND sources ${CMAKE_SOURCE_DIR}/TessilClient/xp_runtime.cpp)
  endif()
  add_library(${target} MODULE ${sources})
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/swig)
  target_link_libraries(${target} PRIVATE ${libs} ${python_lib})
  set_target_properties(${target} PROPERTIES OUTPUT_NAME ${name} PREFIX "" LIBRARY_OUTPUT_DIRECTORY ${module_dir}
    CXX_VISIBILITY_PRESET hidden)
  if(WIN32)
    set_target_properties(${target} PROPERTIES SUFFIX ".pyd")
    target_link_options(${target} PRIVATE -s)  # ship without debug information
    set(dlls ${python_dll} ${imports})
    add_test(NAME ${target}_linkage
      COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP} -DMODULE=$<TARGET_FILE:${target}> -DINIT=${init}
              "-DDLLS=${dlls}" -P ${CMAKE_SOURCE_DIR}/cmake/CheckPythonModule.cmake)
    add_test(NAME ${target}_imports
      COMMAND /usr/bin/python3 ${CMAKE_SOURCE_DIR}/tests/windows/check_imports.py ${CMAKE_OBJDUMP}
              ${CMAKE_SOURCE_DIR}/tests/windows/xp_imports.txt,${python_def}
              $<TARGET_FILE:${target}>)
  else()
    set_target_properties(${target} PROPERTIES SUFFIX ".so")
  endif()
  if(NOT no_stage)
    tessil_stage(${target} ${dist})
  endif()
endfunction()

# The wrapper runtime's test modules (tests/python/runtime_probe.cpp), built NO_STAGE in both editions into
# folders of their own, so that the tests can load them beside an installed copy of the modules:
# _runtime_probe shares _sealer's runtime version ("4"), _runtime_probe2 _netopts' ("2"), _runtime_probe3
# _TessilDU's ("3"); _runtime_probe_failing's initialiser fails.
function(tessil_runtime_probe probe version)
  tessil_python_module(${probe} SOURCES ${CMAKE_SOURCE_DIR}/tests/python/runtime_probe.cpp NO_STAGE)
  foreach(target ${probe} ${probe}_py3)
    target_compile_definitions(${target} PRIVATE PROBE_MODULE=${probe} SWIG_RUNTIME_VERSION="${version}" ${ARGN})
  endforeach()
  set_target_properties(${probe} PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${TESSIL_PYTHON_PROBE_DIR})
  set_target_properties(${probe}_py3 PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${TESSIL_PYTHON3_PROBE_DIR})
endfunction()

function(tessil_runtime_probes)
  tessil_runtime_probe(_runtime_probe 4)
  tessil_runtime_probe(_runtime_probe3 3)
  tessil_runtime_probe(_runtime_probe2 2)
  tessil_runtime_probe(_runtime_probe_failing 4 PROBE_INIT_FAILS)
endfunction()
