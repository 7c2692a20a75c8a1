# Install layout and the Debian package. The programs live in one folder with Relatorios/
# beside them (the program finds its report definition there); /usr/bin gets links to them.
include(GNUInstallDirs)
set(QUORVEL_INSTALL_DIR ${CMAKE_INSTALL_LIBDIR}/quorvel)
# Documentation under the package name, where Debian keeps it (GNUInstallDirs would take the
# project's name, Quorvel).
set(QUORVEL_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/quorvel)

install(DIRECTORY ${PROJECT_SOURCE_DIR}/Relatorios DESTINATION ${QUORVEL_INSTALL_DIR} PATTERN README.txt EXCLUDE)
foreach(program quorvel quorvel-batch)
  install(TARGETS ${program} RUNTIME DESTINATION ${QUORVEL_INSTALL_DIR})
  # Stripping (cpack, install --strip) leaves the compilers' notes, which Debian removes too.
  install(CODE "
    if(CMAKE_INSTALL_DO_STRIP)
      execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment --remove-section=.note
        \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${QUORVEL_INSTALL_DIR}/${program}\")
    endif()
    file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    file(CREATE_LINK \"../${QUORVEL_INSTALL_DIR}/${program}\"
         \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${program}\" SYMBOLIC)")
endforeach()
# The desktop entry and the program icon, where desktops look for them.
install(FILES ${PROJECT_SOURCE_DIR}/src/app/quorvel.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size 16 32 48 64 128)
  install(FILES ${PROJECT_SOURCE_DIR}/src/app/resources/icons/quorvel-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME quorvel.png)
endforeach()
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/ DESTINATION ${QUORVEL_DOC_DIR}/examples)

# Debian's documentation files: the copyright in its machine-readable form and the changelog,
# compressed the way dpkg tools do it (gzip -9n: no name or time stamp).
set(QUORVEL_DEBIAN_DIR ${PROJECT_SOURCE_DIR}/packaging/debian)
find_program(GZIP_PROGRAM gzip REQUIRED)
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/packaging/changelog.Debian.gz
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/packaging
  COMMAND ${CMAKE_COMMAND} -E copy ${QUORVEL_DEBIAN_DIR}/changelog ${PROJECT_BINARY_DIR}/packaging/changelog.Debian
  COMMAND ${GZIP_PROGRAM} -9nf ${PROJECT_BINARY_DIR}/packaging/changelog.Debian
  DEPENDS ${QUORVEL_DEBIAN_DIR}/changelog VERBATIM)
add_custom_target(debian_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/packaging/changelog.Debian.gz)
install(FILES ${QUORVEL_DEBIAN_DIR}/copyright ${PROJECT_BINARY_DIR}/packaging/changelog.Debian.gz
        DESTINATION ${QUORVEL_DOC_DIR})
install(FILES ${QUORVEL_DEBIAN_DIR}/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME quorvel)

# Manual pages, made at build time from each program's --help by help2man.
find_program(HELP2MAN_PROGRAM help2man REQUIRED)
set(man_pages)
set(man_common ${PROJECT_SOURCE_DIR}/docs/man/common.h2m)
foreach(program quorvel quorvel-batch)
  set(page ${PROJECT_BINARY_DIR}/man/${program}.1)
  set(include ${PROJECT_SOURCE_DIR}/docs/man/${program}.h2m)
  set(no_help OFF)
  if(program STREQUAL quorvel)
    set(no_help ON)   # the window program has no command line
  endif()
  add_custom_command(OUTPUT ${page} ${page}.gz
    COMMAND ${CMAKE_COMMAND} -DHELP2MAN=${HELP2MAN_PROGRAM} -DGZIP=${GZIP_PROGRAM}
            -DPROGRAM=$<TARGET_FILE:${program}> -DVERSION=${PROJECT_VERSION} -DOUTPUT=${page}
            -DINCLUDES=${include}$<SEMICOLON>${man_common} -DNO_HELP=${no_help}
            -P ${PROJECT_SOURCE_DIR}/cmake/ManPage.cmake
    DEPENDS ${program} ${include} ${man_common} ${PROJECT_SOURCE_DIR}/cmake/ManPage.cmake
    COMMENT "Manual page ${program}(1)" VERBATIM)
  list(APPEND man_pages ${page}.gz)
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
add_custom_target(man_pages ALL DEPENDS ${man_pages})

install(FILES ${PROJECT_SOURCE_DIR}/tools/quorvel-batch.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME quorvel-batch)
# The hot-folder watcher as a systemd user unit, one instance per folder.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/quorvel-watch@.service DESTINATION lib/systemd/user)
install(FILES ${PROJECT_SOURCE_DIR}/src/app/org.example.quorvel.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The Debian revision comes from the newest changelog entry, whose upstream part must be the
# project's version.
file(STRINGS ${QUORVEL_DEBIAN_DIR}/changelog changelog_top LIMIT_COUNT 1)
if(NOT changelog_top MATCHES "^quorvel \\(([^-]+)-([^)]+)\\)")
  message(FATAL_ERROR "packaging/debian/changelog: no version in its first line")
endif()
if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "packaging/debian/changelog is at ${CMAKE_MATCH_1}, the project at ${PROJECT_VERSION}")
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_RELEASE ${CMAKE_MATCH_2})
set(CPACK_PACKAGE_CONTACT "Quorvel developers <dev@quorvel.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Prints product labels from a shop's label import file")
set(CPACK_PACKAGE_DESCRIPTION [[
Quorvel turns the label import file that a shop's ERP writes (one product per
line, with its bar code, price and the number of labels wanted) into printed
product labels. The operator picks the file, reviews and corrects the items in
a grid and prints: every item is repeated by its quantity, laid out by a report
definition kept beside the program, shown in a preview and printed or saved as
PDF.

The package also holds quorvel-batch, which imports, lists and prints label
files from the command line without a display, for automation and for checking
report definitions.]])
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://quorvel.example.org/)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own translations put the file dialog and the standard buttons in the desktop's language.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation2, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Stripped programs; the debug symbols stay in the build tree, out of the package.
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
include(CPack)
