# SPDX-License-Identifier: GPL-3.0-or-later
# The hardening flags Debian builds its packages with, as dpkg-buildflags gives them with every
# hardening feature on (fortified functions, stack protector, read-only relocations bound at
# start): the package that make package builds carries them, and so do the tests of the same
# build. Left out where dpkg-buildflags is missing (make run does not install dpkg-dev) and in
# unoptimised builds, where fortification cannot work (the sanitizer build has its own checks).
option(TARVEL_HARDENING "Build with the hardening flags of dpkg-buildflags" ON)
find_program(TARVEL_DPKG_BUILDFLAGS dpkg-buildflags)
string(TOUPPER "${CMAKE_BUILD_TYPE}" tarvel_build_type)
if(TARVEL_HARDENING AND TARVEL_DPKG_BUILDFLAGS AND NOT tarvel_build_type STREQUAL "DEBUG")
  foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
      ${TARVEL_DPKG_BUILDFLAGS} --get ${kind}
      OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    separate_arguments(flags UNIX_COMMAND "${flags}")
    # The build type sets the optimisation and the debug information; the file-name map only
    # shortens the paths recorded in that information.
    list(FILTER flags EXCLUDE REGEX "^-O|^-g$|^-ffile-prefix-map=")
    if(kind STREQUAL "LDFLAGS")
      add_link_options(${flags})
    else()
      add_compile_options(${flags})
    endif()
    string(REPLACE ";" " " flags "${flags}")
    message(STATUS "Hardening ${kind}: ${flags}")
  endforeach()
endif()
