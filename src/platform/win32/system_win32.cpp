// Processes, the application-data folder, the program's own
// folder, the working folder and the browser on the Win32 API.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <tlhelp32.h>
#include <vector>

#include "platform/win32/platform_win32.h"
#include "platform/win32/text_win32.h"

int win32_process_names(std::vector<std::string>* names)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    names->clear();
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        names->push_back(narrow(entry.szExeFile));
    const DWORD why = GetLastError();
    CloseHandle(snapshot);
    // The walk ends with ERROR_NO_MORE_FILES; anything else means the list is partial.
    return why == ERROR_NO_MORE_FILES ? 1 : 0;
}

int win32_app_data_folder(std::string* out)
{
    wchar_t folder[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder))) return 0;
    *out = narrow(folder);
    return out->empty() ? 0 : 1;
}

int win32_open_url(const char* url)
{
    const HINSTANCE result = ShellExecuteW(nullptr, L"open", widen(url).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    // ShellExecute reports success with a value above 32.
    return reinterpret_cast<intptr_t>(result) > 32 ? 1 : 0;
}

int win32_program_folder(std::string* out)
{
    std::wstring path(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
    if (length == 0 || length >= path.size()) return 0;
    path.resize(length);
    const size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return 0;
    // A drive's root keeps its backslash: "C:" alone names the drive's current folder.
    path.resize(slash == 2 && path[1] == L':' ? slash + 1 : slash);
    *out = narrow(path.c_str());
    return out->empty() ? 0 : 1;
}

int win32_change_folder(const char* path)
{
    if (SetCurrentDirectoryW(widen(path).c_str())) return 1;
    win32_set_last_error(GetLastError());
    return 0;
}
