#include "calls/list_check.h"

#include <cstring>
#include <string_view>

#include "calls/call_intake.h"
#include "calls/callsign.h"
#include "calls/master_file.h"
#include "calls/membership_file.h"
#include "files/content_checks.h"
#include "platform/platform.h"

namespace {

// The callsign the reader of `form` takes from one piece of a line; nullptr for none.
char* call_of(char* piece, CallListForm form)
{
    if (form == CallListForm::SecondToken) return second_token(piece);
    cut_line(piece, true);
    return is_ascii_alnum(static_cast<unsigned char>(piece[0])) ? piece : nullptr;
}

bool takes_call(char* text, CallListForm form)
{
    if (!text || !isValidCall(text)) return false;
    const size_t length = std::strlen(stripCallSuffix(text));
    return length != 0 && (form != CallListForm::Member || length <= kMaxMemberCallLength);
}

}  // namespace

bool check_call_list(const char* path, CallListForm form, std::string* why)
{
    FILE* stream = g_platform.open_file(path, "rb");
    if (!stream) {
        *why = "it cannot be read";
        return false;
    }
    MarkupScan markup;
    std::string block(65536, '\0');
    for (size_t n; (n = std::fread(block.data(), 1, block.size(), stream)) > 0;)
        markup_scan(&markup, std::string_view(block.data(), n));
    std::rewind(stream);
    const size_t piece = (form == CallListForm::Member ? kMemberLineSize : kMasterLineSize) - 1;
    bool found = false;
    const bool read =
        for_each_piece(stream, piece, [&](char* text) { found = found || takes_call(call_of(text, form), form); });
    std::fclose(stream);
    if (!read) *why = "it cannot be read";
    else if (markup.found) *why = "it holds markup, not a list";
    else if (!found) *why = "it holds no valid callsign";
    else return true;
    return false;
}
