// The floor for the start-up benchmark: the least a Win32 program can do to
// show the program's main result, one red bold "不 明" in a read-only EDIT.
// Anything the real program takes beyond this is its own cost.
#include <windows.h>

namespace {

constexpr wchar_t kClass[] = L"RunesukaFloor";
constexpr wchar_t kText[] = L"不 明";
constexpr wchar_t kFace[] = L"ＭＳ Ｐゴシック";
constexpr int kPoints = 17;
// The program's client area and its result box, in pixels at 96 DPI.
constexpr int kClientWidth = 457;
constexpr int kClientHeight = 257;
constexpr int kEditWidth = 81;
constexpr int kEditHeight = 25;
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;

int Scale(int pixels, UINT dpi) { return MulDiv(pixels, static_cast<int>(dpi), 96); }

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CTLCOLORSTATIC: {
            const HDC dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, RGB(255, 0, 0));
            SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        }
        case WM_DESTROY: PostQuitMessage(0); return 0;
        default: return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);

    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kClass;
    if (RegisterClassExW(&windowClass) == 0) return 1;

    const HWND window = CreateWindowExW(0, kClass, L"floor", kStyle, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) return 1;
    const UINT dpi = GetDpiForWindow(window);
    RECT outer = {0, 0, Scale(kClientWidth, dpi), Scale(kClientHeight, dpi)};
    AdjustWindowRectExForDpi(&outer, kStyle, FALSE, 0, dpi);
    SetWindowPos(window, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // The same words as the program's milestones, so that the benchmark reads both alike.
    OutputDebugStringA("floor: main window created");

    const int width = Scale(kEditWidth, dpi);
    const int height = Scale(kEditHeight, dpi);
    const HWND edit = CreateWindowExW(0, L"EDIT", kText, WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_READONLY | ES_CENTER,
                                      (Scale(kClientWidth, dpi) - width) / 2, (Scale(kClientHeight, dpi) - height) / 2,
                                      width, height, window, nullptr, instance, nullptr);
    if (edit == nullptr) return 1;
    const HFONT font = CreateFontW(-MulDiv(kPoints, static_cast<int>(dpi), 72), 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE,
                                   SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                   DEFAULT_PITCH | FF_DONTCARE, kFace);
    SendMessageW(edit, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);

    ShowWindow(window, SW_SHOW);
    OutputDebugStringA("floor: shown");
    UpdateWindow(window);
    OutputDebugStringA("floor: Text0 written");

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    DeleteObject(font);
    return static_cast<int>(message.wParam);
}
