# The tests of the Windows build, run under Wine by CTest: one Wine prefix under the
# build folder, a wineserver kept alive for the whole run by a fixture, and no Mono
# or Gecko installation prompts.
enable_testing()
include(GoogleTest)

set(KSTLUPD_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
set(KSTLUPD_WINE_ENV WINEPREFIX=${KSTLUPD_WINE_PREFIX} WINEDEBUG=-all "WINEDLLOVERRIDES=mscoree,mshtml=")
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/cmake/wine_run.sh ${CMAKE_BINARY_DIR})

# GoogleTest from the sources Debian's googletest package installs.
set(GTEST_SOURCE_DIR /usr/src/googletest/googletest)
if(NOT EXISTS ${GTEST_SOURCE_DIR}/src/gtest-all.cc)
  message(FATAL_ERROR "GoogleTest's sources are missing: run scripts/setup.sh (package googletest)")
endif()
add_library(kstlupd_gtest STATIC ${GTEST_SOURCE_DIR}/src/gtest-all.cc ${GTEST_SOURCE_DIR}/src/gtest_main.cc)
target_include_directories(kstlupd_gtest SYSTEM PUBLIC ${GTEST_SOURCE_DIR}/include PRIVATE ${GTEST_SOURCE_DIR})
target_link_libraries(kstlupd_gtest PUBLIC Threads::Threads)
# Its own sources are not ours to rename in; its headers reach our tests as system headers.
target_compile_options(kstlupd_gtest PRIVATE -Wno-shadow)

# The behaviour tests above the seam, and the Windows seam tests. Left to the Linux
# build: the POSIX seam and FLTK tests, the tests that talk to the in-process
# loopback server (POSIX sockets and OpenSSL), and the tests that start programs
# with fork/posix_spawn (the Wine end-to-end runs are driven from there) or make
# their archives with Python or Info-ZIP (the Wine end-to-end runs unpack the real
# archives with the Windows build's minizip).
file(GLOB_RECURSE WIN_TEST_SOURCES CONFIGURE_DEPENDS tests/*.cpp)
list(FILTER WIN_TEST_SOURCES EXCLUDE REGEX ".*/tests/(e2e|bench)/.*")
list(FILTER WIN_TEST_SOURCES EXCLUDE REGEX ".*/tests/platform/(dialogs_posix|files_posix|fltk_toolkit|internet_curl|pe_version)_test\\.cpp$")
list(FILTER WIN_TEST_SOURCES EXCLUDE REGEX
  ".*/tests/support/(http_server|list_probe|program_run|xvfb_session|mirror_server|pe_builder)\\.cpp$")
list(FILTER WIN_TEST_SOURCES EXCLUDE REGEX
  ".*/tests/(net/(http_fetch|self_update)|pipeline/(calendar_download|download_phase)|app/host_checks|files/zip_members)_test\\.cpp$")
add_executable(kstlupd_tests ${WIN_TEST_SOURCES} ${PLATFORM_RESOURCES})
target_include_directories(kstlupd_tests PRIVATE tests)
target_link_libraries(kstlupd_tests PRIVATE kstlupd_core kstlupd_platform kstlupd_test_hooks kstlupd_gtest ws2_32 crypt32)
# A wininet.dll planted beside the program by the tests: it leaves a marker when loaded.
add_library(planted_dll SHARED tests/platform/win32/planted_dll.c)
set_target_properties(planted_dll PROPERTIES PREFIX "" OUTPUT_NAME wininet
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/planted)
target_compile_definitions(kstlupd_tests PRIVATE KSTLUPD_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
  KSTLUPD_PROGRAM="$<TARGET_FILE:kstlupd>" KSTLUPD_PLANTED_DLL="$<TARGET_FILE:planted_dll>")
include(cmake/test_programs.cmake)
target_compile_definitions(kstlupd_tests PRIVATE KSTLUPD_TEST_PROGRAMS="Z:${KSTLUPD_TEST_PROGRAMS}")
add_dependencies(kstlupd_tests kstlupd planted_dll kstlupd_test_programs)

# The release program as it ships: no test hook, and at start-up only the system's
# known DLLs (cmake/windows.cmake).
add_test(NAME release_program_has_no_test_hooks_and_imports_only_system_dlls
  COMMAND ${CMAKE_SOURCE_DIR}/cmake/release_checks.sh $<TARGET_FILE:kstlupd> $<TARGET_FILE:kstlupd_tests>
          ${KSTLUPD_STARTUP_DLLS})

# The fixture: starts a persistent wineserver (and makes the prefix on first use),
# the loopback web server the seam tests talk to and an X server for the windows
# (cmake/wine_run.sh gives it to the programs); stops them all at the end.
set(KSTLUPD_WIN_TEST_STATE ${CMAKE_BINARY_DIR}/test-servers)
add_test(NAME wine_fixture_start
  COMMAND env ${KSTLUPD_WINE_ENV} ${CMAKE_SOURCE_DIR}/cmake/wine_fixture.sh start ${KSTLUPD_WIN_TEST_STATE}
          $<TARGET_FILE:kstlupd_tests>)
add_test(NAME wine_fixture_stop
  COMMAND env ${KSTLUPD_WINE_ENV} ${CMAKE_SOURCE_DIR}/cmake/wine_fixture.sh stop ${KSTLUPD_WIN_TEST_STATE})
set_tests_properties(wine_fixture_start PROPERTIES FIXTURES_SETUP wine TIMEOUT 300)
set_tests_properties(wine_fixture_stop PROPERTIES FIXTURES_CLEANUP wine)

gtest_discover_tests(kstlupd_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
  PROPERTIES TIMEOUT 120 FIXTURES_REQUIRED wine
  ENVIRONMENT "KSTLUPD_TEST_SERVERS=${KSTLUPD_WIN_TEST_STATE}")
# The scaling test sets the prefix's DPI for the programs it starts: the tests that
# open windows of their own run apart from it. (Read after the discovered tests.)
set(KSTLUPD_WINDOW_LOCKS ${CMAKE_BINARY_DIR}/wine_window_locks.cmake)
file(WRITE ${KSTLUPD_WINDOW_LOCKS} "set_tests_properties(WindowsScaling.MainAndSettingsWindowsAtEveryScale
  WindowsWindows.ControlsSettingsWindowsAndAnUpdateRun PROPERTIES RESOURCE_LOCK wine_dpi)\n")
set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${KSTLUPD_WINDOW_LOCKS})

# The end-to-end runs of kstlupd.exe under Wine, with the expectations of the Linux
# end-to-end tests: the Linux test binary drives them (nginx, fork, the sample data).
set(KSTLUPD_HOST_TESTS ${CMAKE_SOURCE_DIR}/build/kstlupd_tests CACHE FILEPATH
  "The Linux build's test binary, which drives the end-to-end runs of the Windows program")
add_test(NAME wine_end_to_end
  COMMAND ${CMAKE_SOURCE_DIR}/cmake/wine_e2e.sh ${KSTLUPD_HOST_TESTS} $<TARGET_FILE:kstlupd>)
set_tests_properties(wine_end_to_end PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 600 SKIP_RETURN_CODE 77 RESOURCE_LOCK wine_dpi
  ENVIRONMENT "${KSTLUPD_WINE_ENV}")
