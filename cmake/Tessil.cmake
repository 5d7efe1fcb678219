# Build helpers shared by every component.

add_compile_options(-Wall -Wextra)

if(TESSIL_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# tessil_stage(<target> <dist subfolder>): copy the built file into dist/<subfolder>/.
function(tessil_stage target subdir)
  if(NOT TESSIL_STAGE)
    return()
  endif()
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E make_directory ${TESSIL_DIST_DIR}/${subdir}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:${target}> ${TESSIL_DIST_DIR}/${subdir}/
    VERBATIM)
endfunction()

# GoogleTest from Debian's sources, built with the current toolchain (native or mingw).
function(tessil_use_googletest)
  if(TARGET gtest_main)
    return()
  endif()
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endfunction()

# tessil_gtest(<name> SOURCES ... LIBS ...): one GoogleTest program, registered as one ctest test.
# Under mingw, ctest runs it through CMAKE_CROSSCOMPILING_EMULATOR (Wine).
function(tessil_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  tessil_use_googletest()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} gtest_main)
  add_test(NAME ${name} COMMAND ${name})
endfunction()

# The fuzz preset instruments everything for coverage; only the harnesses link the fuzzer's main.
if(TESSIL_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
