// The callsign validity rule and the suffix stripping that every callsign list
// reader applies to its line buffer before a callsign is stored.
#pragma once

// Cleans the NUL-terminated text in place (trailing blanks, full stops and commas
// removed, a final "/QRP" cut, lower case raised, the slashed-zero byte 0xD8 made
// '0') and decides whether it is a plausible callsign. 1 valid, 0 invalid; after 0
// the text may be partly cleaned.
[[nodiscard]] int isValidCall(char* text);

// Cuts trailing operating suffixes ("/P", "/MM", "/M1", ...) from a text that
// isValidCall accepted, the last first, until the last suffix is not one of them.
// Returns text; the result may be empty.
char* stripCallSuffix(char* text);
