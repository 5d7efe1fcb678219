# cmake -DPYTHON=... -DFOLDER=<work folder> -DWHEEL=<name>-<version>-<tag>.whl -DNAME=... -DVERSION=...
#       -DSUMMARY=... -DTAG=... -DFILES=<file;...> -P PackWheel.cmake
# Lays out FOLDER as the wheel is to be (FILES at its root, an empty py.typed, and the dist-info's METADATA
# and WHEEL) and packs it with `wheel pack`, which writes the RECORD and names the wheel by its tag.
cmake_minimum_required(VERSION 3.25)

string(REPLACE "-" "_" distribution ${NAME})
set(root ${FOLDER}/${distribution}-${VERSION})
set(info ${root}/${distribution}-${VERSION}.dist-info)
file(REMOVE_RECURSE ${FOLDER})
file(MAKE_DIRECTORY ${info})
file(COPY ${FILES} DESTINATION ${root})
file(TOUCH ${root}/py.typed)  # the stubs are the modules' own
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
