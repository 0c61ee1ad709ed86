# Installed layout: the program folder <prefix>/lib/sonaro-klient holds the
# program and its audio library side by side (the program loads the library
# from its own folder); <prefix>/bin has a launcher link and the service.
include(GNUInstallDirs)

set(SONARO_PROGRAM_DIR lib/sonaro-klient)
set(_packaging ${CMAKE_SOURCE_DIR}/packaging)
set(_generated ${CMAKE_BINARY_DIR}/packaging)

# Debian wants manual pages and changelogs compressed; -n leaves out the
# name and time, so the same source always gives the same bytes.
find_program(SONARO_GZIP gzip REQUIRED)
set(_compressed)
function(sonaro_gzip source output)
    add_custom_command(OUTPUT ${output}
        COMMAND sh -c "\"$0\" -9n -c \"$1\" >\"$2.tmp\" && mv \"$2.tmp\" \"$2\""
                ${SONARO_GZIP} ${source} ${output}
        DEPENDS ${source} VERBATIM)
    set(_compressed ${_compressed} ${output} PARENT_SCOPE)
endfunction()
sonaro_gzip(${_packaging}/sonaro-klient.1 ${_generated}/sonaro-klient.1.gz)
sonaro_gzip(${_packaging}/sonaro-service.1 ${_generated}/sonaro-service.1.gz)
sonaro_gzip(${_packaging}/debian/changelog ${_generated}/changelog.Debian.gz)
add_custom_target(sonaro-compressed-docs ALL DEPENDS ${_compressed})

if(TARGET sonaro-klient)
    install(TARGETS sonaro-klient RUNTIME DESTINATION ${SONARO_PROGRAM_DIR} COMPONENT client)
    # A relative link, so the tree works under any prefix and DESTDIR.
    install(CODE "
        set(_bin \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
        file(MAKE_DIRECTORY \"\${_bin}\")
        file(CREATE_LINK ../${SONARO_PROGRAM_DIR}/sonaro-klient \"\${_bin}/sonaro-klient\" SYMBOLIC)
        message(STATUS \"Installing: \${_bin}/sonaro-klient -> ../${SONARO_PROGRAM_DIR}/sonaro-klient\")
    " COMPONENT client)
endif()
if(TARGET sonaroaudio)
    install(TARGETS sonaroaudio LIBRARY DESTINATION ${SONARO_PROGRAM_DIR} COMPONENT client)
endif()
# Named after the AppStream ID, as desktops expect.
install(FILES ${_packaging}/io.github.sonaro.Klient.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT client)
install(FILES ${_packaging}/io.github.sonaro.Klient.mime.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME io.github.sonaro.Klient.xml COMPONENT client)
install(FILES ${_generated}/sonaro-klient.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT client)
install(FILES ${_packaging}/io.github.sonaro.Klient.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT client)
install(FILES ${_packaging}/icons/sonaro-klient.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT client)
foreach(size 16 32 48 64 128 256)
    install(FILES ${_packaging}/icons/sonaro-klient-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME sonaro-klient.png COMPONENT client)
endforeach()

if(TARGET sonaro-service)
    install(TARGETS sonaro-service RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT service)
endif()
install(FILES ${_generated}/sonaro-service.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT service)
install(FILES ${_packaging}/sonaro-service.service
        DESTINATION lib/systemd/system COMPONENT service)
install(FILES ${_packaging}/sonaro-service.conf
        DESTINATION ${CMAKE_INSTALL_FULL_SYSCONFDIR}/sonaro COMPONENT service)
# The nginx site is an example to copy and adjust (names, instance
# addresses, music folder), not a working configuration of nginx, which the
# service does not need: so no conffile in nginx's own folder.
install(FILES ${_packaging}/sonaro-service.nginx
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/sonaro-service/examples COMPONENT service)
# Names the configuration where it is installed: /etc for prefix /usr,
# <prefix>/etc otherwise.
configure_file(${_packaging}/debian/service/conffiles.in ${_generated}/debian/service/conffiles @ONLY)

# Each package carries the licence, the packaging changelog and the
# lintian warnings it has been reviewed for.
foreach(_package client:sonaro-klient service:sonaro-service)
    string(REPLACE ":" ";" _package ${_package})
    list(GET _package 0 _component)
    list(GET _package 1 _name)
    install(FILES ${_packaging}/debian/copyright ${_generated}/changelog.Debian.gz
            DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${_name} COMPONENT ${_component})
    install(FILES ${_packaging}/debian/${_name}.lintian-overrides
            DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME ${_name} COMPONENT ${_component})
endforeach()

# Debian packages, one per component: scripts/package builds them.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME sonaro)
set(CPACK_PACKAGE_VENDOR "Sonaro")
set(CPACK_PACKAGE_CONTACT "Sonaro developers <dev@sonaro.invalid>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
# The packaging revision: it must match the top entry of
# packaging/debian/changelog (the install test compares them).
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SOURCE sonaro)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL client service)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
# CPack indents the lines after the synopsis itself.
set(CPACK_DEBIAN_CLIENT_PACKAGE_NAME sonaro-klient)
set(CPACK_DEBIAN_CLIENT_DESCRIPTION "Desktop client of an MP3 search service
Searches an MP3 service, streams tracks with a real player, downloads
files, rates tracks and keeps playlists. The user interface is Czech.")
# The windowing plug-ins are loaded at run time, so shlibdeps cannot see them.
set(CPACK_DEBIAN_CLIENT_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_CLIENT_PACKAGE_RECOMMENDS "qt6-translations-l10n")
set(CPACK_DEBIAN_SERVICE_PACKAGE_NAME sonaro-service)
set(CPACK_DEBIAN_SERVICE_DESCRIPTION "MP3 search service for Sonaro Klient
Serves a folder of MP3 files to Sonaro Klient: search by name, artist,
album and bit rate, ratings, and the files themselves.")
# The maintainer scripts need no dependency for deb-systemd-helper: its
# package, init-system-helpers, counts as essential.
set(CPACK_DEBIAN_SERVICE_PACKAGE_CONTROL_EXTRA
    ${_generated}/debian/service/conffiles
    ${_packaging}/debian/service/postinst
    ${_packaging}/debian/service/prerm
    ${_packaging}/debian/service/postrm)
set(CPACK_DEBIAN_SERVICE_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
