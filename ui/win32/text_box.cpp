#include "text_box.h"

namespace runesuka::win32 {
namespace {

WNDPROC editProc = nullptr;

bool IsInertKey(WPARAM key) { return key == VK_RETURN || key == VK_ESCAPE || key == VK_SPACE; }

LRESULT CALLBACK TextBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // The three keys' characters (CR, ESC, space) have their key codes' values.
    const bool keyMessage = message == WM_KEYDOWN || message == WM_KEYUP || message == WM_CHAR;
    if (keyMessage && IsInertKey(wParam)) return 0;
    if (message == WM_GETOBJECT) SendMessageW(GetAncestor(window, GA_ROOT), kAccessibilityAsked, 0, 0);
    return CallWindowProcW(editProc, window, message, wParam, lParam);
}

}  // namespace

void MakeTextBox(HWND edit) {
    // Typed first: the cast below would take a procedure without CALLBACK too.
    const WNDPROC textBoxProc = TextBoxProc;
    const auto previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(textBoxProc)));
    if (editProc == nullptr) editProc = previous;
}

}  // namespace runesuka::win32
