# cmake -DPYTHON=... -DFOLDER=<work folder> -DWHEEL=<name>-<version>-<tag>.whl -DNAME=... -DVERSION=...
#       -DSUMMARY=... -DTAG=... -DFILES=<file;...> -P PackWheel.cmake
# Lays out FOLDER as the wheel is to be (FILES at its root, but for the type stubs, and the dist-info's
# METADATA and WHEEL) and packs it with `wheel pack`, which writes the RECORD and names the wheel by its tag.
# The modules are top-level ones, whose stubs type checkers take from a stub-only package (<module>-stubs),
# not from beside them: a py.typed marks only a package, and one at the top of site-packages would be every
# distribution's. So each <module>.pyi becomes <module>-stubs/__init__.pyi, with a py.typed (the stubs are
# whole).
cmake_minimum_required(VERSION 3.25)

string(REPLACE "-" "_" distribution ${NAME})
set(root ${FOLDER}/${distribution}-${VERSION})
set(info ${root}/${distribution}-${VERSION}.dist-info)
file(REMOVE_RECURSE ${FOLDER})
file(MAKE_DIRECTORY ${info})
foreach(file IN LISTS FILES)
  get_filename_component(module ${file} NAME_WE)
  if(file MATCHES "\\.pyi$")
    file(MAKE_DIRECTORY ${root}/${module}-stubs)
    file(COPY_FILE ${file} ${root}/${module}-stubs/__init__.pyi)
    file(TOUCH ${root}/${module}-stubs/py.typed)
  else()
    file(COPY ${file} DESTINATION ${root})
  endif()
endforeach()
# No licence field: the project states none yet.
file(WRITE ${info}/METADATA
  "Metadata-Version: 2.1\nName: ${NAME}\nVersion: ${VERSION}\nSummary: ${SUMMARY}\nRequires-Python: >=3.8\n")
file(WRITE ${info}/WHEEL
  "Wheel-Version: 1.0\nGenerator: tessil (cmake/PackWheel.cmake)\nRoot-Is-Purelib: false\nTag: ${TAG}\n")

get_filename_component(destination ${WHEEL} DIRECTORY)
file(MAKE_DIRECTORY ${destination})
execute_process(COMMAND ${PYTHON} -m wheel pack --dest-dir ${destination} ${root}
  OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
if(NOT EXISTS ${WHEEL})
  message(FATAL_ERROR "wheel pack did not make ${WHEEL}")
endif()
