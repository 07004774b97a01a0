# Stand-in Windows programs the self-update tests are served, built with mingw-w64
# and windres in both builds: this program under its own name at several versions,
# as a console program and as a DLL, another program, one without a version block,
# and signed copies made with a test authority of their own (openssl, osslsigncode);
# the minisign signatures of updates, with a key pair made for the tests.
find_program(KSTLUPD_MINGW_CC x86_64-w64-mingw32-gcc REQUIRED)
find_program(KSTLUPD_MINGW_WINDRES x86_64-w64-mingw32-windres REQUIRED)
find_program(KSTLUPD_OSSLSIGNCODE osslsigncode REQUIRED)
find_program(KSTLUPD_MINISIGN minisign REQUIRED)
set(KSTLUPD_TEST_PROGRAMS ${CMAKE_BINARY_DIR}/test-programs)
set(program_dir ${KSTLUPD_TEST_PROGRAMS})
set(program_source ${CMAKE_SOURCE_DIR}/tests/support/test_programs)
file(MAKE_DIRECTORY ${program_dir})
add_custom_command(OUTPUT ${program_dir}/program.o
  COMMAND ${KSTLUPD_MINGW_CC} -c ${program_source}/program.c -o ${program_dir}/program.o
  DEPENDS ${program_source}/program.c VERBATIM)

set(test_programs)
# name, link flag (-mwindows, -mconsole or -shared), version (a.b.c.d or none), InternalName,
# OriginalFilename [, the two of a second string table, German, which the Translation names]
function(kstlupd_test_program name link version internal original)
  set(objects ${program_dir}/program.o)
  if(NOT version STREQUAL "none")
    string(REPLACE "." "," PROGRAM_VERSION ${version})
    set(PROGRAM_INTERNAL ${internal})
    set(PROGRAM_ORIGINAL ${original})
    set(PROGRAM_SECOND_TABLE "")
    set(PROGRAM_TRANSLATION "0x0409, 1200")
    if(ARGC GREATER 6)
      set(PROGRAM_SECOND_TABLE "\n    BLOCK \"040704B0\"\n    BEGIN\n      VALUE \"InternalName\", \"${ARGV5}\"\n      VALUE \"OriginalFilename\", \"${ARGV6}\"\n    END")
      set(PROGRAM_TRANSLATION "0x0407, 1200")
    endif()
    configure_file(${program_source}/version.rc.in ${program_dir}/${name}.rc @ONLY)
    add_custom_command(OUTPUT ${program_dir}/${name}.res.o
      COMMAND ${KSTLUPD_MINGW_WINDRES} ${program_dir}/${name}.rc -O coff -o ${program_dir}/${name}.res.o
      DEPENDS ${program_dir}/${name}.rc VERBATIM)
    list(APPEND objects ${program_dir}/${name}.res.o)
  endif()
  add_custom_command(OUTPUT ${program_dir}/${name}.exe
    COMMAND ${KSTLUPD_MINGW_CC} ${link} -s -o ${program_dir}/${name}.exe ${objects}
    DEPENDS ${objects} VERBATIM)
  set(test_programs ${test_programs} ${program_dir}/${name}.exe PARENT_SCOPE)
endfunction()

kstlupd_test_program(kstlupd_9_5 -mwindows 9.5.0.0 kstlupd kstlupd.exe)
kstlupd_test_program(kstlupd_9_6 -mwindows 9.6.0.0 kstlupd kstlupd.exe)
kstlupd_test_program(kstlupd_9_7 -mwindows 9.7.0.0 kstlupd kstlupd.exe)
kstlupd_test_program(kstlupd_9_8 -mwindows 9.8.0.0 kstlupd kstlupd.exe)
kstlupd_test_program(console_9_7 -mconsole 9.7.0.0 kstlupd kstlupd.exe)
kstlupd_test_program(dll_9_7 -shared 9.7.0.0 kstlupd kstlupd.exe)
kstlupd_test_program(other_9_7 -mwindows 9.7.0.0 kestrl kestrl.exe)
kstlupd_test_program(no_version -mwindows none - -)
# Two string tables: the names that count are those of the one the Translation names.
kstlupd_test_program(tables_9_7 -mwindows 9.7.0.0 kestrl kestrl.exe kstlupd kstlupd.exe)
kstlupd_test_program(tables_other_9_7 -mwindows 9.7.0.0 kstlupd kstlupd.exe kestrl kestrl.exe)

set(signed_programs root.cer signed_9_7.exe signed_9_8.exe other_signer_9_8.exe tampered_9_8.exe forged_9_8.exe)
list(TRANSFORM signed_programs PREPEND ${program_dir}/)
add_custom_command(OUTPUT ${signed_programs}
  COMMAND ${program_source}/sign.sh ${program_dir}
  DEPENDS ${program_source}/sign.sh ${program_dir}/kstlupd_9_7.exe ${program_dir}/kstlupd_9_8.exe VERBATIM)
set(update_signatures update.pub kstlupd_9_5.exe.minisig kstlupd_9_7.exe.minisig kstlupd_9_8.exe.minisig
  console_9_7.exe.minisig signed_9_8.exe.minisig other_key.minisig renamed.minisig comment.minisig legacy.minisig)
list(TRANSFORM update_signatures PREPEND ${program_dir}/)
add_custom_command(OUTPUT ${update_signatures}
  COMMAND ${program_source}/minisign.sh ${program_dir}
  DEPENDS ${program_source}/minisign.sh ${test_programs} ${program_dir}/signed_9_8.exe VERBATIM)
add_custom_target(kstlupd_test_programs DEPENDS ${test_programs} ${signed_programs} ${update_signatures})
