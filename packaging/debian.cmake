# The Debian package, made by CPack's DEB generator ("tools/package" runs it):
# everything "cmake --install" installs, under /usr, plus the two files Debian
# wants in /usr/share/doc/tavelo: the licence as "copyright" and the package's
# changelog. Its dependencies are those dpkg-shlibdeps finds for the program,
# plus what the program loads only at run time.
#
# The version is PROJECT_VERSION; TAVELO_DEB_REVISION counts packagings of the
# same version and starts over at 1 with each new one.

if(NOT UNIX OR APPLE)
    return()
endif()

set(TAVELO_DEB_REVISION 1)
set(TAVELO_DEB_MAINTAINER "The Tavelo developers <tavelo@users.noreply.github.com>")
get_directory_property(tavelo_release_date DIRECTORY ${PROJECT_SOURCE_DIR}/data
                       DEFINITION TAVELO_RELEASE_DATE)
set(tavelo_deb_dir ${PROJECT_BINARY_DIR}/debian)
set(tavelo_doc_dir ${CMAKE_INSTALL_DATADIR}/doc/tavelo)

# --- /usr/share/doc/tavelo/copyright -----------------------------------------
# LICENSE in Debian's machine-readable copyright format: the notice's holder
# becomes the Copyright field and the text below it the licence, indented one
# space, with "." for an empty line.

file(READ ${PROJECT_SOURCE_DIR}/LICENSE tavelo_license)
if(NOT tavelo_license MATCHES "^MIT License\n+Copyright \\(c\\) ([^\n]+)\n+(.*)$")
    message(FATAL_ERROR "LICENSE is not the MIT licence with one copyright line; "
                        "update ${CMAKE_CURRENT_LIST_FILE}")
endif()
set(tavelo_copyright_holder "${CMAKE_MATCH_1}")
string(STRIP "${CMAKE_MATCH_2}" tavelo_license_text)
string(REGEX REPLACE "\n\n+" "\n.\n" tavelo_license_text "${tavelo_license_text}")
string(REPLACE "\n" "\n " tavelo_license_text "${tavelo_license_text}")
file(WRITE ${tavelo_deb_dir}/copyright
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: Tavelo
Upstream-Contact: ${TAVELO_DEB_MAINTAINER}

Files: *
Copyright: ${tavelo_copyright_holder}
License: Expat
 ${tavelo_license_text}
")

# --- /usr/share/doc/tavelo/changelog.Debian.gz -------------------------------
# One entry for this version, dated with its release; compressed the way
# Debian wants it: best compression, no file name, no time stamp.

execute_process(COMMAND date -u -R -d "${tavelo_release_date} 00:00:00"
                OUTPUT_VARIABLE tavelo_changelog_date OUTPUT_STRIP_TRAILING_WHITESPACE
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "date could not read the release date \"${tavelo_release_date}\"")
endif()
file(WRITE ${tavelo_deb_dir}/changelog.Debian
"tavelo (${PROJECT_VERSION}-${TAVELO_DEB_REVISION}) unstable; urgency=medium

  * Tavelo ${PROJECT_VERSION} as a Debian package.

 -- ${TAVELO_DEB_MAINTAINER}  ${tavelo_changelog_date}
")
execute_process(COMMAND gzip -9 -n -k -f ${tavelo_deb_dir}/changelog.Debian
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "gzip could not compress ${tavelo_deb_dir}/changelog.Debian")
endif()

# Both go in only when asked for by component, which the package does, so a
# plain "cmake --install" into a home folder leaves them out.
install(FILES ${tavelo_deb_dir}/copyright ${tavelo_deb_dir}/changelog.Debian.gz
        DESTINATION ${tavelo_doc_dir} COMPONENT debian EXCLUDE_FROM_ALL)

# --- The package ---------------------------------------------------------------

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tavelo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION}) # all four numbers; CPack keeps three
set(CPACK_PACKAGE_VENDOR "The Tavelo developers")
set(CPACK_PACKAGE_CONTACT "${TAVELO_DEB_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "viewer for the picture of the day, and wallpaper setter")
set(CPACK_PACKAGE_DESCRIPTION
"Tavelo shows the search engine's picture of the day from one of nine
regional home pages (China, Hong Kong, Japan, France, Germany, United
Kingdom, United States, Canada, Australia) in a window at the picture's own
size.

With one click the picture is saved as a JPEG file or made the desktop
wallpaper, on GNOME, Cinnamon, MATE, KDE Plasma, Xfce, LXQt and desktops
with the wallpaper portal.

The interface speaks Simplified Chinese.")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
# The program's own files, then the Debian ones.
set(CPACK_INSTALL_CMAKE_PROJECTS
    "${PROJECT_BINARY_DIR};${PROJECT_NAME};Unspecified;/"
    "${PROJECT_BINARY_DIR};${PROJECT_NAME};debian;/")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # tavelo_<version>-<revision>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_RELEASE ${TAVELO_DEB_REVISION})
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so dpkg-shlibdeps cannot see them: Qt's Chinese
# translations for its standard buttons, the Song-style face for the Chinese
# captions, and Qt's platform plugin for Wayland sessions.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n, fonts-arphic-uming, qt6-wayland")

include(CPack)
