// Loads a DLL by its bare name, as code in a process does when it does not name a folder,
// for the DLL planting test.
//   planted_loader.exe load NAME.dll [system32-only]
//       in this process; system32-only first restricts the search as runesuka.exe does
//   planted_loader.exe inject NAME.dll
//       in the process of the Runesuka window (waits up to 30 s for it), on a thread of
//       that process, so that the search follows that process's DLL settings
// Exit code: 0 loaded, 1 not loaded, 2 usage or injection failure.
#include <windows.h>

#include <stdio.h>

static int LoadHere(const wchar_t* name, BOOL system32Only) {
    if (system32Only && !SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)) return 2;
    return LoadLibraryW(name) != NULL ? 0 : 1;
}

static HWND WaitForWindow(void) {
    for (int i = 0; i < 300; ++i) {
        const HWND window = FindWindowW(L"RunesukaForm1", NULL);
        if (window != NULL) return window;
        Sleep(100);
    }
    return NULL;
}

// LoadLibraryW runs as the remote thread's procedure: its one argument is the name, its
// result (an HMODULE, zero when nothing was loaded) the thread's exit code.
static int LoadInWindowProcess(const wchar_t* name) {
    const HWND window = WaitForWindow();
    if (window == NULL) return fprintf(stderr, "no Runesuka window\n"), 2;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    const HANDLE process = OpenProcess(PROCESS_ALL_ACCESS, FALSE, pid);
    if (process == NULL) return fprintf(stderr, "OpenProcess: %lu\n", GetLastError()), 2;

    const SIZE_T bytes = (lstrlenW(name) + 1) * sizeof(wchar_t);
    void* remoteName = VirtualAllocEx(process, NULL, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    int result = 2;
    if (remoteName != NULL && WriteProcessMemory(process, remoteName, name, bytes, NULL)) {
        // kernel32 sits at the same address in every process of one bitness.
        const LPTHREAD_START_ROUTINE loadLibrary =
            (LPTHREAD_START_ROUTINE)(void*)GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "LoadLibraryW");
        const HANDLE thread = CreateRemoteThread(process, NULL, 0, loadLibrary, remoteName, 0, NULL);
        DWORD module = 0;
        if (thread != NULL && WaitForSingleObject(thread, 30000) == WAIT_OBJECT_0 && GetExitCodeThread(thread, &module)) {
            result = module != 0 ? 0 : 1;
        } else {
            fprintf(stderr, "remote LoadLibraryW: %lu\n", GetLastError());
        }
        if (thread != NULL) CloseHandle(thread);
    }
    CloseHandle(process);
    return result;
}

int wmain(int argc, wchar_t** argv) {
    if (argc >= 3 && lstrcmpW(argv[1], L"load") == 0) {
        return LoadHere(argv[2], argc > 3 && lstrcmpW(argv[3], L"system32-only") == 0);
    }
    if (argc == 3 && lstrcmpW(argv[1], L"inject") == 0) return LoadInWindowProcess(argv[2]);
    fprintf(stderr, "usage: planted_loader.exe load NAME.dll [system32-only] | inject NAME.dll\n");
    return 2;
}
