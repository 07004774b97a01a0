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
target_link_libraries(kstlupd_core PUBLIC kstlupd_minizip Threads::Threads)

# The Windows table of the platform seam, and the resources of the program.
file(GLOB PLATFORM_SOURCES CONFIGURE_DEPENDS src/platform/win32/*.cpp)
file(GLOB PLATFORM_RESOURCES CONFIGURE_DEPENDS src/platform/win32/*.rc)
add_library(kstlupd_platform STATIC src/platform/platform.cpp ${PLATFORM_SOURCES})
target_include_directories(kstlupd_platform PUBLIC src)
target_link_libraries(kstlupd_platform PUBLIC wininet version shell32 comctl32 ole32 user32 gdi32 Threads::Threads)

add_executable(kstlupd WIN32 src/app/main.cpp ${PLATFORM_RESOURCES})
target_link_libraries(kstlupd PRIVATE kstlupd_core kstlupd_platform)

if(KSTLUPD_TESTS)
  include(cmake/windows_tests.cmake)
endif()
