# SPDX-License-Identifier: GPL-3.0-or-later
# What the Debian package adds around the program on a freedesktop system: the launcher on
# the PATH, the desktop entry, icons, AppStream data, man pages, copyright and changelog, and
# the package's own fields. Included from the top-level CMakeLists.txt before CPack.

# The publisher's settings, all in this one place. Until the package is published they are
# placeholders, and look it: names under the reserved domain "example", which nothing
# resolves. Whoever publishes the package sets them on the cmake command line
# (-DWINGSCRIBE_APP_ID=... and so on); nothing else needs to change.
# - WINGSCRIBE_APP_ID: the AppStream id, a reversed domain name of the project's own; it
#   names the desktop entry and the AppStream file too.
# - WINGSCRIBE_HOMEPAGE: the project's site, ending in "/". Empty by default, so that nothing
#   points at a site that is not there; when set, it becomes the package's Homepage field and
#   the AppStream data's home page and screenshot (HOMEPAGE/screenshot.png: publish
#   docs/screenshot.png there).
# - WINGSCRIBE_MAINTAINER: name and address for the package's Maintainer field and changelog.
set(WINGSCRIBE_APP_ID "example.wingscribe.Wingscribe" CACHE STRING
    "AppStream component id and desktop entry name (reversed domain name)")
set(WINGSCRIBE_HOMEPAGE "" CACHE STRING
    "Project home page, for the package and the AppStream data (ends with /); empty: none")
set(WINGSCRIBE_MAINTAINER "Wingscribe developers <wingscribe@wingscribe.example>" CACHE STRING
    "Maintainer of the Debian package: name <address>")
if(WINGSCRIBE_HOMEPAGE STREQUAL "https://wingscribe.example/") # an earlier placeholder
  set_property(CACHE WINGSCRIBE_HOMEPAGE PROPERTY VALUE "")
endif()
set(WINGSCRIBE_METAINFO_HOMEPAGE "")
set(WINGSCRIBE_METAINFO_SCREENSHOTS "")
if(WINGSCRIBE_HOMEPAGE)
  set(WINGSCRIBE_METAINFO_HOMEPAGE "<url type=\"homepage\">${WINGSCRIBE_HOMEPAGE}</url>")
  set(WINGSCRIBE_METAINFO_SCREENSHOTS "<screenshots>
    <screenshot type=\"default\">
      <caption>The caption window showing a highlighted message to the user</caption>
      <image>${WINGSCRIBE_HOMEPAGE}screenshot.png</image>
    </screenshot>
  </screenshots>")
endif()

# The changelog's and the release's date are the last commit's, as SOURCE_DATE_EPOCH says
# (cmake/SourceDate.cmake); so are the times of the files in the package's archives, which
# cpack takes from SOURCE_DATE_EPOCH too (set for it below).
set(packaging ${CMAKE_CURRENT_SOURCE_DIR}/packaging)
set(generated ${CMAKE_BINARY_DIR}/packaging)
set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/wingscribe)
string(TIMESTAMP WINGSCRIBE_RELEASE_DATE "%Y-%m-%d" UTC)
string(TIMESTAMP WINGSCRIBE_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)

configure_file(${packaging}/wingscribe-launcher.sh ${generated}/wingscribe @ONLY)
configure_file(${packaging}/wingscribe.metainfo.xml.in
               ${generated}/${WINGSCRIBE_APP_ID}.metainfo.xml @ONLY)
configure_file(${packaging}/changelog.in ${generated}/changelog @ONLY)
file(WRITE ${generated}/CPackProjectConfig.cmake
     "set(ENV{SOURCE_DATE_EPOCH} \"${WINGSCRIBE_SOURCE_DATE}\")\n")
configure_file(${packaging}/wingscribe.1 ${generated}/wingscribe.1 @ONLY)
configure_file(${packaging}/wingscribe-feed.1 ${generated}/wingscribe-feed.1 @ONLY)

# Debian wants man pages and changelogs compressed at the highest level, without a time stamp.
set(compressed)
foreach(file wingscribe.1 wingscribe-feed.1 changelog)
  add_custom_command(OUTPUT ${generated}/${file}.gz
                     COMMAND gzip -9nkf ${generated}/${file}
                     DEPENDS ${generated}/${file}
                     COMMENT "Compressing ${file}")
  list(APPEND compressed ${generated}/${file}.gz)
endforeach()
add_custom_target(debian_docs ALL DEPENDS ${compressed})

install(PROGRAMS ${generated}/wingscribe DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES resources/wingscribe.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
        RENAME ${WINGSCRIBE_APP_ID}.desktop)
install(FILES resources/wingscribe-32.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/32x32/apps
        RENAME wingscribe.png)
install(FILES resources/wingscribe.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${generated}/${WINGSCRIBE_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${generated}/wingscribe.1.gz ${generated}/wingscribe-feed.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${packaging}/copyright DESTINATION ${doc_dir})
install(FILES ${generated}/changelog.gz DESTINATION ${doc_dir} RENAME changelog.Debian.gz)

set(CPACK_PACKAGE_NAME wingscribe)
set(CPACK_PACKAGE_VENDOR "Wingscribe developers")
set(CPACK_PACKAGE_CONTACT "${WINGSCRIBE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "ATC simulator radio and ATIS texts in a caption window")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Wingscribe shows the radio and ATIS texts of an air-traffic-control simulator
(KVE / KV3) in a long, low caption window without a title bar that can stay
above all other windows, for example over the bottom of a flight simulator.
It connects to the simulator over TCP on this or another PC of the local
network, reconnects by itself, filters the messages by type and highlights
the ones addressed to you.
.
The package also contains wingscribe-feed, a demo simulator feed for trying
the program without a simulator.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_STRIP_FILES ON)
# The same package whoever builds it: folders as Debian has them, whatever the umask; the
# times come from SOURCE_DATE_EPOCH. SHA256SUMS beside the package lists its checksum.
set(CPACK_PROJECT_CONFIG_FILE ${generated}/CPackProjectConfig.cmake)
set(CPACK_PRE_BUILD_SCRIPTS ${packaging}/Staging.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${packaging}/Checksums.cmake)
# A tool beside a simulator rather than a game itself (games belong in /usr/games, section 6).
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
if(WINGSCRIBE_HOMEPAGE)
  set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${WINGSCRIBE_HOMEPAGE}")
endif()
# libc, libstdc++ and Qt come from the binaries themselves (dpkg-shlibdeps); the caption's
# default font Arial needs a font with its metrics, or the dialogs' texts are cut off.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation2 | fonts-liberation")
# On a Wayland desktop without XWayland, Qt needs its Wayland platform plugin.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
