# The Windows build, cross-compiled with mingw-w64: WinINet, Win32 files, Toolhelp,
# the version API and Win32 windows behind the platform seam. The program needs only
# system DLLs; the tests run under Wine through CTest.
enable_language(C)
enable_language(RC)

# Only nlohmann's own folder: the whole system include folder would pull the build
# machine's C library headers into this one.
find_path(NLOHMANN_JSON_PARENT nlohmann/json.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH REQUIRED)
set(KSTLUPD_WIN_INCLUDE ${CMAKE_BINARY_DIR}/include)
file(MAKE_DIRECTORY ${KSTLUPD_WIN_INCLUDE})
file(CREATE_LINK ${NLOHMANN_JSON_PARENT}/nlohmann ${KSTLUPD_WIN_INCLUDE}/nlohmann SYMBOLIC)

# zlib from Debian's mingw-w64 package, linked statically.
find_path(ZLIB_WIN_INCLUDE zlib.h REQUIRED)
find_library(ZLIB_WIN_LIBRARY NAMES libz.a REQUIRED)

# minizip from Debian's source package, fetched into .deps/ by scripts/setup.sh.
file(GLOB MINIZIP_CANDIDATES ${CMAKE_SOURCE_DIR}/.deps/minizip-*/unzip.c)
if(NOT MINIZIP_CANDIDATES)
  message(FATAL_ERROR "minizip's source is missing: run scripts/setup.sh (it fetches it with apt-get source)")
endif()
list(GET MINIZIP_CANDIDATES 0 MINIZIP_UNZIP)
get_filename_component(MINIZIP_SOURCE_DIR ${MINIZIP_UNZIP} DIRECTORY)
file(CREATE_LINK ${MINIZIP_SOURCE_DIR} ${KSTLUPD_WIN_INCLUDE}/minizip SYMBOLIC)
add_library(kstlupd_minizip STATIC
  ${MINIZIP_SOURCE_DIR}/unzip.c ${MINIZIP_SOURCE_DIR}/ioapi.c ${MINIZIP_SOURCE_DIR}/iowin32.c)
target_include_directories(kstlupd_minizip PUBLIC ${ZLIB_WIN_INCLUDE})
target_compile_options(kstlupd_minizip PRIVATE -w)
target_link_libraries(kstlupd_minizip PUBLIC ${ZLIB_WIN_LIBRARY})

# libsodium from Debian's source package, fetched into .deps/ by scripts/setup.sh: the
# whole library with its portable code only (no configure run, so no CPU-specific
# variants), the version header its Windows project files carry.
file(GLOB SODIUM_CANDIDATES ${CMAKE_SOURCE_DIR}/.deps/libsodium-*/src/libsodium/sodium/core.c)
if(NOT SODIUM_CANDIDATES)
  message(FATAL_ERROR "libsodium's source is missing: run scripts/setup.sh (it fetches it with apt-get source)")
endif()
list(GET SODIUM_CANDIDATES 0 SODIUM_CORE)
string(REGEX REPLACE "/src/libsodium/sodium/core\\.c$" "" SODIUM_SOURCE_DIR ${SODIUM_CORE})
file(GLOB_RECURSE SODIUM_SOURCES ${SODIUM_SOURCE_DIR}/src/libsodium/*.c)
configure_file(${SODIUM_SOURCE_DIR}/builds/msvc/version.h ${CMAKE_BINARY_DIR}/sodium-include/sodium/version.h COPYONLY)
configure_file(${SODIUM_SOURCE_DIR}/src/libsodium/include/sodium/export.h
  ${CMAKE_BINARY_DIR}/sodium-include/sodium/export.h COPYONLY)
add_library(kstlupd_sodium STATIC ${SODIUM_SOURCES})
target_include_directories(kstlupd_sodium
  PUBLIC ${SODIUM_SOURCE_DIR}/src/libsodium/include ${CMAKE_BINARY_DIR}/sodium-include
  PRIVATE ${SODIUM_SOURCE_DIR}/src/libsodium/include/sodium ${CMAKE_BINARY_DIR}/sodium-include/sodium)
target_compile_definitions(kstlupd_sodium PUBLIC SODIUM_STATIC PRIVATE CONFIGURED=1 NATIVE_LITTLE_ENDIAN=1)
target_compile_options(kstlupd_sodium PRIVATE -w)

# g++ 12 reports overlapping copies inside std::string's own inlined code at -O3
# (a known false alarm of that release); it would stop the build with -Werror.
add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-Wno-restrict>)

# The C and C++ runtimes and winpthread go into the program itself.
add_link_options(-static -static-libgcc -static-libstdc++)
# Our printf-style functions check their formats as the GNU printf does; the
# program is linked with mingw's own printf, which follows it (%zu, %lld).
add_compile_definitions(__USE_MINGW_ANSI_STDIO=1 WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)

add_library(kstlupd_core STATIC ${CORE_SOURCES})
target_include_directories(kstlupd_core PUBLIC src ${KSTLUPD_WIN_INCLUDE})
target_link_libraries(kstlupd_core PUBLIC kstlupd_minizip kstlupd_sodium Threads::Threads)

# Windows looks for a DLL that a program imports in the program's own folder first,
# unless it is one of the system's known DLLs, and the logging program's folder is
# usually writable by its user. So the program imports at start-up only the DLLs
# below; every other one is delay-loaded (loaded at its first call, from the system
# folder, which the program makes its only DLL folder before anything else runs).
# A DLL the program comes to need goes into KSTLUPD_DELAY_LOADED_DLLS.
set(KSTLUPD_STARTUP_DLLS kernel32 user32 gdi32 shell32 comctl32 advapi32 ole32 msvcrt)
set(KSTLUPD_DELAY_LOADED_DLLS wininet version)
set(KSTLUPD_DELAY_LIBRARIES)
foreach(dll ${KSTLUPD_DELAY_LOADED_DLLS})
  find_library(KSTLUPD_IMPORT_LIBRARY_${dll} NAMES lib${dll}.a REQUIRED)
  set(delay_library ${CMAKE_BINARY_DIR}/delay-imports/lib${dll}_delay.a)
  add_custom_command(OUTPUT ${delay_library}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/delay-imports
    COMMAND ${CMAKE_SOURCE_DIR}/cmake/delay_import.sh ${KSTLUPD_IMPORT_LIBRARY_${dll}} ${dll}.dll ${delay_library}
    DEPENDS ${CMAKE_SOURCE_DIR}/cmake/delay_import.sh ${KSTLUPD_IMPORT_LIBRARY_${dll}}
    VERBATIM)
  add_custom_target(kstlupd_delay_import_${dll} DEPENDS ${delay_library})
  add_library(kstlupd_delay_${dll} STATIC IMPORTED)
  set_target_properties(kstlupd_delay_${dll} PROPERTIES IMPORTED_LOCATION ${delay_library})
  add_dependencies(kstlupd_delay_${dll} kstlupd_delay_import_${dll})
  list(APPEND KSTLUPD_DELAY_LIBRARIES kstlupd_delay_${dll})
endforeach()

# The Windows table of the platform seam, and the resources of the program.
file(GLOB PLATFORM_SOURCES CONFIGURE_DEPENDS src/platform/win32/*.cpp)
# The resources carry the project's version, so they are configured; windres finds
# the manifest next to the .rc.
configure_file(src/platform/win32/kstlupd.rc.in ${KSTLUPD_GENERATED}/kstlupd.rc @ONLY)
configure_file(src/platform/win32/kstlupd.manifest.in ${KSTLUPD_GENERATED}/kstlupd.manifest @ONLY)
set(PLATFORM_RESOURCES ${KSTLUPD_GENERATED}/kstlupd.rc)
add_library(kstlupd_platform STATIC src/platform/platform.cpp ${PLATFORM_SOURCES})
target_include_directories(kstlupd_platform PUBLIC src)
target_link_libraries(kstlupd_platform PUBLIC ${KSTLUPD_DELAY_LIBRARIES} shell32 comctl32 ole32 user32 gdi32
  Threads::Threads)

add_executable(kstlupd WIN32 src/app/main.cpp ${PLATFORM_RESOURCES})
target_link_libraries(kstlupd PRIVATE kstlupd_core kstlupd_platform kstlupd_release_hooks)

if(KSTLUPD_TESTS)
  include(cmake/windows_tests.cmake)
endif()
