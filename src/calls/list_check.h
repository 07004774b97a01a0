// Whether a downloaded callsign list is one: checked before it replaces the last good
// copy, by the rule its own reader applies.
#pragma once

#include <string>

enum class CallListForm {
    SecondToken,  // the callsign is a line's second blank-separated token
    Member,       // a membership list: the first comma-separated field of a line
};

// True when the list at `path` holds at least one callsign its reader would take
// and no line of markup (is_markup_line); otherwise false with the reason in *why.
bool check_call_list(const char* path, CallListForm form, std::string* why);
