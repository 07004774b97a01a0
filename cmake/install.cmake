# The usage text and the manual page, both made from docs/usage.txt when the
# program is built, and what `cmake --install` puts where: the program in bin/,
# the manual page in share/man/man1/, the desktop entry in share/applications/
# with its icon, the help page in share/doc/kstlupd/, and a systemd user service
# and timer in share/systemd/user/.

if(CMAKE_SYSTEM_NAME STREQUAL "Windows")
  set(KSTLUPD_USAGE_SYSTEM windows)
else()
  set(KSTLUPD_USAGE_SYSTEM linux)
endif()
file(MAKE_DIRECTORY ${KSTLUPD_GENERATED})
foreach(format header man html)
  if(format STREQUAL "header")
    set(output ${KSTLUPD_GENERATED}/usage_text.h)
  elseif(format STREQUAL "man")
    set(output ${KSTLUPD_GENERATED}/kstlupd.1)
  else()
    set(output ${KSTLUPD_GENERATED}/kstlupd.html)
  endif()
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -DIN=${CMAKE_SOURCE_DIR}/docs/usage.txt -DOUT=${output} -DFORMAT=${format}
            -DVERSION=${PROJECT_VERSION} -DSYSTEM=${KSTLUPD_USAGE_SYSTEM} -P ${CMAKE_SOURCE_DIR}/cmake/usage_outputs.cmake
    DEPENDS ${CMAKE_SOURCE_DIR}/docs/usage.txt ${CMAKE_SOURCE_DIR}/cmake/usage_outputs.cmake
    VERBATIM)
endforeach()
target_sources(kstlupd_core PRIVATE ${KSTLUPD_GENERATED}/usage_text.h)
target_include_directories(kstlupd_core PRIVATE ${KSTLUPD_GENERATED})
add_custom_target(kstlupd_manual_page ALL DEPENDS ${KSTLUPD_GENERATED}/kstlupd.1 ${KSTLUPD_GENERATED}/kstlupd.html)

include(GNUInstallDirs)
install(TARGETS kstlupd RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${KSTLUPD_GENERATED}/kstlupd.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# The Help button opens this page, found from the program's folder as ../share/doc/kstlupd.
install(FILES ${KSTLUPD_GENERATED}/kstlupd.html DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kstlupd)

if(NOT CMAKE_SYSTEM_NAME STREQUAL "Windows")
  install(FILES docs/kstlupd.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/32x32/apps)
  # The service and the desktop entry name the program where this installation puts
  # it, which only the install step knows (--prefix, or DESTDIR under a package), so
  # they are written then.
  set(KSTLUPD_UNIT_DIR ${CMAKE_INSTALL_DATADIR}/systemd/user)
  install(CODE "
    set(bindir \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    configure_file(\"${CMAKE_SOURCE_DIR}/docs/kstlupd.service.in\" \"${KSTLUPD_GENERATED}/unit/kstlupd.service\" @ONLY)
    configure_file(\"${CMAKE_SOURCE_DIR}/docs/kstlupd.desktop.in\" \"${KSTLUPD_GENERATED}/unit/kstlupd.desktop\" @ONLY)
    file(INSTALL DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${KSTLUPD_UNIT_DIR}\" TYPE FILE
         FILES \"${KSTLUPD_GENERATED}/unit/kstlupd.service\")
    file(INSTALL DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/applications\" TYPE FILE
         FILES \"${KSTLUPD_GENERATED}/unit/kstlupd.desktop\")")
  install(FILES docs/kstlupd.timer DESTINATION ${KSTLUPD_UNIT_DIR})
  include(cmake/debian_package.cmake)
endif()
