# The Linux build: libcurl, POSIX files, /proc, the PE version reader and FLTK
# windows behind the platform seam; with KSTLUPD_TESTS, the test suite and benchmarks.
find_package(PkgConfig REQUIRED)
find_package(CURL REQUIRED)
find_package(ZLIB REQUIRED)
pkg_check_modules(MINIZIP REQUIRED IMPORTED_TARGET minizip)
pkg_check_modules(SODIUM REQUIRED IMPORTED_TARGET libsodium)
find_package(nlohmann_json 3 REQUIRED)
find_package(X11 REQUIRED)
find_library(FLTK_LIBRARY NAMES fltk REQUIRED)

add_library(kstlupd_core STATIC ${CORE_SOURCES})
target_include_directories(kstlupd_core PUBLIC src)
target_link_libraries(kstlupd_core PUBLIC nlohmann_json::nlohmann_json PkgConfig::MINIZIP PkgConfig::SODIUM ZLIB::ZLIB
  Threads::Threads)

# The operating system's table of the platform seam.
file(GLOB_RECURSE PLATFORM_SOURCES CONFIGURE_DEPENDS src/platform/posix/*.cpp)
add_library(kstlupd_platform STATIC src/platform/platform.cpp ${PLATFORM_SOURCES})
target_include_directories(kstlupd_platform PUBLIC src)
target_link_libraries(kstlupd_platform PUBLIC CURL::libcurl Threads::Threads ${FLTK_LIBRARY} X11::X11)

add_executable(kstlupd src/app/main.cpp)
target_link_libraries(kstlupd PRIVATE kstlupd_core kstlupd_platform kstlupd_release_hooks)

# Without the tests the build makes the program alone: no test server, test hooks
# or benchmarks.
if(KSTLUPD_TESTS)
  # The loopback HTTP server of the tests and the benchmarks.
  add_library(kstlupd_test_server STATIC tests/support/http_server.cpp)
  target_include_directories(kstlupd_test_server PUBLIC tests src)
  target_link_libraries(kstlupd_test_server PUBLIC kstlupd_core Threads::Threads)

  enable_testing()
  find_package(GTest REQUIRED)
  include(GoogleTest)
  file(GLOB_RECURSE TEST_SOURCES CONFIGURE_DEPENDS tests/*.cpp)
  list(FILTER TEST_SOURCES EXCLUDE REGEX ".*/tests/support/(http_server|list_probe)\\.cpp$")
  list(FILTER TEST_SOURCES EXCLUDE REGEX ".*win32.*")
  # Preloaded into the program by the window tests to read its status list.
  add_library(kstlupd_list_probe MODULE tests/support/list_probe.cpp)
  target_link_libraries(kstlupd_list_probe PRIVATE ${FLTK_LIBRARY} ${CMAKE_DL_LIBS})
  add_executable(kstlupd_tests ${TEST_SOURCES})
  target_include_directories(kstlupd_tests PRIVATE tests)
  target_link_libraries(kstlupd_tests PRIVATE kstlupd_core kstlupd_platform kstlupd_test_hooks kstlupd_test_server
    GTest::gtest GTest::gtest_main)
  target_compile_definitions(kstlupd_tests PRIVATE
    KSTLUPD_BINARY="$<TARGET_FILE:kstlupd>"
    KSTLUPD_HOOKS_BINARY="$<TARGET_FILE:kstlupd_testhooks>"
    KSTLUPD_LIST_PROBE="$<TARGET_FILE:kstlupd_list_probe>"
    KSTLUPD_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  # The program with the test hooks, for the demonstration, the benchmarks and the
  # end-to-end runs that reach the catalogue's host names on a loopback mirror.
  add_executable(kstlupd_testhooks src/app/main.cpp)
  target_link_libraries(kstlupd_testhooks PRIVATE kstlupd_core kstlupd_platform kstlupd_test_hooks)
  include(cmake/test_programs.cmake)
  target_compile_definitions(kstlupd_tests PRIVATE KSTLUPD_TEST_PROGRAMS="${KSTLUPD_TEST_PROGRAMS}")
  add_dependencies(kstlupd_tests kstlupd kstlupd_testhooks kstlupd_list_probe kstlupd_test_programs)
  gtest_discover_tests(kstlupd_tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120)
  add_test(NAME release_program_has_no_test_hooks
    COMMAND ${CMAKE_SOURCE_DIR}/cmake/release_checks.sh $<TARGET_FILE:kstlupd> $<TARGET_FILE:kstlupd_testhooks>)
  # The tree stays formatted as .clang-format says; skipped where clang-format is missing.
  add_test(NAME source_formatting
    COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${CMAKE_SOURCE_DIR} -P ${CMAKE_SOURCE_DIR}/cmake/check_format.cmake)
  set_tests_properties(source_formatting PROPERTIES SKIP_REGULAR_EXPRESSION "clang-format not found")
  # The layer order of the sources, and the check's own proof that it refuses a tree
  # that breaks it.
  add_test(NAME source_layering
    COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${CMAKE_SOURCE_DIR} -P ${CMAKE_SOURCE_DIR}/cmake/check_layers.cmake)
  add_test(NAME source_layering_refuses_faults
    COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${CMAKE_SOURCE_DIR}/tests/layering_faults
            -P ${CMAKE_SOURCE_DIR}/cmake/check_layers.cmake)
  set_tests_properties(source_layering_refuses_faults PROPERTIES
    PASS_REGULAR_EXPRESSION "base/ may not include pipeline/.*calendar/ may not include net/.*only the platform tables include.*g_config below")

  file(GLOB BENCH_SOURCES CONFIGURE_DEPENDS bench/*.cpp)
  foreach(bench_source ${BENCH_SOURCES})
    get_filename_component(bench_name ${bench_source} NAME_WE)
    add_executable(${bench_name} ${bench_source})
    target_link_libraries(${bench_name} PRIVATE kstlupd_core kstlupd_platform kstlupd_release_hooks kstlupd_test_server)
    set_target_properties(${bench_name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
  endforeach()
endif()
