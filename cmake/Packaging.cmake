# Debian packages (cpack -G DEB, scripts/package.sh): one per component.
#   culinarotable       the console workstation, culinarotable-admin, the texts file
#   culinarotable-desk  the window (only when the desk program is built)
#   kivserver           the relay server, its systemd unit and settings file
include(GNUInstallDirs)

set(CT_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)

install(TARGETS culinarotable culinarotable-admin RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        COMPONENT culinarotable)
install(FILES ${PROJECT_SOURCE_DIR}/cfg/KIV_ML.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/culinarotable COMPONENT culinarotable)
install(FILES ${PROJECT_SOURCE_DIR}/README.md
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/culinarotable COMPONENT culinarotable)

set(CT_PACKAGE_COMPONENTS culinarotable kivserver)
if(TARGET culinarotable-desk)
  install(TARGETS culinarotable-desk RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
          COMPONENT desk)
  install(FILES ${PROJECT_SOURCE_DIR}/cfg/culinarotable-desk.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT desk)
  list(APPEND CT_PACKAGE_COMPONENTS desk)
endif()

install(TARGETS kivserver RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT kivserver)
# The unit names the program where it is installed: the prefix is known only
# when installing (cpack installs under /usr, cmake --install under its
# --prefix), so the unit is written then.
install(CODE "
  set(CT_KIVSERVER_PATH \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/kivserver\")
  configure_file(\"${CT_PACKAGING_DIR}/kivserver.service.in\"
                 \"${PROJECT_BINARY_DIR}/packaging/kivserver.service\" @ONLY)
" COMPONENT kivserver)
install(FILES ${PROJECT_BINARY_DIR}/packaging/kivserver.service
        DESTINATION lib/systemd/system COMPONENT kivserver)
# The programs look for their settings under /etc whatever the prefix.
install(FILES ${CT_PACKAGING_DIR}/kivserver.ini
        DESTINATION /etc/culinarotable COMPONENT kivserver)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME culinarotable)
set(CPACK_PACKAGE_VENDOR "CulinaroTable")
set(CPACK_PACKAGE_CONTACT "CulinaroTable developers <developers@culinarotable.example>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ${CT_PACKAGE_COMPONENTS})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)

set(CPACK_DEBIAN_CULINAROTABLE_PACKAGE_NAME culinarotable)
# The ODBC drivers are loaded by name at run time: FreeTDS joins SQL Server
# installations, the others serve Provider=ODBC.
set(CPACK_DEBIAN_CULINAROTABLE_PACKAGE_SUGGESTS "tdsodbc, odbc-postgresql, libsqliteodbc")
# Each description is one string: the summary, then the long text's lines
# (several arguments would make a list, whose ";" lands in the control file).
set(CPACK_COMPONENT_CULINAROTABLE_DESCRIPTION "restaurant reservation and table-management workstation
The console workstation (culinarotable) and the installation tool
(culinarotable-admin) of a CulinaroTable installation.")

set(CPACK_DEBIAN_DESK_PACKAGE_NAME culinarotable-desk)
set(CPACK_COMPONENT_DESK_DEPENDS culinarotable)
set(CPACK_COMPONENT_DESK_DESCRIPTION "restaurant reservation and table-management workstation (window)
The CulinaroTable workstation in a desktop window: floor plans,
the day's list, booking and reservation dialogs.")

set(CPACK_DEBIAN_KIVSERVER_PACKAGE_NAME kivserver)
set(CPACK_COMPONENT_KIVSERVER_DESCRIPTION "relay server of CulinaroTable workstations
Passes data changes between the workstations of a CulinaroTable
installation and answers their point-of-sale requests; runs as the
kivserver systemd service.")
set(CPACK_DEBIAN_KIVSERVER_PACKAGE_CONTROL_EXTRA
    ${CT_PACKAGING_DIR}/debian-kivserver/conffiles ${CT_PACKAGING_DIR}/debian-kivserver/postinst
    ${CT_PACKAGING_DIR}/debian-kivserver/prerm ${CT_PACKAGING_DIR}/debian-kivserver/postrm)
set(CPACK_DEBIAN_KIVSERVER_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)

# The packages are checked from the test build itself (no second build). A
# sanitizer build would package programs that need the sanitizer runtime.
if(CT_BUILD_TESTS AND NOT CT_ASAN AND NOT CT_UBSAN)
  add_test(NAME packages
           COMMAND sh ${PROJECT_SOURCE_DIR}/tests/packaging/check_packages.sh
                   ${PROJECT_BINARY_DIR} ${CMAKE_CPACK_COMMAND})
  set_tests_properties(packages PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 600)
endif()
