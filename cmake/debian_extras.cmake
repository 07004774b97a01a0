# Run by CPack once the package's files are staged: adds the copyright file (the
# licence, in Debian's machine-readable format) and the package's changelog, and
# compresses the manual page, as Debian's policy asks.
file(GLOB_RECURSE staged_pages "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/kstlupd.1")
if(NOT staged_pages)
  message(FATAL_ERROR "debian_extras: no staged manual page under ${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
endif()
list(GET staged_pages 0 page)
get_filename_component(man1 "${page}" DIRECTORY)
get_filename_component(usr "${man1}/../../.." ABSOLUTE)
set(doc "${usr}/share/doc/kstlupd")
file(MAKE_DIRECTORY "${doc}")

file(READ "${CPACK_KSTLUPD_LICENSE}" licence)
string(REGEX REPLACE "\n$" "" licence "${licence}")
string(REGEX MATCH "Copyright \\(c\\) ([^\n]*)" _ "${licence}")
set(holder "${CMAKE_MATCH_1}")
string(REGEX REPLACE "^MIT License\n\n[^\n]*\n\n" "" terms "${licence}")
string(REGEX REPLACE "\n\n" "\n.\n" terms "${terms}")
string(REGEX REPLACE "\n" "\n " terms "${terms}")
file(WRITE "${doc}/copyright"
  "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
  "Upstream-Name: kstlupd\n\nFiles: *\nCopyright: ${holder}\nLicense: Expat\n ${terms}\n")

string(TIMESTAMP date "%a, %d %b %Y %H:%M:%S +0000" UTC)
file(WRITE "${doc}/changelog.Debian"
  "kstlupd (${CPACK_PACKAGE_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE}) unstable; urgency=medium\n\n"
  "  * Release ${CPACK_PACKAGE_VERSION}.\n\n -- ${CPACK_DEBIAN_PACKAGE_MAINTAINER}  ${date}\n")
foreach(file "${doc}/changelog.Debian" "${page}")
  execute_process(COMMAND gzip -9nf "${file}" RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "debian_extras: gzip failed on ${file}")
  endif()
endforeach()
file(CHMOD "${doc}/copyright" "${doc}/changelog.Debian.gz" "${page}.gz" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
