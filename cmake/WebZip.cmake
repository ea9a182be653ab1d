# SPDX-License-Identifier: GPL-3.0-or-later
# Writes ZIP: the browser edition for people on other systems, one folder NAME holding
# tarvel.html (the single file) and site/ (the same page for a web server).
#   cmake -DWEB=<build>/web -DZIP=<file> -DNAME=<folder> -P WebZip.cmake
foreach(part tarvel.html site/index.html)
  if(NOT EXISTS ${WEB}/${part})
    message(FATAL_ERROR "${WEB}/${part} is missing: build the page first (make web)")
  endif()
endforeach()
find_program(ZIP_PROGRAM zip)
if(NOT ZIP_PROGRAM)
  message(FATAL_ERROR "zip is missing (scripts/install-deps package)")
endif()
get_filename_component(stage ${ZIP} DIRECTORY)
set(stage ${stage}/web-zip)
file(REMOVE_RECURSE ${stage})
file(MAKE_DIRECTORY ${stage}/${NAME})
file(COPY ${WEB}/tarvel.html ${WEB}/site DESTINATION ${stage}/${NAME})
file(REMOVE ${ZIP})
# -X: no extra file attributes, so the archive holds only what the page needs.
execute_process(COMMAND ${ZIP_PROGRAM} -q -r -X ${ZIP} ${NAME} WORKING_DIRECTORY ${stage} RESULT_VARIABLE failed)
file(REMOVE_RECURSE ${stage})
if(failed)
  message(FATAL_ERROR "zip failed")
endif()
