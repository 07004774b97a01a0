// The command line: unattended mode, debug lines, checks off, quick exit, reset, the
// logging program's version and the proxy.
#pragma once

struct Window;

// Reads the words of the command line (the text after the program name) into
// g_config. 1 when every word was accepted; 0 after reporting the first bad word
// or a -proxy without an address (flags set by earlier words stay set).
[[nodiscard]] int parse_command_line(const char* text, Window* owner);
