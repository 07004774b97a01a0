// The command line: unattended mode, debug lines, checks off, quick exit, reset, the
// logging program's version and the proxy.
#pragma once

struct AppWindow;

// Reads the words of the command line (the text after the program name) into
// g_config. 1 when every word was accepted; 0 after reporting the first bad word
// or a -proxy without an address (flags set by earlier words stay set). The log
// gets the report as it is; the box and the terminal get it with "Try -help." below.
[[nodiscard]] int parse_command_line(const char* text, AppWindow* owner);

// What must be known before the log is opened: a request for the usage text or
// the program's version (the first of them counts), and -auto (a log that cannot be
// opened is then reported without a box). Words are taken as parse_command_line
// takes them: the value of -version or -proxy is none.
struct EarlyOptions {
    int help = 0;     // -help, --help, -h or -?
    int version = 0;  // --version
    int autoMode = 0;
};
EarlyOptions early_options(const char* text);
