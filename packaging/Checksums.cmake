# SPDX-License-Identifier: GPL-3.0-or-later
# Run by cpack once it has made the packages, before it puts them into the output folder:
# writes SHA256SUMS there, beside them, in the format of sha256sum, so that
# `sha256sum -c SHA256SUMS` checks a download.
set(sums "")
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  file(SHA256 "${package}" hash)
  get_filename_component(name "${package}" NAME)
  string(APPEND sums "${hash}  ${name}\n")
endforeach()
file(WRITE "${CPACK_PACKAGE_DIRECTORY}/SHA256SUMS" "${sums}")
