#include "system_library.h"

#include <string>

namespace runesuka::win32 {
namespace {

// From the headers of Windows 8, which the Windows XP ones leave out.
constexpr DWORD kLoadLibrarySearchSystem32 = 0x00000800;

}  // namespace

HMODULE LoadSystemLibrary(const wchar_t* dll) {
    const UINT size = GetSystemDirectoryW(nullptr, 0);
    if (size == 0) return nullptr;
    std::wstring path(size, L'\0');
    const UINT length = GetSystemDirectoryW(path.data(), size);
    if (length == 0 || length >= size) return nullptr;
    path.resize(length);
    path += L'\\';
    path += dll;
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

void RestrictDllSearch() {
    using SetDefaultDllDirectories = BOOL(WINAPI*)(DWORD);
    const auto setDefault = LoadedFunction<SetDefaultDllDirectories>(L"kernel32.dll", "SetDefaultDllDirectories");
    if (setDefault != nullptr && setDefault(kLoadLibrarySearchSystem32)) return;
    SetDllDirectoryW(L"");
}

}  // namespace runesuka::win32
