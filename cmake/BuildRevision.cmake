# SPDX-License-Identifier: GPL-3.0-or-later
# Run at every build (cmake -P): writes the version header with the source's git revision,
# touching it only when the text changes. Outside a git checkout of this source (a tarball,
# no git installed) the revision is left empty and the version stands alone.
#   -DSOURCE_DIR=... -DOUTPUT=... -DVERSION=...
set(revision "")
find_program(GIT_EXECUTABLE git)
if(GIT_EXECUTABLE)
  execute_process(COMMAND ${GIT_EXECUTABLE} -C ${SOURCE_DIR} rev-parse --show-toplevel
    OUTPUT_VARIABLE top RESULT_VARIABLE rc OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(rc EQUAL 0)
    file(REAL_PATH "${top}" top)
    file(REAL_PATH "${SOURCE_DIR}" source)
  endif()
  # Only this source's own repository counts, not one it happens to be unpacked into.
  if(rc EQUAL 0 AND top STREQUAL source)
    execute_process(COMMAND ${GIT_EXECUTABLE} -C ${SOURCE_DIR} describe --always --dirty --abbrev=12
      OUTPUT_VARIABLE described RESULT_VARIABLE rc OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(rc EQUAL 0 AND described MATCHES "^[0-9A-Za-z._+-]+$")
      set(revision "${described}")
    endif()
  endif()
endif()
file(CONFIGURE OUTPUT "${OUTPUT}" CONTENT "// Generated at build time from the CMake project and git: do not edit.
#pragma once

namespace tarvel {
inline constexpr const char* kVersion = \"${VERSION}\";
// The git revision the program was built from; empty when that is not known.
inline constexpr const char* kRevision = \"${revision}\";
} // namespace tarvel
" @ONLY)
