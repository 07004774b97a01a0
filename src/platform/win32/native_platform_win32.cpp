// The Windows table of the platform seam.
#include <windows.h>
#include <cstdio>

#include "platform/native_internet.h"
#include "platform/platform.h"
#include "platform/win32/platform_win32.h"
#include "platform/win32/text_win32.h"
#include "platform/win32/toolkit_win32.h"

namespace {

// A DLL is to come from the system folder only, never from the program's folder,
// which is usually writable by its user. Runs before main, before anything that
// could load a DLL: the DLLs the program imports at start-up are all known system
// DLLs, and the others are delay-loaded (see cmake/windows.cmake), so they and the
// DLLs that system DLLs load later are all looked up under this rule. Found at run
// time, as a Windows 7 without its 2011 loader update lacks it.
__attribute__((constructor(101))) void load_dlls_from_the_system_folder_only()
{
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    const auto set_default = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        reinterpret_cast<void*>(kernel ? GetProcAddress(kernel, "SetDefaultDllDirectories") : nullptr));
    if (set_default) set_default(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

// A box that cannot be shown (no desktop, as for a scheduled task) gives 0, or -1
// from some dialog managers; the caller then gets the safe answer.
int message_box(const char* text, const char* title, unsigned style)
{
    const int answer = win32_message_box(text, title, style);
    return answer > 0 ? answer : message_box_safe_answer(style);
}

// The program is a windowed one, so a console it was started from does not get its
// messages unless it attaches to it; output already sent elsewhere (a file, a
// pipe) stays there.
void attach_parent_console()
{
    static bool done = false;
    if (done) return;
    done = true;
    const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    if (error && error != INVALID_HANDLE_VALUE) return;
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
    if (!std::freopen("CONOUT$", "w", stderr)) return;
    if (!std::freopen("CONOUT$", "w", stdout)) return;
}

}  // namespace

std::string win32_command_text(const wchar_t* line)
{
    // The program name ends at its closing quote when it starts with one, else at the
    // first blank or tab; the blanks and tabs after it go too, as for WinMain.
    const wchar_t* p = line ? line : L"";
    if (*p == L'"') {
        for (++p; *p && *p != L'"'; ++p) {}
        if (*p) ++p;
    } else {
        while (*p && *p != L' ' && *p != L'\t') ++p;
    }
    while (*p == L' ' || *p == L'\t') ++p;
    return narrow(p);
}

std::string native_command_line(int, char**) { return win32_command_text(GetCommandLineW()); }

Platform native_platform()
{
    attach_parent_console();
    Platform p{};
    p.native_path = win32_native_path;
    p.file_status = win32_file_status;
    p.copy_file = win32_copy_file;
    p.move_file = win32_move_file;
    p.replace_file = win32_replace_file;
    p.list_folder = win32_list_folder;
    p.create_directory = win32_create_directory;
    p.delete_file = win32_delete_file;
    p.remove_temp_file = win32_remove_temp_file;
    p.set_file_times = win32_set_file_times;
    p.set_read_only = win32_set_read_only;
    p.open_file = win32_open_file;
    p.sync_file = win32_sync_file;
    p.open_exclusive_log = win32_open_exclusive_log;
    p.last_error = win32_last_error;
    p.set_last_error = win32_set_last_error;
    p.lock_run = win32_lock_run;
    p.unlock_run = win32_unlock_run;
    p.process_names = win32_process_names;
    p.file_version = win32_file_version;
    p.program_image = win32_program_image;
    p.app_data_folder = win32_app_data_folder;
    p.open_url = win32_open_url;
    p.program_folder = win32_program_folder;
    p.change_folder = win32_change_folder;
    p.message_box = message_box;
    p.stderr_is_terminal = win32_stderr_is_terminal;
    p.show_usage = win32_show_usage;
    fill_internet_entries(&p);
    p.toolkit = win32_toolkit();
    return p;
}
