# The Debian package, built by CPack's DEB generator (scripts/package). Its files form the
# component "deb", which only CPack installs: the programs under /usr/lib/zol5300, the
# command as /usr/bin/zol5300, man pages, desktop entry, AppStream data, icon, docs and the
# service zol5300-serve.
set(pkg_src ${CMAKE_SOURCE_DIR}/packaging)
set(pkg_bin ${CMAKE_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${pkg_bin})

# The changelog's newest entry has to be of this version, or the package would carry a wrong one.
file(STRINGS ${pkg_src}/changelog changelog_top LIMIT_COUNT 1)
if(NOT changelog_top MATCHES "^zol5300 \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "packaging/changelog: the newest entry is not version ${PROJECT_VERSION}")
endif()

install(TARGETS zol5300 Zol5300P1 RUNTIME DESTINATION lib/zol5300 COMPONENT deb EXCLUDE_FROM_ALL)
# Stripped as Debian's own packages are: no symbols, no compiler notes (.comment, .note).
install(CODE "
  foreach(p zol5300 Zol5300P1)
    execute_process(COMMAND ${CMAKE_STRIP} --remove-section=.comment --remove-section=.note
      --strip-unneeded \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/lib/zol5300/\${p}\"
      COMMAND_ERROR_IS_FATAL ANY)
  endforeach()" COMPONENT deb EXCLUDE_FROM_ALL)
file(CREATE_LINK ../lib/zol5300/zol5300 ${pkg_bin}/zol5300 SYMBOLIC)
install(FILES ${pkg_bin}/zol5300 DESTINATION bin COMPONENT deb EXCLUDE_FROM_ALL)

# Man pages, the changelog and the guide (the README) go in compressed, without a time stamp.
set(gz_files)
foreach(src ${pkg_src}/zol5300.1 ${pkg_src}/Zol5300P1.1 ${pkg_src}/changelog
        ${CMAKE_SOURCE_DIR}/README.md)
  get_filename_component(f ${src} NAME)
  add_custom_command(OUTPUT ${pkg_bin}/${f}.gz
    COMMAND sh -c "gzip -9n -c '${src}' > '${pkg_bin}/${f}.gz'"
    DEPENDS ${src} VERBATIM)
  list(APPEND gz_files ${pkg_bin}/${f}.gz)
endforeach()
add_custom_target(zol_package_files ALL DEPENDS ${gz_files})
install(FILES ${pkg_bin}/zol5300.1.gz ${pkg_bin}/Zol5300P1.1.gz DESTINATION share/man/man1
        COMPONENT deb EXCLUDE_FROM_ALL)
install(FILES ${pkg_bin}/changelog.gz ${pkg_bin}/README.md.gz ${pkg_src}/copyright
        DESTINATION share/doc/zol5300
        COMPONENT deb EXCLUDE_FROM_ALL)
# The lintian notes of the release the package is built on: an override that its lintian
# has no use for is itself reported.
file(READ ${pkg_src}/lintian-overrides lintian_overrides)
execute_process(COMMAND appstreamcli --version OUTPUT_VARIABLE appstream_version ERROR_QUIET)
if(appstream_version MATCHES "([0-9]+)\\.[0-9]+" AND CMAKE_MATCH_1 GREATER_EQUAL 1)
  file(READ ${pkg_src}/lintian-overrides-appstream1 more_overrides)
  string(APPEND lintian_overrides "${more_overrides}")
endif()
# Debian 12's lintian asks a service for a System V script too; Debian 13's knows no such tag
# and refuses an override of it.
execute_process(COMMAND lintian-explain-tags package-supports-alternative-init-but-no-init.d-script
                RESULT_VARIABLE sysv_tag_unknown OUTPUT_QUIET ERROR_QUIET)
if(sysv_tag_unknown EQUAL 0)
  file(READ ${pkg_src}/lintian-overrides-sysv-init more_overrides)
  string(APPEND lintian_overrides "${more_overrides}")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${pkg_src}/lintian-overrides
             ${pkg_src}/lintian-overrides-appstream1 ${pkg_src}/lintian-overrides-sysv-init)
file(CONFIGURE OUTPUT ${pkg_bin}/lintian-overrides CONTENT "${lintian_overrides}" @ONLY)
install(FILES ${pkg_bin}/lintian-overrides DESTINATION share/lintian/overrides RENAME zol5300
        COMPONENT deb EXCLUDE_FROM_ALL)
install(FILES ${pkg_src}/zol5300.desktop DESTINATION share/applications
        COMPONENT deb EXCLUDE_FROM_ALL)
install(FILES ${pkg_src}/tw.zol5300.zol5300p1.metainfo.xml DESTINATION share/metainfo
        COMPONENT deb EXCLUDE_FROM_ALL)
install(FILES ${pkg_src}/zol5300.svg DESTINATION share/icons/hicolor/scalable/apps
        COMPONENT deb EXCLUDE_FROM_ALL)

# zol5300 serve as a service: the unit, the script that turns /etc/zol5300/serve.conf into
# options, the settings (a conffile) and the scripts that make and remove its account.
install(FILES ${pkg_src}/serve/zol5300-serve.service DESTINATION lib/systemd/system
        COMPONENT deb EXCLUDE_FROM_ALL)
install(PROGRAMS ${pkg_src}/serve/zol5300-serve-start DESTINATION lib/zol5300
        COMPONENT deb EXCLUDE_FROM_ALL)
install(FILES ${pkg_src}/serve/serve.conf DESTINATION /etc/zol5300 COMPONENT deb EXCLUDE_FROM_ALL)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${pkg_src}/serve/conffiles ${pkg_src}/serve/postinst
    ${pkg_src}/serve/prerm ${pkg_src}/serve/postrm)

set(ZOL_PACKAGE_MAINTAINER "zol5300 maintainers <maintainers@users.noreply.c-seed-91b1be1d.example>"
    CACHE STRING "Maintainer field of the Debian package")
set(CPACK_GENERATOR DEB)
set(CPACK_SOURCE_GENERATOR "")
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};zol5300;deb;/")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
    GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_PACKAGE_NAME zol5300)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${ZOL_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "payment-detail report of a school's fee collection
The query window Zol5300P1 of a school's tuition-and-fee collection
package: office staff choose collection dates, groups, grades, classes,
students, payment methods and fee items and get the report of postal
transfers and counter payments on screen, on paper (A4 landscape), as
PDF or as an Excel workbook. The command zol5300 runs the same report
without a window and sets up a package folder with a desktop launcher.")
# dpkg-shlibdeps finds the linked libraries (libqt6gui6 and libqt6printsupport6 among them,
# which also hold the X11 platform plugin and the CUPS print plugin); what is only loaded at
# run time is named here: the CJK fonts, Qt's further platform plugins, Qt's translations.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# postinst makes the service's account with adduser.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-noto-cjk, qt6-qpa-plugins, qt6-translations-l10n, adduser")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
