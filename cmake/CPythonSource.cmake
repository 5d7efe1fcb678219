# Building CPython for Windows with mingw-w64 from its source tree (tools/python25, tools/python3).

# cpython_core_sources(<name> <var> <source tree> <patch> <mended file>...): into <var>, the core's sources
# as the upstream Windows build lists them (PCbuild/pythoncore.vcxproj), zlib's own copy left out for
# Debian's mingw-w64 build of it. The mended files are copies in the build tree (patched/), made by <patch>, so that the
# unpacked source stays as Debian ships it; the target <name>_mended builds them.
function(cpython_core_sources name var src patch)
  set(mended_files ${ARGN})
  set(patched_dir ${CMAKE_CURRENT_BINARY_DIR}/patched)
  set(outputs)
  set(copy_commands)
  foreach(file IN LISTS mended_files)
    list(APPEND outputs ${patched_dir}/${file})
    list(APPEND copy_commands COMMAND ${CMAKE_COMMAND} -E copy ${src}/${file} ${patched_dir}/${file})
  endforeach()
  add_custom_command(OUTPUT ${outputs}
    ${copy_commands}
    COMMAND patch --quiet --strip=1 --directory=${patched_dir} --input=${patch}
    DEPENDS ${patch}
    VERBATIM)
  add_custom_target(${name}_mended DEPENDS ${outputs})

  file(STRINGS ${src}/PCbuild/pythoncore.vcxproj core_lines REGEX "<ClCompile Include=\"\\.\\.[^\"]+\\.c\"")
  set(sources)
  foreach(line IN LISTS core_lines)
    string(REGEX REPLACE ".*<ClCompile Include=\"\\.\\.\\\\([^\"]+)\".*" "\\1" file "${line}")
    string(REPLACE "\\" "/" file "${file}")
    if(file MATCHES "^Modules/zlib/")
      continue()
    elseif(file IN_LIST mended_files)
      list(APPEND sources ${patched_dir}/${file})
    else()
      list(APPEND sources ${src}/${file})
    endif()
  endforeach()
  set(${var} ${sources} PARENT_SCOPE)
endfunction()
