# The usage text and the manual page, both made from docs/usage.txt when the
# program is built, and what `cmake --install` puts where: the program in bin/,
# the manual page in share/man/man1/, the desktop entry in share/applications/.

set(KSTLUPD_GENERATED ${CMAKE_BINARY_DIR}/generated)
file(MAKE_DIRECTORY ${KSTLUPD_GENERATED})
foreach(format header man)
  if(format STREQUAL "header")
    set(output ${KSTLUPD_GENERATED}/usage_text.h)
  else()
    set(output ${KSTLUPD_GENERATED}/kstlupd.1)
  endif()
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -DIN=${CMAKE_SOURCE_DIR}/docs/usage.txt -DOUT=${output} -DFORMAT=${format}
            -DVERSION=${PROJECT_VERSION} -P ${CMAKE_SOURCE_DIR}/cmake/usage_outputs.cmake
    DEPENDS ${CMAKE_SOURCE_DIR}/docs/usage.txt ${CMAKE_SOURCE_DIR}/cmake/usage_outputs.cmake
    VERBATIM)
endforeach()
target_sources(kstlupd_core PRIVATE ${KSTLUPD_GENERATED}/usage_text.h)
target_include_directories(kstlupd_core PRIVATE ${KSTLUPD_GENERATED})
add_custom_target(kstlupd_manual_page ALL DEPENDS ${KSTLUPD_GENERATED}/kstlupd.1)

include(GNUInstallDirs)
install(TARGETS kstlupd RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${KSTLUPD_GENERATED}/kstlupd.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES docs/kstlupd.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
