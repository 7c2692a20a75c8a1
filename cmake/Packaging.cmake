# Install layout and the Debian package. The programs live in one folder with Relatorios/
# beside them (the program finds its report definition there); /usr/bin gets links to them.
# Documentation under the package name, where Debian keeps it.
set(CMAKE_INSTALL_DOCDIR share/doc/quorvel CACHE PATH "Documentation folder")
include(GNUInstallDirs)
set(QUORVEL_INSTALL_DIR ${CMAKE_INSTALL_LIBDIR}/quorvel)

install(DIRECTORY ${PROJECT_SOURCE_DIR}/Relatorios DESTINATION ${QUORVEL_INSTALL_DIR})
foreach(program quorvel quorvel-batch)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${QUORVEL_INSTALL_DIR})
    install(CODE "
      file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
      file(CREATE_LINK \"../${QUORVEL_INSTALL_DIR}/${program}\"
           \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${program}\" SYMBOLIC)")
  endif()
endforeach()
# The desktop entry and the program icon, where desktops look for them.
if(TARGET quorvel AND EXISTS ${PROJECT_SOURCE_DIR}/src/app/quorvel.desktop)
  install(FILES ${PROJECT_SOURCE_DIR}/src/app/quorvel.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  foreach(size 16 32 48 64 128)
    install(FILES ${PROJECT_SOURCE_DIR}/src/app/resources/icons/quorvel-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME quorvel.png)
  endforeach()
endif()
if(EXISTS ${PROJECT_SOURCE_DIR}/examples)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Quorvel developers <dev@quorvel.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Prints product labels from a shop's label import file")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation2")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
include(CPack)
