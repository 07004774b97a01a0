// Text that came from outside (a server's file, a list, a response header) is data:
// before it reaches the log, a terminal or a message box its control bytes are made
// visible, so that it can neither move a terminal's cursor nor fake a line of ours.
#pragma once

#include <string>
#include <string_view>

// The text with every byte below 0x20 except the tab, 0x7F, every byte that is not
// part of well-formed UTF-8 (a raw 0x9B among them), and the UTF-8 bytes of the C1
// controls U+0080 to U+009F and the bidirectional controls U+202A to U+202E and
// U+2066 to U+2069 written as \xHH (two upper-case hex digits, "\x1B" for ESC);
// every other byte as it is.
std::string shown_text(std::string_view text);
