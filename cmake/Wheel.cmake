# The Python 3 edition as a wheel, made by the standard tool (python3-wheel's `wheel pack`) from a folder
# laid out as the wheel: the staged modules of this architecture, their proxies and type stubs (the files
# tessil_python_module records), py.typed, and the metadata. Stable ABI 3.8: tag cp38-abi3-<platform>. Into
# dist/wheels/; TESSIL_PYTHON3_WHEEL names it for the tests, which also check what it holds.
set(TESSIL_WHEEL_NAME tessil-modules)
string(CONCAT TESSIL_WHEEL_SUMMARY "The Tessil backup client's modules for Python 3 on Windows: "
  "traditional ZIP encryption (sealer), disk and volume metadata (TessilDU) and TCP keep-alive (netopts)")

function(tessil_python3_wheel)
  if(NOT WIN32 OR NOT TESSIL_STAGE)
    return()
  endif()
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(platform win_amd64)
  else()
    set(platform win32)
  endif()
  set(tag cp38-abi3-${platform})
  string(REPLACE "-" "_" file_name ${TESSIL_WHEEL_NAME})
  set(wheel ${TESSIL_DIST_DIR}/wheels/${file_name}-${PROJECT_VERSION}-${tag}.whl)
  get_property(files GLOBAL PROPERTY TESSIL_PYTHON3_WHEEL_FILES)
  get_property(modules GLOBAL PROPERTY TESSIL_PYTHON3_WHEEL_TARGETS)
  add_custom_command(OUTPUT ${wheel}
    COMMAND ${CMAKE_COMMAND} -DPYTHON=/usr/bin/python3 -DFOLDER=${CMAKE_BINARY_DIR}/wheel -DWHEEL=${wheel}
            -DNAME=${TESSIL_WHEEL_NAME} -DVERSION=${PROJECT_VERSION} -DSUMMARY=${TESSIL_WHEEL_SUMMARY} -DTAG=${tag}
            "-DFILES=${files}" -P ${CMAKE_SOURCE_DIR}/cmake/PackWheel.cmake
    DEPENDS ${modules} ${files} ${CMAKE_SOURCE_DIR}/cmake/PackWheel.cmake
    VERBATIM)
  add_custom_target(python3_wheel ALL DEPENDS ${wheel})
  add_test(NAME python3_wheel_contents
    COMMAND /usr/bin/python3 ${CMAKE_SOURCE_DIR}/tests/windows/check_wheel.py ${wheel} ${TESSIL_WHEEL_NAME}
            ${PROJECT_VERSION} ${tag} ${files})
  set(TESSIL_PYTHON3_WHEEL ${wheel} PARENT_SCOPE)
endfunction()
