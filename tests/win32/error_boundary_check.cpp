// A window whose procedure throws, to show that the error stops at the
// window procedure: reported in a message box, then the process ends with 1.
// Started with "uncaught", it throws where no handler is, and is to end the
// same way.
#include <windows.h>

#include <stdexcept>

#include "error_boundary.h"

namespace {

LRESULT CALLBACK ThrowingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return runesuka::win32::Guarded([&]() -> LRESULT {
        if (message == WM_APP) throw std::runtime_error("thrown in a window procedure");
        return DefWindowProcW(window, message, wParam, lParam);
    });
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    if (lstrcmpW(commandLine, L"uncaught") == 0) throw std::runtime_error("thrown where no handler is");
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = ThrowingProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = L"RunesukaErrorBoundaryCheck";
    RegisterClassW(&windowClass);
    const HWND window = CreateWindowW(windowClass.lpszClassName, L"", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                                      nullptr, instance, nullptr);
    PostMessageW(window, WM_APP, 0, 0);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    return 0;  // not reached: the error ends the process
}
