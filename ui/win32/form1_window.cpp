#include "form1_window.h"

#include <algorithm>
#include <stdexcept>

#include "accessibility.h"
#include "assistive.h"
#include "clipboard.h"
#include "control_table.h"
#include "dpi.h"
#include "error_boundary.h"
#include "findings.h"
#include "system_library.h"
#include "tab_order.h"
#include "text_box.h"
#include "wide_text.h"

namespace runesuka::win32 {
namespace {

constexpr UINT kRunCheck = WM_APP + 1;
// WM_DPICHANGED, sent from Windows 8.1 on; the Windows XP headers leave it out.
constexpr UINT kDpiChanged = 0x02E0;
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kWindowExStyle = WS_EX_WINDOWEDGE;
constexpr int kCmdEndId = kFirstControlId + static_cast<int>(Field::Cmd_End);
// The system menu's own command for copying the findings: below the system's
// (0xF000 on), with the low four bits clear, which Windows uses itself.
constexpr UINT kCopyFindings = 0x0010;
// 閉じる has (&C) on Japanese Windows; no item of the system menu has P.
// The key is shown as 閉じる shows Alt+F4.
constexpr wchar_t kCopyFindingsItem[] = L"結果をコピー(&P)\tCtrl+C";
// Unload modes the query-unload handler is told.
constexpr std::int16_t kFormControlMenu = 0;
constexpr std::int16_t kAppWindows = 2;

// imm32 is loaded by its System32 path rather than imported, so that no
// imm32.dll beside the program can stand in for it where Windows does not list
// it among the known DLLs it takes from System32 alone.
void DisableInputMethod() {
    using ImmDisableIme = BOOL(WINAPI*)(DWORD);
    if (const auto disable = FunctionOf<ImmDisableIme>(LoadSystemLibrary(L"imm32.dll"), "ImmDisableIME")) disable(0);
}

// Milestones for a debugger or Wine's +debugstr channel; the benchmark reads
// them to tell where start-up time goes.
void Mark(const char* milestone) { OutputDebugStringA(milestone); }

// Above 閉じる and set apart from it, so that closing stays the last item.
void AddCopyItem(HWND window) {
    const HMENU menu = GetSystemMenu(window, FALSE);
    InsertMenuW(menu, SC_CLOSE, MF_BYCOMMAND | MF_STRING, kCopyFindings, kCopyFindingsItem);
    InsertMenuW(menu, SC_CLOSE, MF_BYCOMMAND | MF_SEPARATOR, 0, nullptr);
}

// Ctrl+C, as a message box takes it. Where the focus is in a text box with a
// selection, the box copies that instead; other controls leave both ends of
// EM_GETSEL at 0.
bool IsCopyFindingsKey(const MSG& message) {
    if (message.message != WM_KEYDOWN || message.wParam != 'C' || GetKeyState(VK_CONTROL) >= 0 ||
        GetKeyState(VK_MENU) < 0) {
        return false;
    }
    DWORD start = 0;
    DWORD end = 0;
    SendMessageW(message.hwnd, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return start == end;
}

COLORREF ToColorRef(OleColor color) {
    return (color & 0x80000000u) != 0 ? GetSysColor(static_cast<int>(color & 0xFFu)) : static_cast<COLORREF>(color);
}

struct ChildClass {
    const wchar_t* name;
    DWORD style;
};

ChildClass ClassOf(const ControlDef& control) {
    switch (control.kind) {
        case ControlKind::TextBox:
            return {L"EDIT", static_cast<DWORD>(ES_MULTILINE | ES_READONLY | WS_TABSTOP |
                                                (control.alignment == Alignment::Center ? ES_CENTER : ES_LEFT))};
        case ControlKind::Frame: return {kFrameClass, WS_CLIPCHILDREN};
        case ControlKind::ImageBox: return {L"STATIC", SS_ICON | SS_REALSIZECONTROL};
        case ControlKind::CommandButton: return {L"BUTTON", BS_DEFPUSHBUTTON | WS_TABSTOP};
    }
    throw std::logic_error("unknown control kind");
}

}  // namespace

Form1Window::Form1Window(HINSTANCE instance) : instance_(instance) {}

void Form1Window::RegisterClasses(HINSTANCE instance) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(RUNESUKA_ICON_APPLICATION), IMAGE_ICON,
                                                      GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
    windowClass.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(RUNESUKA_ICON_APPLICATION), IMAGE_ICON,
                                                        GetSystemMetrics(SM_CXSMICON),
                                                        GetSystemMetrics(SM_CYSMICON), 0));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kWindowClass;
    if (RegisterClassExW(&windowClass) == 0) throw std::runtime_error("cannot register the window class");

    WNDCLASSEXW frameClass{};
    frameClass.cbSize = sizeof frameClass;
    frameClass.lpfnWndProc = FrameProc;
    frameClass.cbWndExtra = sizeof(HFONT);
    frameClass.hInstance = instance;
    frameClass.hCursor = windowClass.hCursor;
    frameClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    frameClass.lpszClassName = kFrameClass;
    if (RegisterClassExW(&frameClass) == 0) throw std::runtime_error("cannot register the frame class");
}

void Form1Window::Show(Form1& form) {
    form_ = &form;
    // No field takes typed text: without an input method the thread gets no
    // IME window and loads no text services, a saving in start-up time and
    // memory. It has to come before the first window is created.
    DisableInputMethod();
    RegisterClasses(instance_);
    window_ = CreateWindowExW(kWindowExStyle, kWindowClass, Wide(std::u16string(kForm1.caption)), kWindowStyle, 0, 0,
                              0, 0, nullptr, nullptr, instance_, this);
    if (window_ == nullptr) throw std::runtime_error("cannot create the window");
    AddCopyItem(window_);

    // Sized and centred for the DPI of the monitor it opens on, before any
    // control exists, so that every control is created at its final place.
    dpi_ = DpiOfWindow(window_);
    const RECT outer = WindowRectForClient(TwipsToPixels(kForm1.clientWidth, dpi_),
                                           TwipsToPixels(kForm1.clientHeight, dpi_), kWindowStyle, kWindowExStyle,
                                           dpi_);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(window_, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& work = monitor.rcWork;
    const int width = outer.right - outer.left;
    const int height = outer.bottom - outer.top;
    SetWindowPos(window_, nullptr, work.left + (work.right - work.left - width) / 2,
                 work.top + (work.bottom - work.top - height) / 2, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    Mark("runesuka: main window created");

    warningIcon_ = static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(RUNESUKA_ICON_WARNING), IMAGE_ICON, 32, 32, 0));
    CreateControls();
    Mark("runesuka: controls created");
    loading_ = true;
    form.Form_Load();
    loading_ = false;
    highContrast_ = HighContrastOn();
    for (int i = 0; i < kFieldCount; ++i) ApplyFont(static_cast<Field>(i));
    Mark("runesuka: fonts set");

    ShowWindow(window_, SW_SHOW);
    Mark("runesuka: shown");
    // In case the window is shown without being activated.
    PostMessageW(window_, kRunCheck, 0, 0);
}

RECT Form1Window::PixelRect(const ControlDef& control) const {
    const Twips t = WindowTwips(control);
    RECT rect = {TwipsToPixels(t.left, dpi_), TwipsToPixels(t.top, dpi_), TwipsToPixels(t.left + t.width, dpi_),
                 TwipsToPixels(t.top + t.height, dpi_)};
    if (control.container) {
        const Twips outer = WindowTwips(ControlOf(*control.container));
        OffsetRect(&rect, -TwipsToPixels(outer.left, dpi_), -TwipsToPixels(outer.top, dpi_));
    }
    return rect;
}

// In stored order: each new child goes below its earlier siblings, so the
// first listed lies on top.
void Form1Window::CreateControls() {
    for (int i = 0; i < kFieldCount; ++i) {
        const ControlDef& control = kForm1Controls[static_cast<std::size_t>(i)];
        const ControlState& state = form_->Controls(i).state();
        const ChildClass childClass = ClassOf(control);
        const RECT rect = PixelRect(control);
        const HWND parent = control.container ? Child(*control.container) : window_;
        const DWORD style = WS_CHILD | WS_CLIPSIBLINGS | childClass.style | (state.visible ? WS_VISIBLE : 0);
        const HWND child = CreateWindowExW(
            0, childClass.name, control.kind == ControlKind::ImageBox ? nullptr : Wide(state.text), style, rect.left,
            rect.top, rect.right - rect.left, rect.bottom - rect.top, parent,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + i)), instance_, nullptr);
        if (child == nullptr) throw std::runtime_error(std::string("cannot create ") + FieldName(control.name));
        children_[static_cast<std::size_t>(i)] = child;
        if (control.kind == ControlKind::ImageBox) {
            SendMessageW(child, STM_SETICON, reinterpret_cast<WPARAM>(warningIcon_), 0);
        }
        if (control.kind == ControlKind::TextBox) MakeTextBox(child);
    }
}

void Form1Window::Layout() {
    for (int i = 0; i < kFieldCount; ++i) {
        const RECT rect = PixelRect(kForm1Controls[static_cast<std::size_t>(i)]);
        SetWindowPos(Child(static_cast<Field>(i)), nullptr, rect.left, rect.top, rect.right - rect.left,
                     rect.bottom - rect.top, SWP_NOZORDER | SWP_NOACTIVATE);
        ApplyFont(static_cast<Field>(i));
    }
}

void Form1Window::ApplyFont(Field field) {
    const Control& control = form_->Controls(static_cast<int>(field));
    if (!control.Has(Property::FontName)) return;
    const ControlState& state = control.state();
    const HWND child = Child(field);
    const HFONT font = fonts_.Get(Wide(state.fontName), state.fontSize, state.fontBold, dpi_);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), IsWindowVisible(child));
}

void Form1Window::ControlChanged(Field field, Property property) {
    // After loading, the classification alone touches the runtime name and the
    // advice; the check only reveals the advice field before its scan.
    const bool classification = field == Field::Text00 || (field == Field::Text2 && property != Property::Visible);
    if (!loading_ && !classifying_ && classification) {
        classifying_ = true;
        Mark("runesuka: scan done");
    }
    const HWND child = Child(field);
    const ControlState& state = form_->State(field);
    switch (property) {
        case Property::Text:
            if (!SetWindowTextW(child, Wide(state.text))) {
                throw FieldError(std::string("cannot set the text of ") + FieldName(field));
            }
            if (field == Field::Text0) Mark("runesuka: Text0 written");
            break;
        case Property::Visible: ShowWindow(child, state.visible ? SW_SHOWNA : SW_HIDE); break;
        case Property::FontName:
        case Property::FontSize:
        case Property::FontBold:
            if (!loading_) ApplyFont(field);
            break;
        case Property::ForeColor:
            if (!loading_) InvalidateRect(child, nullptr, TRUE);
            break;
    }
}

// Paints the whole window now. The fields then change without being painted
// one by one until the handler that asked for the repaint returns; the
// window is then painted once.
void Form1Window::Refresh() {
    RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Mark("runesuka: first paint");
    SendMessageW(window_, WM_SETREDRAW, FALSE, 0);
    paintingHeld_ = true;
}

void Form1Window::ResumePainting() {
    if (!paintingHeld_) return;
    paintingHeld_ = false;
    SendMessageW(window_, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

void Form1Window::EndProgram() { ExitProcess(0); }

// A high-contrast theme's own colours replace the stored ones, red included.
LRESULT Form1Window::OnCtlColor(HDC dc, HWND control) {
    const int index = GetDlgCtrlID(control) - kFirstControlId;
    const OleColor color = index >= 0 && index < kFieldCount ? form_->Controls(index).state().foreColor : kWindowText;
    SetTextColor(dc, highContrast_ ? GetSysColor(COLOR_BTNTEXT) : ToColorRef(color));
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    SetBkMode(dc, OPAQUE);
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

void Form1Window::OnRunCheck() {
    const bool firstCheck = form_->intActivated() == 0;
    {
        // Whatever the check holds back is painted once it ends, even by an error.
        struct PaintWhenDone {
            Form1Window& self;
            ~PaintWhenDone() { self.ResumePainting(); }
        } paintWhenDone{*this};
        form_->Form_Activate();
    }
    if (firstCheck) Announce(window_, ResultSentence(*form_));
}

// Before the check there is nothing to copy, and the clipboard keeps what it holds.
void Form1Window::OnCopyFindings() {
    const std::u16string text = FindingsText(*form_);
    if (!text.empty()) CopyToClipboard(window_, text);
}

void Form1Window::OnAccessibilityAsked() {
    if (named_) return;
    named_ = true;
    NameTextBoxes(children_);
}

void Form1Window::OnThemeChanged() {
    highContrast_ = HighContrastOn();
    for (const HWND child : children_) SendMessageW(child, WM_SYSCOLORCHANGE, 0, 0);
    RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

// Tab and Shift+Tab walk the controls by their stored tab index, passing over
// those hidden or showing nothing; a text box is entered with its text
// selected, as in a dialog box.
void Form1Window::MoveFocus(bool backwards) {
    const std::vector<Field>& order = TabOrder();
    const std::size_t count = order.size();
    const HWND focus = GetFocus();
    const auto current = std::find_if(order.begin(), order.end(), [&](Field field) { return Child(field) == focus; });
    const std::size_t from = current != order.end() ? static_cast<std::size_t>(current - order.begin())
                                                    : (backwards ? 0 : count - 1);
    for (std::size_t step = 1; step <= count; ++step) {
        const Field field = order[(backwards ? from + count - step : from + step) % count];
        const HWND target = Child(field);
        const bool textBox = ControlOf(field).kind == ControlKind::TextBox;
        if (!IsWindowVisible(target) || (textBox && IsBlank(form_->State(field).text))) continue;
        if (textBox) SendMessageW(target, EM_SETSEL, 0, -1);
        SetFocus(target);
        return;
    }
}

// As a dialog box does: the control that had the focus when the window was
// left gets it back, its selection included; at first the button has it.
void Form1Window::OnDeactivate() {
    const HWND focus = GetFocus();
    if (focus != nullptr && IsChild(window_, focus)) focusWhenLeft_ = focus;
}

void Form1Window::OnSetFocus() {
    const HWND target = focusWhenLeft_ != nullptr && IsWindowVisible(focusWhenLeft_) ? focusWhenLeft_
                                                                                     : Child(Field::Cmd_End);
    if (IsWindowVisible(target)) SetFocus(target);
}

void Form1Window::OnDpiChanged(UINT dpi, const RECT& suggested) {
    dpi_ = dpi;
    SetWindowPos(window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    Layout();
}

LRESULT Form1Window::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE) {
                OnDeactivate();
            } else {
                PostMessageW(window_, kRunCheck, 0, 0);
            }
            break;
        case kRunCheck: OnRunCheck(); return 0;
        case WM_SETFOCUS: OnSetFocus(); return 0;
        case WM_COMMAND:
            if (LOWORD(wParam) == kCmdEndId && HIWORD(wParam) == BN_CLICKED) form_->Cmd_End_Click();
            return 0;
        case WM_CLOSE:
        case WM_QUERYENDSESSION: {
            std::int16_t cancel = 0;
            form_->Form_QueryUnload(cancel, message == WM_CLOSE ? kFormControlMenu : kAppWindows);
            return 0;
        }
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) == kCopyFindings) {
                OnCopyFindings();
                return 0;
            }
            break;
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORBTN: return OnCtlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case kDpiChanged: OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam)); return 0;
        case WM_GETOBJECT: OnAccessibilityAsked(); break;
        case kAccessibilityAsked: OnAccessibilityAsked(); return 0;
        case WM_SYSCOLORCHANGE:
        case WM_SETTINGCHANGE: OnThemeChanged(); break;
        default: break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

LRESULT CALLBACK Form1Window::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return Guarded([&]() -> LRESULT {
        if (message == WM_NCCREATE) {
            auto* self = static_cast<Form1Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
            self->window_ = window;
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
        auto* self = reinterpret_cast<Form1Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
        return self->HandleMessage(message, wParam, lParam);
    });
}

// Frames keep the font they are given, and pass their children's colour
// requests on to the window.
LRESULT CALLBACK Form1Window::FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SETFONT:
            SetWindowLongPtrW(window, 0, static_cast<LONG_PTR>(wParam));
            if (LOWORD(lParam)) InvalidateRect(window, nullptr, TRUE);
            return 0;
        case WM_GETFONT: return GetWindowLongPtrW(window, 0);
        case WM_GETOBJECT:
            SendMessageW(GetAncestor(window, GA_ROOT), kAccessibilityAsked, 0, 0);
            return DefWindowProcW(window, message, wParam, lParam);
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORBTN:
        case WM_COMMAND: return SendMessageW(GetAncestor(window, GA_ROOT), message, wParam, lParam);
        default: return DefWindowProcW(window, message, wParam, lParam);
    }
}

int Form1Window::RunMessageLoop() {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        const bool inWindow = message.hwnd == window_ || IsChild(window_, message.hwnd);
        if (inWindow && message.message == WM_KEYDOWN && message.wParam == VK_TAB) {
            MoveFocus(GetKeyState(VK_SHIFT) < 0);
            continue;
        }
        // Through the window procedure, the system menu's way, inside its error boundary.
        if (inWindow && IsCopyFindingsKey(message)) {
            SendMessageW(window_, WM_SYSCOMMAND, kCopyFindings, 0);
            continue;
        }
        // Gives the button its keyboard behaviour: Space and Enter.
        if (IsDialogMessageW(window_, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

}  // namespace runesuka::win32
