# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package: `cpack -G DEB` in the build directory (scripts/package.sh makes a release
# build and the package). The programs install themselves (src/main); here is what a desktop and
# dpkg want beside them.
include(GNUInstallDirs)

set(lyr_deb ${PROJECT_SOURCE_DIR}/packaging/deb)
set(lyr_doc ${CMAKE_INSTALL_DATADIR}/doc/lyr-messenger)
set(lyr_man_pages lyrnet.1)
if(LYR_BUILD_UI)
    list(APPEND lyr_man_pages lyrmessenger.1)
endif()

set(CPACK_PACKAGE_CONTACT "Lyr Messenger maintainers <maintainers@users.noreply.c-seed-cc6d1aed.example>")

# Debian keeps manual pages and the changelog compressed, without a time stamp (gzip -n) so that
# builds repeat.
set(lyr_package_files)
function(lyr_install_gzipped source destination)
    get_filename_component(name ${source} NAME)
    set(copy ${CMAKE_CURRENT_BINARY_DIR}/gzipped/${name})
    add_custom_command(OUTPUT ${copy}.gz
                       COMMAND ${CMAKE_COMMAND} -E copy ${source} ${copy}
                       COMMAND gzip -9nf ${copy}
                       DEPENDS ${source} VERBATIM)
    set(lyr_package_files ${lyr_package_files} ${copy}.gz PARENT_SCOPE)
    install(FILES ${copy}.gz DESTINATION ${destination})
endfunction()
foreach(page ${lyr_man_pages})
    lyr_install_gzipped(${PROJECT_SOURCE_DIR}/resources/man/${page} ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
# The package is native: its changelog is the program's. The date honours SOURCE_DATE_EPOCH.
string(TIMESTAMP lyr_changelog_date "%a, %d %b %Y 00:00:00 +0000" UTC)
configure_file(${lyr_deb}/changelog.in ${CMAKE_CURRENT_BINARY_DIR}/changelog @ONLY)
lyr_install_gzipped(${CMAKE_CURRENT_BINARY_DIR}/changelog ${lyr_doc})

if(LYR_BUILD_UI)
    # The icon is the "active" tray image, drawn for the icon theme by the tray art's generator.
    find_package(Python3 COMPONENTS Interpreter REQUIRED)
    set(icons ${CMAKE_CURRENT_BINARY_DIR}/icons)
    set(icon_files ${icons}/scalable/apps/lyrmessenger.svg)
    foreach(size 16 32 48 64 128 256)
        list(APPEND icon_files ${icons}/${size}x${size}/apps/lyrmessenger.png)
    endforeach()
    add_custom_command(OUTPUT ${icon_files}
                       COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/resources/make_app_icon.py ${icons}
                       DEPENDS ${PROJECT_SOURCE_DIR}/resources/make_app_icon.py
                               ${PROJECT_SOURCE_DIR}/resources/make_tray_art.py VERBATIM)
    list(APPEND lyr_package_files ${icon_files})
    install(DIRECTORY ${icons}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
    # The release in the AppStream data is the project's version and release date.
    configure_file(${PROJECT_SOURCE_DIR}/resources/org.zendry.lyrmessenger.metainfo.xml.in
                   ${CMAKE_CURRENT_BINARY_DIR}/org.zendry.lyrmessenger.metainfo.xml @ONLY)
    install(FILES ${CMAKE_CURRENT_BINARY_DIR}/org.zendry.lyrmessenger.metainfo.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()
# The licence: the machine-readable copyright file names it; the text is the system's own
# GPL-3, as Debian policy wants.
install(FILES ${lyr_deb}/copyright DESTINATION ${lyr_doc})
# The firewall front ends' own descriptions of the ports the messenger receives on, where ufw and
# firewalld look for them: "ufw allow 'Lyr Messenger'", "firewall-cmd --add-service=lyr-messenger".
install(FILES ${PROJECT_SOURCE_DIR}/packaging/firewall/lyr-messenger DESTINATION /etc/ufw/applications.d)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/firewall/lyr-messenger.xml
        DESTINATION lib/firewalld/services)

# Everything the package holds: scripts/package.sh builds this and not the tests.
add_custom_target(lyr_package_files ALL DEPENDS ${lyr_package_files})
add_dependencies(lyr_package_files lyrnet)
if(LYR_BUILD_UI)
    add_dependencies(lyr_package_files lyrmessenger)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lyr-messenger)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Zendry)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "popup messenger for the local network, without a server")
# The summary comes first in the control file; an empty line separates paragraphs.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Zendry Messenger sends short texts that pop up on the receiving screen: to one
computer, to a workgroup or to the whole network. It speaks the Windows
messenger datagram format (the messngr mailslot over NetBIOS datagrams), so
it talks to its own copies and to Windows computers that send or receive
network messages. It answers automatically while its user is busy, picks
addressees from the network neighbourhood and lives in the tray.

The package holds the desktop program lyrmessenger and its command-line
companion lyrnet, and grants both the capability to bind the NetBIOS ports.")
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Beside the libraries: setcap for the maintainer script, Qt's Russian texts for the dialogs.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libcap2-bin, qt6-translations-l10n")
# Recommended: the Wayland platform, and the sound theme whose events the program plays.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, sound-theme-freedesktop")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA "${lyr_deb}/postinst;${lyr_deb}/conffiles")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
