# SPDX-License-Identifier: GPL-3.0-or-later
# The flags of a Debian build, for everything built here. No trace of the folders the build
# ran in (for debug information and __FILE__), so that one commit gives the same bytes
# wherever it is checked out and built; and Debian's hardening as dpkg-buildflags gives it
# (stack protector, _FORTIFY_SOURCE, format checks, relocations read-only and bound at start),
# which Debug builds and sanitizer builds, with instrumentation of their own, go without.
# Optimisation and debug information stay with the build type.
foreach(dir IN ITEMS "${CMAKE_SOURCE_DIR}" "${CMAKE_BINARY_DIR}")
  add_compile_options("-ffile-prefix-map=${dir}=.")
endforeach()

find_program(DPKG_BUILDFLAGS dpkg-buildflags)
if(NOT DPKG_BUILDFLAGS OR WINGSCRIBE_SANITIZE)
  return()
endif()
foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                          ${DPKG_BUILDFLAGS} --get ${kind}
                  OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE)
  separate_arguments(flags UNIX_COMMAND "${flags}")
  list(FILTER flags EXCLUDE REGEX "^-(g|O.*|ffile-prefix-map=.*)$")
  list(TRANSFORM flags REPLACE "(.+)" "$<$<NOT:$<CONFIG:Debug>>:\\1>")
  if(kind STREQUAL LDFLAGS)
    add_link_options(${flags})
  else()
    add_compile_options(${flags})
  endif()
endforeach()
