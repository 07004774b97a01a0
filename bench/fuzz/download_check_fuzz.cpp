// Any bytes as a download of each kind: the first byte picks the check, the rest is
// the file. Every check ends on any input with a reason exactly when it refuses; a
// file that opens as a web page passes no check that looks for one, a list or node
// list that passes holds no line of markup, and the markup scan, fed in blocks,
// finds what reading line by line finds.
#include <algorithm>
#include <string>
#include <string_view>

#include "calendar/calendar_file.h"
#include "calls/list_check.h"
#include "files/content_checks.h"
#include "files/zip_members.h"
#include "fuzz_support.h"
#include "nodes/node_check.h"

namespace {

// Whether a line of the text is markup, line by line (the byte-order mark stripped).
bool has_markup_line(std::string_view text)
{
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    for (size_t at = 0; at <= text.size();) {
        const size_t lf = std::min(text.find('\n', at), text.size());
        if (is_markup_line(text.substr(at, lf - at))) return true;
        at = lf + 1;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz_setup();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    const std::string_view body(reinterpret_cast<const char*>(data) + 1, size - 1);
    fuzz_write_file("download", body.data(), body.size());
    std::string why;
    bool passed = false;
    switch (data[0] % 6) {
    case 0: passed = check_not_web_page("download", &why); break;
    case 1: passed = check_xml_list("download", &why); break;
    case 2: passed = check_call_list("download", CallListForm::SecondToken, &why); break;
    case 3: passed = check_call_list("download", CallListForm::Member, &why); break;
    case 4: passed = check_node_list("download", &why); break;
    default: passed = data[0] & 8 ? check_zip_archive("download", &why) : check_calendar("download", &why); break;
    }
    if (passed != why.empty()) fuzz_fail("a check passed with a reason, or failed without one");
    // The scan over blocks of any length finds what the line-by-line reading finds.
    MarkupScan scan;
    const size_t first = std::min<size_t>(body.size(), 3 + data[0] % 7);
    markup_scan(&scan, body.substr(0, first));
    for (size_t at = first; at < body.size(); at += 5) markup_scan(&scan, body.substr(at, 5));
    if (scan.found != has_markup_line(body)) fuzz_fail("the markup scan differs from the lines");
    const bool lines = data[0] % 6 >= 2 && data[0] % 6 <= 4;
    if (passed && lines && has_markup_line(body)) fuzz_fail("a list with a line of markup passed");
    if (passed && data[0] % 6 < 2 && is_web_page(body.substr(0, 65536))) fuzz_fail("a web page passed");
    return 0;
}
