# SPDX-License-Identifier: GPL-3.0-or-later
# Every time stamp that the build and the packaging write is the last commit's, so that one
# commit always gives the same bytes: SOURCE_DATE_EPOCH for the rest of the configuration
# (string(TIMESTAMP) reads it) and WINGSCRIBE_SOURCE_DATE for the steps that run later, such
# as cpack. A caller's SOURCE_DATE_EPOCH wins; a new commit configures again.
set(WINGSCRIBE_SOURCE_DATE "$ENV{SOURCE_DATE_EPOCH}")
find_package(Git QUIET)
if(WINGSCRIBE_SOURCE_DATE STREQUAL "" AND GIT_FOUND)
  execute_process(COMMAND ${GIT_EXECUTABLE} log -1 --format=%ct
                  WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
                  OUTPUT_VARIABLE WINGSCRIBE_SOURCE_DATE OUTPUT_STRIP_TRAILING_WHITESPACE
                  ERROR_QUIET)
  execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --absolute-git-dir
                  WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
                  OUTPUT_VARIABLE git_dir OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(EXISTS "${git_dir}/logs/HEAD")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${git_dir}/logs/HEAD")
  endif()
endif()
if(WINGSCRIBE_SOURCE_DATE MATCHES "^[0-9]+$")
  set(ENV{SOURCE_DATE_EPOCH} "${WINGSCRIBE_SOURCE_DATE}")
else()
  set(WINGSCRIBE_SOURCE_DATE "")
  message(STATUS "No commit time (not a git checkout, no SOURCE_DATE_EPOCH): what the build "
                 "makes carries today's times and cannot be made again byte for byte")
endif()
