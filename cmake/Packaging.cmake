# Installs the program as a Debian system would have it and lets CPack build the .deb:
#   bin/vrqtoqx7, bin/vrqtoqx7-report       the executables (the test-data tools stay in the build tree)
#   lib/vrqtoqx7/vrqtoqx7-windows.so        window mode, loaded by bin/vrqtoqx7 from ../lib/vrqtoqx7
#   share/applications/vrqtoqx7.desktop     launcher entry (also the autostart entry for window mode)
#   share/icons/hicolor/scalable/apps/      the icon
#   lib/systemd/user/vrqtoqx7.service       user unit for --service
#   share/man/man1/                          manual pages made from --help by help2man
#   share/doc/vrqtoqx7/copyright, changelog.gz  the licences and the package's history (dist/debian)
include(GNUInstallDirs)

# Installing (and so CPack) takes what is built and builds nothing itself: the package test runs after
# the build and would otherwise rebuild every test program first.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(VRQ_DIST_DIR ${PROJECT_SOURCE_DIR}/dist)

install(TARGETS vrqtoqx7 RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(VRQ_WITH_UI)
    install(TARGETS vrqtoqx7-report RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(TARGETS vrqtoqx7-windows LIBRARY DESTINATION lib/vrqtoqx7)
    install(FILES ${VRQ_DIST_DIR}/vrqtoqx7.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${VRQ_DIST_DIR}/vrqtoqx7.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

# The unit names the installed program by its full path, as systemd requires. It is made at install
# time, when the prefix is known: /usr/local for `cmake --install`, /usr inside the .deb.
set(VRQ_UNIT_FILE ${CMAKE_CURRENT_BINARY_DIR}/dist/vrqtoqx7.service)
install(CODE "
    set(VRQ_INSTALLED_PROGRAM \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/vrqtoqx7\")
    configure_file(\"${VRQ_DIST_DIR}/vrqtoqx7.service.in\" \"${VRQ_UNIT_FILE}\" @ONLY)")
# Debian's user units live under /usr/lib whatever the library folder of the architecture is.
install(FILES ${VRQ_UNIT_FILE} DESTINATION lib/systemd/user)

# Manual pages: the programs' own --help and the sections of dist/*.h2m, so the page never disagrees
# with the program. help2man runs the built program, which prints its help without a display.
find_program(HELP2MAN help2man)
file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/dist)
find_program(GZIP gzip)
function(vrq_add_manual_page target)
    set(page ${CMAKE_CURRENT_BINARY_DIR}/dist/${target}.1)
    add_custom_command(OUTPUT ${page}.gz
        COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
                ${HELP2MAN} --no-info --version-string=${PROJECT_VERSION}
                --include=${VRQ_DIST_DIR}/${target}.h2m --output=${page} $<TARGET_FILE:${target}>
        COMMAND ${GZIP} -9nf ${page}
        DEPENDS ${target} ${VRQ_DIST_DIR}/${target}.h2m
        COMMENT "Manual page ${target}(1)"
        VERBATIM)
    add_custom_target(${target}_manual ALL DEPENDS ${page}.gz)
    install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()
if(VRQ_SANITIZE OR VRQ_FUZZ)
    # Sanitizer builds are never installed, and their programs may report at exit what help2man would read.
elseif(HELP2MAN AND GZIP)
    vrq_add_manual_page(vrqtoqx7)
    if(VRQ_WITH_UI)
        vrq_add_manual_page(vrqtoqx7-report)
    endif()
else()
    message(WARNING "help2man not found: the manual pages are neither built nor installed "
                    "(scripts/setup.sh installs it).")
endif()

# The copyright file and the changelog of a native package (gzip -9n: no name or time stamp in it), where
# dpkg and lintian look for them. The changelog's first entry is the version being packaged.
set(VRQ_DEB_DIR ${VRQ_DIST_DIR}/debian)
set(VRQ_DEB_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/vrqtoqx7)
file(STRINGS ${VRQ_DEB_DIR}/changelog VRQ_CHANGELOG_TOP LIMIT_COUNT 1)
if(NOT VRQ_CHANGELOG_TOP MATCHES "^vrqtoqx7 \\(${PROJECT_VERSION}\\) ")
    message(FATAL_ERROR "dist/debian/changelog does not begin with an entry for ${PROJECT_VERSION}: "
                        "\"${VRQ_CHANGELOG_TOP}\"")
endif()
# Compressed when the build is configured (again after each change of the changelog), so that packages
# built side by side never read it half written.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${VRQ_DEB_DIR}/changelog)
set(VRQ_CHANGELOG_GZ ${CMAKE_CURRENT_BINARY_DIR}/dist/changelog.gz)
execute_process(COMMAND ${GZIP} -9nc ${VRQ_DEB_DIR}/changelog OUTPUT_FILE ${VRQ_CHANGELOG_GZ}
                RESULT_VARIABLE VRQ_CHANGELOG_GZIPPED)
if(NOT VRQ_CHANGELOG_GZIPPED EQUAL 0)
    message(FATAL_ERROR "gzip could not compress dist/debian/changelog (${VRQ_CHANGELOG_GZIPPED})")
endif()
install(FILES ${VRQ_DEB_DIR}/copyright ${VRQ_CHANGELOG_GZ} DESTINATION ${VRQ_DEB_DOC_DIR})

# The .deb: shared-library dependencies come from dpkg-shlibdeps (Qt 6, SQLite, the C++ runtime; the Qt
# print plugin brings the CUPS client library). The print server, the fonts the printouts name, and the
# tools the README uses for the store and the host share are recommended or suggested, not required:
# a headless site runs without them.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vrqtoqx7)
set(CPACK_PACKAGE_VENDOR "VRQToQX7")
# A site that builds its own package names itself here (-DVRQ_PACKAGE_MAINTAINER="Name <address>").
set(VRQ_PACKAGE_MAINTAINER "VRQToQX7 maintainers <maintainers@vrqtoqx7.example.org>"
    CACHE STRING "Maintainer field of the .deb: a name and a mail address that reaches a person")
set(CPACK_PACKAGE_CONTACT "${VRQ_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VRQ_PACKAGE_MAINTAINER}")
# CPack puts the summary on the first line and the lines below after it, each indented by one blank.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "turns sales-call data into order files for the QX7 host")
string(JOIN "\n" CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "A resident workstation program: it takes the calls an upstream collection"
    "program appends to DataBin.Dat (or drops as files into a scanned folder),"
    "stores them in an embedded database and writes each good call as one"
    "fixed-width order file into the host's folder on a network drive. It runs"
    "with its Calls window, or without windows as a systemd user service or"
    "from cron.")
set(CPACK_STRIP_FILES ON)
# Staged with DESTDIR under the real prefix /usr, so the install code sees the path the unit names.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The package's own maintainer scripts. They also take the place of the ones CPack would write to run
# ldconfig for the window module under lib/vrqtoqx7, which is private to the program: no other program
# links it, and ldconfig does not look in that folder.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${VRQ_DEB_DIR}/postinst ${VRQ_DEB_DIR}/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "cups, fonts-liberation")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "sqlite3, cifs-utils, postgresql")
set(CPACK_DEBIAN_COMPRESSION_TYPE gzip)
include(CPack)
