// System DLLs and their functions, looked up while the program runs: it starts
// on Windows XP SP3, so whatever a newer Windows added may be missing.
#pragma once

#include <windows.h>

namespace runesuka::win32 {

// The function `name` of a loaded module, or nullptr where that Windows lacks it.
template <typename Function>
Function FunctionOf(HMODULE module, const char* name) {
    return module == nullptr ? nullptr
                             : reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// The function `name` of a system DLL the process has already loaded.
template <typename Function>
Function LoadedFunction(const wchar_t* dll, const char* name) {
    return FunctionOf<Function>(GetModuleHandleW(dll), name);
}

// Loads a system DLL by its full System32 path, its own imports searched from
// there too, so that no same-named file beside the program stands in for it.
// nullptr where the DLL is missing.
HMODULE LoadSystemLibrary(const wchar_t* dll);

// From here on DLLs are searched for in System32 alone where Windows offers
// that (8 and later; Vista and 7 with KB2533623). Elsewhere the current
// folder at least leaves the search.
void RestrictDllSearch();

}  // namespace runesuka::win32
