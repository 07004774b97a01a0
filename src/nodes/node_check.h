// Whether a downloaded node list is one: checked before it replaces the last good copy.
#pragma once

#include <string>

// True when the file at `path` holds at least one node line as read_tcp takes it (a
// comma, no "http://", not the VERSION line) and no line of markup
// (is_markup_line); otherwise false with the reason in *why.
bool check_node_list(const char* path, std::string* why);
