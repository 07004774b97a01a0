# Makes one of the texts that come from docs/usage.txt, so that they cannot differ:
# the C++ header holding the usage text (FORMAT=header), the manual page (FORMAT=man)
# or the help page (FORMAT=html), the last two with VERSION, for one system
# (SYSTEM=linux or windows). Run as
#   cmake -DIN=docs/usage.txt -DOUT=file -DFORMAT=header|man|html -DSYSTEM=linux|windows [-DVERSION=a.b] -P usage_outputs.cmake
# The text is handled as a CMake list of lines: it must hold no ';', and a '[' must
# be closed on its own line.
#
# A line "[linux]" or "[windows]" starts lines for that system only; "[both]" ends
# them. The marker lines themselves are dropped.
#
# The layout the manual page is made from: "Usage: kstlupd ..." (the synopsis);
# plain lines (paragraphs; the first sentence of the first one names the program);
# "Heading:" lines (sections); "  TERM  meaning" lines (entries), whose meaning may
# go on in lines indented further; a line indented by 21 blanks or more (a
# command to type) stands on a line of its own.

file(READ "${IN}" raw)
string(REGEX REPLACE "\n$" "" raw "${raw}")
string(REPLACE "\n" ";" raw_lines "${raw}")
set(content "")
set(keep TRUE)
foreach(line IN LISTS raw_lines)
  if(line MATCHES "^\\[(linux|windows|both)\\]$")
    if(CMAKE_MATCH_1 STREQUAL "both" OR CMAKE_MATCH_1 STREQUAL "${SYSTEM}")
      set(keep TRUE)
    else()
      set(keep FALSE)
    endif()
  elseif(keep)
    string(APPEND content "${line}\n")
  endif()
endforeach()

if(FORMAT STREQUAL "header")
  string(REPLACE "\\" "\\\\" text "${content}")
  string(REPLACE "\"" "\\\"" text "${text}")
  string(REPLACE "\n" "\\n\"\n    \"" text "${text}")
  file(WRITE "${OUT}.new" "// Made from docs/usage.txt when the program is built: edit that file.\n#pragma once\n\n"
                          "inline constexpr const char* kUsageText =\n    \"${text}\";\n")
elseif(FORMAT STREQUAL "html")
  # The help page the Help button opens: the headings as headings, the rest as the
  # text lays it out.
  string(REPLACE "&" "&amp;" text "${content}")
  string(REPLACE "<" "&lt;" text "${text}")
  string(REPLACE ">" "&gt;" text "${text}")
  string(REGEX REPLACE "\n([A-Z][^:\n]*):\n" "</pre>\n<h2>\\1</h2>\n<pre>" text "${text}")
  file(WRITE "${OUT}.new" "<!DOCTYPE html>\n<!-- Made from docs/usage.txt when the program is built: edit that file. -->\n"
                          "<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                          "<title>kstlupd ${VERSION}: the KESTRL Data Updater</title>\n</head>\n<body>\n"
                          "<h1>kstlupd ${VERSION}: the KESTRL Data Updater</h1>\n<pre>${text}</pre>\n</body>\n</html>\n")
else()
  function(roff out text)
    string(REPLACE "\\" "\\e" text "${text}")
    string(REPLACE "-" "\\-" text "${text}")
    if(text MATCHES "^[.']")
      set(text "\\&${text}")
    endif()
    set(${out} "${text}" PARENT_SCOPE)
  endfunction()

  string(REPLACE "\n" ";" lines "${content}")
  set(name "")
  set(synopsis "")
  set(body "")
  set(in_paragraph FALSE)
  set(in_section FALSE)
  foreach(line IN LISTS lines)
    if(line STREQUAL "")
      set(in_paragraph FALSE)
    elseif(line MATCHES "^Usage: ([^ ]+) (.*)$")
      roff(rest "${CMAKE_MATCH_2}")
      set(synopsis ".B ${CMAKE_MATCH_1}\n${rest}\n")
    elseif(line MATCHES "^([A-Z][^:]*):$")
      string(TOUPPER "${CMAKE_MATCH_1}" heading)
      string(APPEND body ".SH \"${heading}\"\n")
      set(in_section TRUE)
      set(in_paragraph FALSE)
    elseif(line MATCHES "^  (([^ ]| [^ ])+)(  +(.*))?$")
      roff(term "${CMAKE_MATCH_1}")
      roff(meaning "${CMAKE_MATCH_4}")
      string(APPEND body ".TP\n.B ${term}\n")
      if(NOT meaning STREQUAL "")
        string(APPEND body "${meaning}\n")
      endif()
      set(in_paragraph FALSE)
    elseif(line MATCHES "^                     +([^ ].*)$")
      # A command to type, laid out as it stands: neither filled nor justified.
      roff(more "${CMAKE_MATCH_1}")
      string(APPEND body ".nf\n${more}\n.fi\n")
    elseif(line MATCHES "^   +([^ ].*)$")
      roff(more "${CMAKE_MATCH_1}")
      string(APPEND body "${more}\n")
    else()
      if(NOT in_section)
        string(APPEND body ".SH DESCRIPTION\n")
        set(in_section TRUE)
      endif()
      if(name STREQUAL "" AND line MATCHES "^([^:.]+)")
        string(SUBSTRING "${CMAKE_MATCH_1}" 0 1 first)
        string(SUBSTRING "${CMAKE_MATCH_1}" 1 -1 rest)
        string(TOLOWER "${first}" first)
        roff(name "${first}${rest}")
      endif()
      if(NOT in_paragraph)
        string(APPEND body ".PP\n")
        set(in_paragraph TRUE)
      endif()
      roff(text "${line}")
      string(APPEND body "${text}\n")
    endif()
  endforeach()
  file(WRITE "${OUT}.new" ".\\\" Made from docs/usage.txt when the program is built: edit that file.\n"
                          ".TH KSTLUPD 1 \"\" \"kstlupd ${VERSION}\" \"User Commands\"\n"
                          ".SH NAME\nkstlupd \\- ${name}\n.SH SYNOPSIS\n${synopsis}${body}")
endif()
# Replaced only when it changed, so that nothing is rebuilt for nothing.
configure_file("${OUT}.new" "${OUT}" COPYONLY)
file(REMOVE "${OUT}.new")
