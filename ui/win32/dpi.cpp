#include "dpi.h"

#include "system_library.h"

namespace runesuka::win32 {

void EnableDpiAwareness() {
    using SetContext = BOOL(WINAPI*)(HANDLE);
    using SetAware = BOOL(WINAPI*)();
    if (const auto setContext = LoadedFunction<SetContext>(L"user32.dll", "SetProcessDpiAwarenessContext")) {
        // (HANDLE)-4 is per-monitor v2, (HANDLE)-3 per-monitor v1.
        if (setContext(reinterpret_cast<HANDLE>(-4)) || setContext(reinterpret_cast<HANDLE>(-3))) return;
        if (GetLastError() == ERROR_ACCESS_DENIED) return;  // already set by the manifest
    }
    if (const auto setAware = LoadedFunction<SetAware>(L"user32.dll", "SetProcessDPIAware")) setAware();
}

UINT DpiOfWindow(HWND window) {
    using GetDpi = UINT(WINAPI*)(HWND);
    static const auto getDpi = LoadedFunction<GetDpi>(L"user32.dll", "GetDpiForWindow");
    if (getDpi != nullptr) {
        if (const UINT dpi = getDpi(window)) return dpi;
    }
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : kDefaultDpi;
}

RECT WindowRectForClient(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, UINT dpi) {
    using Adjust = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
    static const auto adjustForDpi = LoadedFunction<Adjust>(L"user32.dll", "AdjustWindowRectExForDpi");
    RECT rect = {0, 0, clientWidth, clientHeight};
    if (adjustForDpi == nullptr || !adjustForDpi(&rect, style, FALSE, exStyle, dpi)) {
        AdjustWindowRectEx(&rect, style, FALSE, exStyle);
    }
    return rect;
}

}  // namespace runesuka::win32
