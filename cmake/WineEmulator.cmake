# SPDX-License-Identifier: GPL-3.0-or-later
# A Windows build made on Linux runs its programs under Wine: CTest starts every test
# program through scripts/windows/wine-run.sh, with a Wine prefix inside the build folder
# and the DLLs found where the Qt kit and the MinGW compiler keep them.
if(NOT (WIN32 AND CMAKE_CROSSCOMPILING AND CMAKE_HOST_UNIX) OR CMAKE_CROSSCOMPILING_EMULATOR)
  return()
endif()

function(wingscribe_runtime_dir out dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                  OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
  get_filename_component(path "${path}" REALPATH)
  get_filename_component(dir "${path}" DIRECTORY)
  set(${out} "${dir}" PARENT_SCOPE)
endfunction()

wingscribe_runtime_dir(gcc_dir libstdc++-6.dll)
wingscribe_runtime_dir(pthread_dir libwinpthread-1.dll)
get_target_property(qt_core Qt6::Core IMPORTED_LOCATION_RELEASE)
if(NOT qt_core)
  get_target_property(qt_core Qt6::Core IMPORTED_LOCATION)
endif()
get_filename_component(qt_bin "${qt_core}" DIRECTORY)
get_filename_component(qt_plugins "${qt_bin}/../plugins" ABSOLUTE)

# The folders the programs' DLLs are in, for scripts that run them too.
set(WINGSCRIBE_WINE_DLL_DIRS "${qt_bin}:${gcc_dir}:${pthread_dir}" CACHE INTERNAL "")
set(WINGSCRIBE_WINE_PREFIX "${CMAKE_BINARY_DIR}/wine-prefix")
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/scripts/windows/wine-run.sh
    ${WINGSCRIBE_WINE_PREFIX} ${WINGSCRIBE_WINE_DLL_DIRS} ${qt_plugins})
