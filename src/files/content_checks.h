// What every downloaded file is checked against before it may replace the last good
// copy: not a web page, whatever its opening. The checks of a kind that takes more
// (a list, a node file, an archive, a calendar) live with the readers of that kind.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The lower-case name of the first element of a markup text, found past UTF-8 and
// UTF-16 (LE/BE) byte-order marks, white space, an XML declaration and processing
// instructions, comments and a document type declaration; empty when the text does
// not open with an element there (not markup at all, or cut before one). A document
// type naming html makes it "html", whatever element follows.
std::string first_element(std::string_view head);

// True when the text opens as a web page: its first element is one of HTML's
// document elements (html, head, body, title, meta, script, frameset, noscript,
// link, style), in any case.
bool is_web_page(std::string_view head);

// True when the first character of the line that is not a blank is '<': a line of
// markup, never a record.
bool is_markup_line(std::string_view line);

// Looks for a line of markup (is_markup_line; a UTF-8 byte-order mark opening the
// text counts as blank) in a text fed block by block, the first block at least
// three bytes long, in linear time and constant memory, whatever bytes it holds.
struct MarkupScan {
    uint64_t offset = 0;     // bytes seen
    bool line_blank = true;  // nothing but blanks yet in the current line
    bool found = false;
};
void markup_scan(MarkupScan* scan, std::string_view block);

// The opening of a file as far as the checks look (its first 64 KiB); empty when
// it cannot be read.
std::string file_head(const char* path);

// The checks a download must pass: true when it may replace the copy; otherwise
// false with the reason, as a short phrase, in *why.
bool check_not_web_page(const char* path, std::string* why);
// XML whose first element is not an HTML element.
bool check_xml_list(const char* path, std::string* why);
