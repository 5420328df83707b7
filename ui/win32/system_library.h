// System DLLs and their functions, looked up while the program runs: it starts
// on Windows XP SP3, so whatever a newer Windows added may be missing.
#pragma once

#include <windows.h>

#include <type_traits>

namespace runesuka::win32 {

// Whether `Function` points to a function with the Windows calling convention.
// On i686 a type without WINAPI calls a WINAPI function as cdecl, which leaves
// the stack wrong after every call; x86_64 has one convention and cannot tell.
template <typename Function>
struct IsWinapiFunction : std::false_type {};
template <typename Result, typename... Args>
struct IsWinapiFunction<Result(WINAPI*)(Args...)> : std::true_type {};

// The function `name` of a loaded module, or nullptr where that Windows lacks it.
template <typename Function>
Function FunctionOf(HMODULE module, const char* name) {
    static_assert(IsWinapiFunction<Function>::value, "a Windows function's pointer type needs WINAPI");
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
