# Installed layout: the program folder <prefix>/lib/sonaro-klient holds the
# program and its audio library side by side (the program loads the library
# from its own folder); <prefix>/bin has a launcher link and the service.
include(GNUInstallDirs)

set(SONARO_PROGRAM_DIR lib/sonaro-klient)
set(_packaging ${CMAKE_SOURCE_DIR}/packaging)

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
install(FILES ${_packaging}/sonaro-klient.1
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
install(FILES ${_packaging}/sonaro-service.1
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT service)
install(FILES ${_packaging}/sonaro-service.service
        DESTINATION lib/systemd/system COMPONENT service)
install(FILES ${_packaging}/sonaro-service.conf
        DESTINATION ${CMAKE_INSTALL_FULL_SYSCONFDIR}/sonaro COMPONENT service)

# Debian packages, one per component: scripts/package builds them.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME sonaro)
set(CPACK_PACKAGE_VENDOR "Sonaro")
set(CPACK_PACKAGE_CONTACT "Sonaro developers <dev@sonaro.invalid>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL client service)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
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
set(CPACK_DEBIAN_SERVICE_PACKAGE_CONTROL_EXTRA
    ${_packaging}/debian/service/conffiles
    ${_packaging}/debian/service/postinst
    ${_packaging}/debian/service/prerm
    ${_packaging}/debian/service/postrm)
set(CPACK_DEBIAN_SERVICE_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
