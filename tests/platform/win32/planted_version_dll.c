/* A stand-in for version.dll that someone planted beside the program: when loaded it
   leaves the file "planted-dll-loaded" in the current folder, and answers every
   version question with "no version". */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)instance;
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        HANDLE marker = CreateFileA("planted-dll-loaded", GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
    }
    return TRUE;
}

__declspec(dllexport) DWORD WINAPI GetFileVersionInfoSizeW(LPCWSTR name, LPDWORD handle)
{
    (void)name;
    if (handle) *handle = 0;
    SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return 0;
}

__declspec(dllexport) BOOL WINAPI GetFileVersionInfoW(LPCWSTR name, DWORD handle, DWORD size, LPVOID data)
{
    (void)name;
    (void)handle;
    (void)size;
    (void)data;
    return FALSE;
}

__declspec(dllexport) BOOL WINAPI VerQueryValueW(LPCVOID block, LPCWSTR sub_block, LPVOID* buffer, PUINT length)
{
    (void)block;
    (void)sub_block;
    (void)buffer;
    (void)length;
    return FALSE;
}
