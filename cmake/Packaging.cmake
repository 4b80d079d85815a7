# The installed form: program, data, desktop entry, icons, AppStream metadata, manual pages and the
# headless user service, and the Debian package that CPack builds from them (cpack -G DEB).
# Configure with -DCMAKE_INSTALL_PREFIX=/usr for the package: the data folder is compiled in.
set(KELVANE_PACKAGING_SOURCE "${PROJECT_SOURCE_DIR}/packaging")
set(KELVANE_PACKAGING_BINARY "${PROJECT_BINARY_DIR}/packaging")
set(KELVANE_APP_ID org.kelvane.Kelvane)

install(FILES "${KELVANE_PACKAGING_SOURCE}/${KELVANE_APP_ID}.desktop"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
install(FILES "${KELVANE_PACKAGING_SOURCE}/icons/${KELVANE_APP_ID}.svg"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps")
foreach(size 16 24 32 48 64 128 256)
    install(FILES "${KELVANE_PACKAGING_SOURCE}/icons/${size}x${size}/${KELVANE_APP_ID}.png"
            DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps")
endforeach()

configure_file("${KELVANE_PACKAGING_SOURCE}/${KELVANE_APP_ID}.metainfo.xml.in"
               "${KELVANE_PACKAGING_BINARY}/${KELVANE_APP_ID}.metainfo.xml" @ONLY)
install(FILES "${KELVANE_PACKAGING_BINARY}/${KELVANE_APP_ID}.metainfo.xml"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")

# systemd looks for user units below the prefix's lib, whatever the architecture's library folder.
configure_file("${KELVANE_PACKAGING_SOURCE}/kelvane-headless@.service.in"
               "${KELVANE_PACKAGING_BINARY}/kelvane-headless@.service" @ONLY)
install(FILES "${KELVANE_PACKAGING_BINARY}/kelvane-headless@.service" DESTINATION lib/systemd/user)

# Manual pages and the changelog compressed the way Debian wants them: best compression and no
# name or time stamp in the header, so that the same source gives the same bytes.
function(kelvane_install_gzipped source destination)
    get_filename_component(name "${source}" NAME)
    configure_file("${source}" "${KELVANE_PACKAGING_BINARY}/${name}" @ONLY)
    execute_process(COMMAND gzip -9n -c "${KELVANE_PACKAGING_BINARY}/${name}"
                    OUTPUT_FILE "${KELVANE_PACKAGING_BINARY}/${name}.gz" COMMAND_ERROR_IS_FATAL ANY)
    install(FILES "${KELVANE_PACKAGING_BINARY}/${name}.gz" DESTINATION "${destination}")
endfunction()
kelvane_install_gzipped("${KELVANE_PACKAGING_SOURCE}/man/kelvane.1" "${CMAKE_INSTALL_MANDIR}/man1")
kelvane_install_gzipped("${KELVANE_PACKAGING_SOURCE}/man/kelvane-devsim.1" "${CMAKE_INSTALL_MANDIR}/man1")
kelvane_install_gzipped("${KELVANE_PACKAGING_SOURCE}/changelog" "${CMAKE_INSTALL_DATADIR}/doc/kelvane")
install(FILES "${KELVANE_PACKAGING_SOURCE}/copyright" DESTINATION "${CMAKE_INSTALL_DATADIR}/doc/kelvane")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kelvane)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "The Kelvane developers")
set(CPACK_PACKAGE_CONTACT "The Kelvane developers <developers@kelvane.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "take values from a balance and deliver them into your software")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Kelvane reads the records a balance or another measuring device sends over a\n"
    "serial port or TCP/IP, checks stability and tolerances, and delivers each\n"
    "accepted value as keystrokes into a chosen window, over D-Bus, or into a\n"
    "workbook, a text file or a database table. It runs with a window or\n"
    "headless, as a systemd user service.")
set(CPACK_PACKAGING_INSTALL_PREFIX "${CMAKE_INSTALL_PREFIX}")
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://kelvane.org")
# The libraries the programs link come from dpkg-shlibdeps. Qt loads its platform and SQL drivers
# as plugins at run time, where dpkg-shlibdeps cannot see them: those are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6sql6-sqlite")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libqt6sql6-psql")
include(CPack)
