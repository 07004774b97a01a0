/* A DLL that someone planted beside the program under the name of a system DLL the
   program uses: when loaded it leaves the file "planted-dll-loaded" in the current
   folder. It exports nothing, so a program that takes it cannot start. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)instance;
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        HANDLE marker =
            CreateFileA("planted-dll-loaded", GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
    }
    return TRUE;
}
