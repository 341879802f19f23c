# `make package`: a Debian package of the program, built by CPack.
#
# The program and its shipped files live together in /usr/lib/korvane/ (the program finds
# them beside its executable); /usr/bin holds links to the two programs. The installed folder
# is not writable for users, so each user's program folder is their own data folder.
if(NOT KORVANE_BUILD_UI)
  return()
endif()

set(KORVANE_INSTALL_DIR lib/korvane)
# Installing (and so packaging) needs only what is installed, not every test and benchmark;
# `make package` builds first.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

install(TARGETS korvane korvane-cli RUNTIME DESTINATION ${KORVANE_INSTALL_DIR})
install(FILES
  "${PROJECT_SOURCE_DIR}/resources/providers/mass.txt"
  "${PROJECT_SOURCE_DIR}/resources/工资表样例.xls"
  DESTINATION ${KORVANE_INSTALL_DIR})
install(DIRECTORY "${PROJECT_SOURCE_DIR}/resources/help" DESTINATION ${KORVANE_INSTALL_DIR})
install(FILES "${PROJECT_SOURCE_DIR}/packaging/korvane.desktop" DESTINATION share/applications)
install(FILES "${PROJECT_SOURCE_DIR}/resources/icons/app.svg"
  DESTINATION share/icons/hicolor/scalable/apps RENAME korvane.svg)
# Relative links, so an unpacked package runs from any root.
install(CODE "
  set(bin \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin\")
  file(MAKE_DIRECTORY \"\${bin}\")
  foreach(program korvane korvane-cli)
    file(CREATE_LINK \"../${KORVANE_INSTALL_DIR}/\${program}\" \"\${bin}/\${program}\" SYMBOLIC)
  endforeach()
")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME korvane)
set(CPACK_PACKAGE_VENDOR "Korvane")
set(CPACK_PACKAGE_CONTACT "Korvane <feedback@korvane.cn>")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "payslips from a payroll workbook, mailed to each employee")
set(CPACK_PACKAGE_DESCRIPTION "Korvane reads a payroll workbook (.xls/.xlsx) in which every \
employee row carries an e-mail address, renders one HTML payslip per employee and mails them \
one by one through the user's own SMTP accounts. All texts are Chinese.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What dpkg-shlibdeps cannot see: plug-ins Qt loads at run time, the helper process of the
# embedded HTML view, the certificates for TLS, a font for the Chinese texts. shlibdeps
# appends the libraries' packages to these.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "libqt6sql6-sqlite, qt6-qpa-plugins, libqt6webenginecore6-bin, ca-certificates, fonts-noto-cjk | fonts-wqy-microhei | fonts-wqy-zenhei")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, xdg-utils")
include(CPack)
