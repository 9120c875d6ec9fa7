# The Debian package (cpack -G DEB in the build folder): both programs, the program
# data, desktop entry, icons, AppStream metadata, manual pages, copyright and changelog,
# with dependencies taken from the binaries (dpkg-shlibdeps) plus the tools the programs
# run themselves.

# The release these files describe; set with the version.
set(VENDORA_RELEASE_DATE 2026-12-07)
set(VENDORA_VERSION_TEXT "${VENDORA_VERSION_MAJOR}.${VENDORA_VERSION_MINOR}b${VENDORA_BUILD}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})

# Manual pages and the changelog are compressed as Debian wants them (gzip -9n: no
# name or time stamp inside, so the same sources give the same package).
find_program(GZIP_PROGRAM gzip REQUIRED)
set(PACKAGING_OUT ${CMAKE_BINARY_DIR}/packaging)
foreach(page vendora vendora-cli)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/${page}.1.in ${PACKAGING_OUT}/${page}.1 @ONLY)
  execute_process(COMMAND ${GZIP_PROGRAM} -9nc ${PACKAGING_OUT}/${page}.1 OUTPUT_FILE ${PACKAGING_OUT}/${page}.1.gz
                  COMMAND_ERROR_IS_FATAL ANY)
endforeach()
configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog.in ${PACKAGING_OUT}/changelog @ONLY)
execute_process(COMMAND ${GZIP_PROGRAM} -9nc ${PACKAGING_OUT}/changelog OUTPUT_FILE ${PACKAGING_OUT}/changelog.gz
                COMMAND_ERROR_IS_FATAL ANY)

install(FILES ${PACKAGING_OUT}/vendora-cli.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright ${PACKAGING_OUT}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vendora)
if(VENDORA_HAVE_QT)
  install(FILES ${PACKAGING_OUT}/vendora.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/example.vendora.Vendora.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vendora)
set(CPACK_PACKAGE_VENDOR "Tolm!")
set(CPACK_PACKAGE_CONTACT "Vendora-Entwicklung <vendora@vendora.example>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.vendora.example/")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop shop builder generating Perl web shops")
# CPack puts the summary first; this is the extended description below it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Vendora keeps a merchant's whole web shop in one SQLite shop file: company
data, catalogue, prices, payment, shipping, taxes, texts, look and server
settings. It generates a complete web shop from it (Perl CGI scripts,
catalogue data files, configuration, entry page, pictures and thumbnails),
previews it, runs it locally under lighttpd for a trial order and publishes
it to the web host over FTP or FTPS, sending only what changed.
.
The package holds the German desktop program vendora (Qt 6) and the command
line program vendora-cli.")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Run by the programs rather than linked: Perl for the generated shop's scripts,
# Qt's German texts; lighttpd for "serve" and xdg-open for the browser are
# recommended, as a system web server is not everyone's wish.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "perl, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "lighttpd, xdg-utils")
include(CPack)
