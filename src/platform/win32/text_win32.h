// Text at the Windows seam: the core's texts and paths are UTF-8, the system's wide
// calls take UTF-16, so a folder whose name has non-ASCII letters works whatever
// the system's code page.
#pragma once

#include <string>

// UTF-16 of a UTF-8 text (null reads as empty); invalid bytes become U+FFFD.
std::wstring widen(const char* text);
// UTF-8 of a UTF-16 text (null reads as empty).
std::string narrow(const wchar_t* text);
