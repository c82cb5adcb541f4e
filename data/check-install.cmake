# Installs the build into a scratch prefix with "cmake --install" and checks
# that each file landed in its standard place.
#
#   cmake -DBUILD_DIR=... -DPREFIX=... -DBINDIR=bin -DDATADIR=share
#         -DAPP_ID=... -DVERSION=... -DRELEASE_DATE=... -P check-install.cmake

file(REMOVE_RECURSE ${PREFIX})
unset(ENV{DESTDIR})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install ${BUILD_DIR} --prefix ${PREFIX} failed")
endif()

set(failures "")

function(expect_file path)
    if(NOT EXISTS ${PREFIX}/${path} OR IS_DIRECTORY ${PREFIX}/${path})
        set(failures "${failures}\n  missing: ${path}" PARENT_SCOPE)
    endif()
endfunction()

# The program, where the desktop entry's Exec finds it through PATH.
expect_file(${BINDIR}/tavelo)
if(EXISTS ${PREFIX}/${BINDIR}/tavelo)
    file(GET_RUNTIME_DEPENDENCIES EXECUTABLES ${PREFIX}/${BINDIR}/tavelo
         RESOLVED_DEPENDENCIES_VAR ignored UNRESOLVED_DEPENDENCIES_VAR unresolved)
    if(unresolved)
        string(APPEND failures "\n  ${BINDIR}/tavelo needs libraries that are not found: ${unresolved}")
    endif()
endif()

set(entry ${DATADIR}/applications/${APP_ID}.desktop)
set(metainfo ${DATADIR}/metainfo/${APP_ID}.metainfo.xml)
expect_file(${entry})
foreach(size 16 24 32 48 64 128 256)
    expect_file(${DATADIR}/icons/hicolor/${size}x${size}/apps/${APP_ID}.png)
endforeach()
expect_file(${DATADIR}/icons/hicolor/scalable/apps/${APP_ID}.svg)
expect_file(${metainfo})
expect_file(${DATADIR}/man/man1/tavelo.1.gz)

# The desktop entry starts the installed program and names the installed icon.
if(EXISTS ${PREFIX}/${entry})
    file(STRINGS ${PREFIX}/${entry} exec REGEX "^Exec=")
    if(NOT exec STREQUAL "Exec=tavelo")
        string(APPEND failures "\n  ${entry}: \"${exec}\" instead of \"Exec=tavelo\"")
    endif()
    file(STRINGS ${PREFIX}/${entry} icon REGEX "^Icon=")
    if(NOT icon STREQUAL "Icon=${APP_ID}")
        string(APPEND failures "\n  ${entry}: \"${icon}\" instead of \"Icon=${APP_ID}\"")
    endif()
endif()

# The metadata names this version, and nothing is left unconfigured.
if(EXISTS ${PREFIX}/${metainfo})
    file(READ ${PREFIX}/${metainfo} xml)
    string(REPLACE "." "\\." version_regex "${VERSION}")
    if(NOT xml MATCHES "<release version=\"${version_regex}\" date=\"${RELEASE_DATE}\"/>")
        string(APPEND failures "\n  ${metainfo} does not name release ${VERSION} of ${RELEASE_DATE}")
    endif()
    if(xml MATCHES "@[A-Z_]+@")
        string(APPEND failures "\n  ${metainfo} still holds ${CMAKE_MATCH_0}")
    endif()
endif()

if(failures)
    message(FATAL_ERROR "cmake --install into ${PREFIX}:${failures}")
endif()
message(STATUS "Everything is in its place under ${PREFIX}")
