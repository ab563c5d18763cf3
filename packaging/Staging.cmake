# SPDX-License-Identifier: GPL-3.0-or-later
# Run by cpack between installing the files into its staging folder and packing them: every
# folder gets Debian's mode 755, whatever the umask of whoever builds (one of 027 would
# otherwise ship folders that other users cannot enter), so that the package is the same.
file(GLOB_RECURSE folders LIST_DIRECTORIES true "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
foreach(folder IN LISTS folders)
  if(IS_DIRECTORY "${folder}" AND NOT IS_SYMLINK "${folder}")
    file(CHMOD "${folder}" DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
         GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  endif()
endforeach()
