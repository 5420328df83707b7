// Stands in for a system DLL planted beside a program. Whichever process loads it
// appends its own path to "<this DLL's path>.loaded", the evidence the tests look for.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved) {
    (void)reserved;
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    wchar_t marker[MAX_PATH + 8];
    wchar_t process[MAX_PATH + 1];
    const DWORD length = GetModuleFileNameW(self, marker, MAX_PATH);
    lstrcpyW(marker + length, L".loaded");
    const DWORD processLength = GetModuleFileNameW(NULL, process, MAX_PATH);
    process[processLength] = L'\n';
    const HANDLE file = CreateFileW(marker, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, NULL);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written;
        WriteFile(file, process, (processLength + 1) * sizeof(wchar_t), &written, NULL);
        CloseHandle(file);
    }
    return TRUE;
}
