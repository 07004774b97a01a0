// Standard error and the usage text of a windowed program on Windows, which may or
// may not have a console (its parent's, attached at start) or redirected output.
#include <windows.h>
#include <cstdio>
#include <io.h>

#include "platform/win32/platform_win32.h"
#include "platform/win32/text_win32.h"

namespace {

HANDLE handle_of(FILE* stream)
{
    const int fd = _fileno(stream);
    return fd < 0 ? INVALID_HANDLE_VALUE : reinterpret_cast<HANDLE>(_get_osfhandle(fd));
}

bool is_console(HANDLE handle)
{
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && handle != nullptr && GetConsoleMode(handle, &mode);
}

}  // namespace

int win32_stderr_is_terminal() { return is_console(handle_of(stderr)) ? 1 : 0; }

void win32_show_usage(const char* text)
{
    // A file or pipe the caller gave gets the text as well as a console does; a
    // program started from the desktop has neither, so the text comes in a box.
    const HANDLE out = handle_of(stdout);
    if (is_console(out) || (out != INVALID_HANDLE_VALUE && out != nullptr && GetFileType(out) != FILE_TYPE_UNKNOWN)) {
        std::fputs(text, stdout);
        std::fflush(stdout);
        return;
    }
    MessageBoxW(nullptr, widen(text).c_str(), L"KESTRL Data Updater", MB_OK | MB_ICONINFORMATION);
}
