// probe.exe: reads the Runesuka window of another process, and drives it, for the Wine tests.
//
//   probe.exe dump OUT.json [--timeout-ms N]  window + every descendant control as UTF-8 JSON
//                                             ("-" writes to stdout)
//   probe.exe click-end [--timeout-ms N]      real mouse click (SendInput) on Cmd_End
//   probe.exe key-end [--timeout-ms N]        focus Cmd_End, then press and release Space
//   probe.exe close-box [--timeout-ms N]      real mouse click on the title bar's close box
//   probe.exe sc-close [--timeout-ms N]       WM_SYSCOMMAND SC_CLOSE (what the close box sends)
//   probe.exe list OUT.json                   every visible top-level window (class, title, pid)
//   probe.exe acp                             prints the ANSI code page (932 under ja_JP.UTF-8)
//   probe.exe focus OUT.json                  which control has the focus, and its selection
//   probe.exe click ID                        real mouse click on the control with that ID
//   probe.exe keys KEY...                     real key presses to the window: enter, esc, space,
//                                             tab, f4, a letter; prefixes shift+, ctrl+, alt+
//   probe.exe select ID START END             EM_SETSEL on an Edit
//   probe.exe reactivate OUT.json             activates a window of the probe's, then the
//                                             program's again; focus before and after
//   probe.exe click-inactive ID               click on a control while a window of the
//                                             probe's is the active one
//   probe.exe query-end-session               WM_QUERYENDSESSION, as at log-off
//   probe.exe watch ARMED OUT.json [--screen-reader]
//                                             start before the program: hooks every thread,
//                                             writes ARMED, then the window's controls as they
//                                             were at its first activation and the WinEvents
//                                             the program raised up to its announcement;
//                                             --screen-reader: SPI_GETSCREENREADER answers on
//   probe.exe accessible OUT.json             MSAA name, value, role and state of every visible Edit
//   probe.exe tab-walk OUT.json N [back]      presses Tab (Shift+Tab) N times, the focus after each
//   probe.exe clipboard OUT.json              the clipboard's text
//   probe.exe copied OUT.json [--hold] KEY... empties the clipboard, presses the keys as `keys`
//                                             does, then writes the clipboard's text once the
//                                             program has handled them; --hold keeps the
//                                             clipboard open meanwhile, as another program may
//   probe.exe high-contrast on OUT.json       sets high-contrast colours, then has the program's
//                                             SPI_GETHIGHCONTRAST answer on and tells it of the
//                                             setting; OUT.json keeps the colours it replaced
//   probe.exe high-contrast off C1 C2 C3 C4   SPI_GETHIGHCONTRAST answers truly again, and the
//                                             colours C1..C4 come back (as "on" saved them)
//
// Exit codes: 0 done, 1 usage, 2 window not found in time, 3 the action failed,
// 4 dump written but Text0 stayed empty until the timeout (results never appeared).
#include "probe_shared.h"
#include "system_library.h"
#include "window_search.h"

#include <oleacc.h>
#include <shellapi.h>

#include <algorithm>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using runesuka::win32::FunctionOf;
using runesuka::win32::LoadedFunction;

constexpr wchar_t kWindowClass[] = L"RunesukaForm1";
constexpr int kText0Id = 1014;
constexpr int kCmdEndId = 1016;

int Fail(int code, const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  std::fputs("probe: ", stderr);
  std::vfprintf(stderr, fmt, ap);
  std::fputc('\n', stderr);
  va_end(ap);
  return code;
}

void MakeDpiAware() {
  using SetContextFn = BOOL(WINAPI*)(HANDLE);
  const auto set_context = LoadedFunction<SetContextFn>(L"user32.dll", "SetProcessDpiAwarenessContext");
  // -4 is DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2, -3 the older per-monitor context.
  if (set_context && (set_context(reinterpret_cast<HANDLE>(-4)) || set_context(reinterpret_cast<HANDLE>(-3))))
    return;
  SetProcessDPIAware();
}

UINT DpiForWindow(HWND hwnd) {
  using Fn = UINT(WINAPI*)(HWND);
  const auto fn = LoadedFunction<Fn>(L"user32.dll", "GetDpiForWindow");
  return fn ? fn(hwnd) : 0;
}

// ---- text helpers -------------------------------------------------------------------------

std::string Utf8(const std::wstring& w) {
  if (w.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  std::string s(n, '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), &s[0], n, nullptr, nullptr);
  return s;
}

std::string Json(const std::wstring& w) {
  std::string out = "\"";
  for (char ch : Utf8(w)) {
    auto c = static_cast<unsigned char>(ch);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += ch;
    } else if (c < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
    } else {
      out += ch;
    }
  }
  return out + "\"";
}

std::string Rect(const RECT& r) {
  char buf[96];
  std::snprintf(buf, sizeof buf, "[%ld, %ld, %ld, %ld]", r.left, r.top, r.right, r.bottom);
  return buf;
}

std::string Fmt(const char* fmt, ...) {
  char buf[256];
  va_list ap;
  va_start(ap, fmt);
  std::vsnprintf(buf, sizeof buf, fmt, ap);
  va_end(ap);
  return buf;
}

std::wstring ClassOf(HWND hwnd) {
  wchar_t buf[256] = {};
  GetClassNameW(hwnd, buf, 256);
  return buf;
}

// WM_GETTEXT is marshalled across processes by the system; a timeout keeps a hung target
// from hanging the probe.
std::wstring TextOf(HWND hwnd) {
  DWORD_PTR len = 0;
  if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &len)) return {};
  std::vector<wchar_t> buf(len + 2, L'\0');
  DWORD_PTR got = 0;
  if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()),
                           SMTO_ABORTIFHUNG, 2000, &got))
    return {};
  return std::wstring(buf.data(), got);
}

// ---- finding windows ----------------------------------------------------------------------

HWND WaitForWindow(DWORD timeout_ms) { return WaitForTopLevel(kWindowClass, timeout_ms); }

// ---- the hook: runs code inside the target process -----------------------------------------

class HookSession {
 public:
  HookSession() {
    wchar_t name[64];
    swprintf(name, 64, PROBE_MAPPING_FMT, static_cast<unsigned long>(GetCurrentProcessId()));
    mapping_ = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(ProbeShared), name);
    if (mapping_) shared_ = static_cast<ProbeShared*>(MapViewOfFile(mapping_, FILE_MAP_ALL_ACCESS, 0, 0, 0));
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    while (n > 0 && path[n - 1] != L'\\' && path[n - 1] != L'/') --n;
    path[n] = L'\0';
    dll_ = LoadLibraryW((std::wstring(path) + L"probe_hook.dll").c_str());
  }
  ~HookSession() {
    if (shared_) UnmapViewOfFile(shared_);
    if (mapping_) CloseHandle(mapping_);
    if (dll_) FreeLibrary(dll_);
  }
  HookSession(const HookSession&) = delete;
  HookSession& operator=(const HookSession&) = delete;

  // Installs the hook on the window's thread only for the duration of one sent message.
  const ProbeShared* Run(HWND top, ProbeCommand command, WORD arg = 0, const COLORREF* colors = nullptr) {
    if (!shared_ || !dll_) return nullptr;
    const auto proc = FunctionOf<HOOKPROC>(dll_, PROBE_HOOK_PROC);
    DWORD tid = GetWindowThreadProcessId(top, nullptr);
    HHOOK hook = proc ? SetWindowsHookExW(WH_CALLWNDPROC, proc, dll_, tid) : nullptr;
    if (!hook) return nullptr;
    ZeroMemory(shared_, sizeof *shared_);
    if (colors) CopyMemory(shared_->colors, colors, sizeof shared_->colors);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(top, RegisterWindowMessageW(PROBE_MESSAGE_NAME), GetCurrentProcessId(),
                        MAKELPARAM(command, arg), SMTO_ABORTIFHUNG, 5000, &ignored);
    UnhookWindowsHookEx(hook);
    return shared_->done ? shared_ : nullptr;
  }

 private:
  HANDLE mapping_ = nullptr;
  ProbeShared* shared_ = nullptr;
  HMODULE dll_ = nullptr;
};

// SendInput only queues the input, and a window paints when its thread gets to it, which on a
// loaded machine can be long after. The hook answers from inside that thread's message
// retrieval, so once nothing is waiting there everything queued before has been handled and
// painted. A window that has gone (the input closed it) has nothing left to handle.
void WaitUntilHandled(HWND top, DWORD timeout_ms) {
  HookSession hook_session;
  for (const ULONGLONG deadline = GetTickCount64() + timeout_ms; GetTickCount64() < deadline; Sleep(20)) {
    if (!IsWindow(top)) return;
    const ProbeShared* answer = hook_session.Run(top, kProbeQueueStatus);
    if (answer && answer->queue_status == 0) return;
  }
}

// ---- dump ---------------------------------------------------------------------------------

std::string FontJson(const ProbeControl* c) {
  if (!c || !c->has_font) return "null";
  return "{\"face\": " + Json(c->font.lfFaceName) + Fmt(", \"height\": %ld, \"weight\": %ld", c->font.lfHeight, c->font.lfWeight) +
         Fmt(", \"charset\": %d, \"italic\": %d, \"underline\": %d", c->font.lfCharSet, c->font.lfItalic, c->font.lfUnderline) +
         ", \"actual_face\": " + Json(c->actual_face) + Fmt(", \"tm_height\": %ld, \"tm_internal_leading\": %ld}", c->tm_height, c->tm_internal_leading);
}

std::string LayoutJson(const ProbeControl* c) {
  if (!c || !c->has_colors) return "null";
  std::string s = Fmt("{\"lines\": %d, \"first_visible_line\": %d, \"format_rect\": ", c->line_count,
                      c->first_visible_line) +
                  Rect(c->format_rect) + ", \"client_rect\": " + Rect(c->client_rect) + ", \"positions\": [";
  for (int i = 0; i < c->positions; ++i) s += Fmt(i ? ", [%d, %d]" : "[%d, %d]", c->pos_x[i], c->pos_y[i]);
  s += "], \"line_boxes\": [";
  for (int i = 0; i < c->lines; ++i)
    s += Fmt(i ? ", [%d, %d, %d]" : "[%d, %d, %d]", c->line_x[i], c->line_y[i], c->line_width[i]);
  return s + "]}";
}

std::string ColorsJson(const ProbeControl* c) {
  if (!c || !c->has_colors) return "null";
  std::string s = Fmt("{\"message\": \"%s\", \"text\": %lu, \"bk\": %lu, \"bk_mode\": %d, \"brush\": ",
                      c->color_message == WM_CTLCOLORSTATIC ? "WM_CTLCOLORSTATIC" : "WM_CTLCOLOREDIT",
                      static_cast<unsigned long>(c->text_color), static_cast<unsigned long>(c->bk_color), c->bk_mode);
  return s + (c->has_brush ? Fmt("%lu}", static_cast<unsigned long>(c->brush_color)) : std::string("null}"));
}

int SiblingIndex(HWND hwnd) {  // 0 = topmost among its siblings
  int i = 0;
  for (HWND h = GetWindow(hwnd, GW_HWNDPREV); h; h = GetWindow(h, GW_HWNDPREV)) ++i;
  return i;
}

std::string WindowJson(HWND top, const ProbeShared* hook) {
  DWORD pid = 0;
  GetWindowThreadProcessId(top, &pid);
  RECT wr{}, cr{};
  GetWindowRect(top, &wr);
  GetClientRect(top, &cr);
  POINT origin{0, 0};
  ClientToScreen(top, &origin);
  MONITORINFO mi{};
  mi.cbSize = sizeof mi;
  GetMonitorInfoW(MonitorFromWindow(top, MONITOR_DEFAULTTONEAREST), &mi);
  HDC screen = GetDC(nullptr);
  int logpixels = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);

  std::string s = "{\"pid\": " + Fmt("%lu", static_cast<unsigned long>(pid)) + ", \"title\": " + Json(TextOf(top)) +
                  ", \"class\": " + Json(ClassOf(top)) +
                  Fmt(", \"style\": %lu, \"exstyle\": %lu", static_cast<unsigned long>(GetWindowLongW(top, GWL_STYLE)),
                      static_cast<unsigned long>(GetWindowLongW(top, GWL_EXSTYLE))) +
                  ", \"rect\": " + Rect(wr) + Fmt(", \"client_size\": [%ld, %ld]", cr.right, cr.bottom) +
                  Fmt(", \"client_origin\": [%ld, %ld]", origin.x, origin.y) +
                  Fmt(", \"dpi\": %u, \"logpixels\": %d", DpiForWindow(top), logpixels) +
                  Fmt(", \"sys_colors\": {\"btnface\": %lu, \"windowtext\": %lu}",
                      static_cast<unsigned long>(GetSysColor(COLOR_BTNFACE)),
                      static_cast<unsigned long>(GetSysColor(COLOR_WINDOWTEXT))) +
                  ", \"work_area\": " + Rect(mi.rcWork) + ", \"monitor\": " + Rect(mi.rcMonitor) +
                  Fmt(", \"visible\": %s, \"enabled\": %s, \"foreground\": %s", IsWindowVisible(top) ? "true" : "false",
                      IsWindowEnabled(top) ? "true" : "false", GetForegroundWindow() == top ? "true" : "false");
  if (hook)
    s += Fmt(", \"icon\": {\"big\": %s, \"small\": %s, \"class_big\": %s, \"class_small\": %s, \"size\": [%d, %d]}",
             hook->big_icon ? "true" : "false", hook->small_icon ? "true" : "false", hook->class_icon ? "true" : "false",
             hook->class_small_icon ? "true" : "false", hook->icon_cx, hook->icon_cy);
  else
    s += ", \"icon\": null";
  return s + "}";
}

std::string ControlJson(HWND top, HWND hwnd, const ProbeShared* hook) {
  const ProbeControl* c = nullptr;
  for (UINT32 i = 0; hook && i < hook->count; ++i)
    if (hook->controls[i].hwnd == reinterpret_cast<UINT_PTR>(hwnd)) c = &hook->controls[i];
  RECT r{};
  GetWindowRect(hwnd, &r);
  MapWindowPoints(HWND_DESKTOP, top, reinterpret_cast<POINT*>(&r), 2);
  HWND parent = GetParent(hwnd);
  return Fmt("{\"id\": %d, \"class\": ", GetDlgCtrlID(hwnd)) + Json(ClassOf(hwnd)) +
         Fmt(", \"parent\": %d, \"rect\": ", parent == top ? 0 : GetDlgCtrlID(parent)) + Rect(r) +
         Fmt(", \"visible\": %s, \"enabled\": %s, \"z\": %d", IsWindowVisible(hwnd) ? "true" : "false",
             IsWindowEnabled(hwnd) ? "true" : "false", SiblingIndex(hwnd)) +
         Fmt(", \"style\": %lu, \"exstyle\": %lu", static_cast<unsigned long>(GetWindowLongW(hwnd, GWL_STYLE)),
             static_cast<unsigned long>(GetWindowLongW(hwnd, GWL_EXSTYLE))) +
         ", \"text\": " + Json(TextOf(hwnd)) + ", \"font\": " + FontJson(c) + ", \"colors\": " + ColorsJson(c) + ", \"layout\": " + LayoutJson(c) + "}";
}

// Top-level windows of the same process other than the main one: a message box or any other
// dialog would show up here.
struct OtherWindows {
  HWND top;
  DWORD pid;
  std::string out;
};

BOOL CALLBACK AddOtherWindow(HWND hwnd, LPARAM lp) {
  auto* ctx = reinterpret_cast<OtherWindows*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (hwnd == ctx->top || pid != ctx->pid || !IsWindowVisible(hwnd)) return TRUE;
  if (!ctx->out.empty()) ctx->out += ", ";
  ctx->out += "{\"class\": " + Json(ClassOf(hwnd)) + ", \"title\": " + Json(TextOf(hwnd)) + "}";
  return TRUE;
}

std::string OtherWindowsJson(HWND top) {
  OtherWindows ctx{top, 0, ""};
  GetWindowThreadProcessId(top, &ctx.pid);
  EnumWindows(AddOtherWindow, reinterpret_cast<LPARAM>(&ctx));
  return "[" + ctx.out + "]";
}

// Every other top-level window of the window's thread, hidden ones too, by class: an IME
// window or a tooltip the program never shows would be among them.
struct ThreadWindows {
  HWND top;
  std::string out;
};

BOOL CALLBACK AddThreadWindowClass(HWND hwnd, LPARAM lp) {
  auto* ctx = reinterpret_cast<ThreadWindows*>(lp);
  if (hwnd == ctx->top) return TRUE;
  if (!ctx->out.empty()) ctx->out += ", ";
  ctx->out += Json(ClassOf(hwnd));
  return TRUE;
}

std::string ThreadWindowClassesJson(HWND top) {
  ThreadWindows ctx{top, ""};
  EnumThreadWindows(GetWindowThreadProcessId(top, nullptr), AddThreadWindowClass, reinterpret_cast<LPARAM>(&ctx));
  return "[" + ctx.out + "]";
}

bool WriteOut(const std::wstring& path, const std::string& data) {
  if (path == L"-") {
    std::fwrite(data.data(), 1, data.size(), stdout);
    std::fflush(stdout);
    return true;
  }
  HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL ok = WriteFile(f, data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
  CloseHandle(f);
  return ok && written == data.size();
}

int Dump(const std::wstring& out, DWORD timeout_ms) {
  const ULONGLONG start = GetTickCount64();
  HWND top = WaitForWindow(timeout_ms);
  if (!top) return Fail(2, "no visible window of class RunesukaForm1 within %lu ms", static_cast<unsigned long>(timeout_ms));
  // The results are on screen once Text0, written last, has a text.
  bool ready = false;
  for (;;) {
    HWND text0 = FindControl(top, kText0Id);
    if (text0 && !TextOf(text0).empty()) {
      ready = true;
      break;
    }
    if (!IsWindow(top) || GetTickCount64() - start >= timeout_ms) break;
    Sleep(50);
  }
  // Painted before a screenshot is taken; the short sleep lets X show what Wine last drew.
  WaitUntilHandled(top, timeout_ms);
  Sleep(100);

  HookSession hook_session;
  const ProbeShared* hook = hook_session.Run(top, kProbeCollect);
  if (!hook) std::fputs("probe: warning: the hook did not answer; fonts, colours and icon are missing\n", stderr);

  std::string json = "{\"ready\": " + std::string(ready ? "true" : "false") +
                     ", \"hook\": " + (hook ? "true" : "false") + Fmt(", \"waited_ms\": %llu, \"acp\": %u", GetTickCount64() - start, GetACP()) +
                     ",\n \"window\": " + WindowJson(top, hook) + ",\n \"controls\": [";
  bool first = true;
  for (HWND hwnd : Descendants(top)) {
    json += first ? "\n  " : ",\n  ";
    json += ControlJson(top, hwnd, hook);
    first = false;
  }
  json += "],\n \"other_windows\": " + OtherWindowsJson(top) +
          ",\n \"thread_window_classes\": " + ThreadWindowClassesJson(top) + "}\n";
  if (!WriteOut(out, json)) return Fail(3, "cannot write %s", Utf8(out).c_str());
  if (!ready) return Fail(4, "Text0 stayed empty for %lu ms", static_cast<unsigned long>(timeout_ms));
  return 0;
}

BOOL CALLBACK AddVisibleWindow(HWND hwnd, LPARAM lp) {
  if (!IsWindowVisible(hwnd)) return TRUE;
  auto* items = reinterpret_cast<std::string*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (!items->empty()) *items += ",\n ";
  *items += "{\"class\": " + Json(ClassOf(hwnd)) + ", \"title\": " + Json(TextOf(hwnd)) +
            Fmt(", \"pid\": %lu}", static_cast<unsigned long>(pid));
  return TRUE;
}

int List(const std::wstring& out) {
  std::string items;
  EnumWindows(AddVisibleWindow, reinterpret_cast<LPARAM>(&items));
  return WriteOut(out, "[" + items + "]\n") ? 0 : Fail(3, "cannot write %s", Utf8(out).c_str());
}

// A message box of the program's: its texts, then it is answered with OK.
int Dialog(const std::wstring& out, DWORD timeout_ms) {
  const ULONGLONG deadline = GetTickCount64() + timeout_ms;
  HWND box = nullptr;
  while (!(box = FindWindowW(L"#32770", nullptr)) || !IsWindowVisible(box)) {
    if (GetTickCount64() >= deadline) return Fail(2, "no message box within %lu ms", static_cast<unsigned long>(timeout_ms));
    Sleep(50);
  }
  std::string texts;
  for (HWND child : Descendants(box)) texts += (texts.empty() ? "" : ", ") + Json(TextOf(child));
  const std::string json = "{\"title\": " + Json(TextOf(box)) + ", \"texts\": [" + texts + "]}\n";
  if (!WriteOut(out, json)) return Fail(3, "cannot write %s", Utf8(out).c_str());
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  return 0;
}

// ---- input --------------------------------------------------------------------------------

bool BringToFront(HWND top) {
  SetForegroundWindow(top);
  for (int i = 0; i < 40; ++i) {
    if (GetForegroundWindow() == top) return true;
    Sleep(50);
  }
  return false;
}

// Under Wine the X pointer's own position can override pointer moves: just after the desktop
// starts (the cursor stays at the X screen's centre), and whenever the program handles an X
// event from where the pointer was before, which on a loaded machine comes late. So the move
// is repeated until the cursor is really there, and the button presses carry the position too.
bool ClickAt(POINT p) {
  // Absolute coordinates are 0..65535 over the primary screen; the system maps them back
  // as x * width / 65536, so round up to land on the intended pixel.
  const LONG cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
  INPUT in[3] = {};
  for (INPUT& i : in) {
    i.type = INPUT_MOUSE;
    i.mi.dx = static_cast<LONG>((p.x * 65536LL + cx - 1) / cx);
    i.mi.dy = static_cast<LONG>((p.y * 65536LL + cy - 1) / cy);
    i.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  }
  in[1].mi.dwFlags |= MOUSEEVENTF_LEFTDOWN;
  in[2].mi.dwFlags |= MOUSEEVENTF_LEFTUP;
  POINT at{};
  for (int i = 0; i < 40; ++i) {
    SetCursorPos(p.x, p.y);
    SendInput(1, &in[0], sizeof(INPUT));
    Sleep(100);
    if (GetCursorPos(&at) && at.x == p.x && at.y == p.y) break;
  }
  if (at.x != p.x || at.y != p.y) return false;
  SendInput(1, &in[1], sizeof(INPUT));
  Sleep(50);
  SendInput(1, &in[2], sizeof(INPUT));
  return true;
}

POINT Centre(const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

int Click(int id, DWORD timeout_ms) {
  HWND top = WaitForWindow(timeout_ms);
  if (!top) return Fail(2, "no visible window of class RunesukaForm1 within %lu ms", static_cast<unsigned long>(timeout_ms));
  HWND control = FindControl(top, id);
  if (!control) return Fail(3, "no control with ID %d", id);
  if (!BringToFront(top)) std::fputs("probe: warning: the window did not come to the front\n", stderr);
  RECT r{};
  GetWindowRect(control, &r);
  if (!ClickAt(Centre(r))) return Fail(3, "the mouse cursor did not reach the control");
  WaitUntilHandled(top, timeout_ms);
  return 0;
}

void PressKey(WORD vk, bool up) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &in, sizeof(INPUT));
  Sleep(30);
}

// "shift+tab", "alt+f4", "ctrl+c", "enter": modifiers down, the key down and up, modifiers up.
bool PressChord(std::wstring chord) {
  static const std::pair<const wchar_t*, WORD> kModifiers[] = {{L"shift+", VK_SHIFT}, {L"ctrl+", VK_CONTROL},
                                                               {L"alt+", VK_MENU}};
  static const std::pair<const wchar_t*, WORD> kKeys[] = {{L"enter", VK_RETURN}, {L"esc", VK_ESCAPE},
                                                          {L"space", VK_SPACE},  {L"tab", VK_TAB},
                                                          {L"f4", VK_F4},        {L"home", VK_HOME},
                                                          {L"end", VK_END},      {L"right", VK_RIGHT}};
  std::vector<WORD> held;
  for (bool more = true; more;) {
    more = false;
    for (const auto& modifier : kModifiers)
      if (chord.rfind(modifier.first, 0) == 0) {
        held.push_back(modifier.second);
        chord = chord.substr(wcslen(modifier.first));
        more = true;
      }
  }
  WORD vk = 0;
  for (const auto& key : kKeys)
    if (chord == key.first) vk = key.second;
  if (!vk && chord.size() == 1 && iswalnum(chord[0])) vk = static_cast<WORD>(towupper(chord[0]));
  if (!vk) return false;
  for (WORD modifier : held) PressKey(modifier, false);
  PressKey(vk, false);
  PressKey(vk, true);
  for (auto it = held.rbegin(); it != held.rend(); ++it) PressKey(*it, true);
  return true;
}

HWND FocusOf(HWND top) {
  GUITHREADINFO gti{};
  gti.cbSize = sizeof gti;
  GetGUIThreadInfo(GetWindowThreadProcessId(top, nullptr), &gti);
  return gti.hwndFocus;
}

int KeyEnd(DWORD timeout_ms) {
  HWND top = WaitForWindow(timeout_ms);
  if (!top) return Fail(2, "no visible window of class RunesukaForm1 within %lu ms", static_cast<unsigned long>(timeout_ms));
  HWND button = FindControl(top, kCmdEndId);
  if (!button) return Fail(3, "no control with ID %d", kCmdEndId);
  if (!BringToFront(top)) return Fail(3, "the window did not come to the front");
  // The window itself puts the focus on Cmd_End; the probe does not.
  if (FocusOf(top) != button) return Fail(3, "Cmd_End does not have the focus");
  PressChord(L"space");
  return 0;
}

int Keys(const std::vector<std::wstring>& chords, DWORD timeout_ms) {
  HWND top = WaitForWindow(timeout_ms);
  if (!top) return Fail(2, "no visible window of class RunesukaForm1 within %lu ms", static_cast<unsigned long>(timeout_ms));
  if (!BringToFront(top)) return Fail(3, "the window did not come to the front");
  for (const std::wstring& chord : chords)
    if (!PressChord(chord)) return Fail(1, "unknown key %s", Utf8(chord).c_str());
  WaitUntilHandled(top, timeout_ms);
  return 0;
}

std::string FocusJson(HWND top) {
  GUITHREADINFO gti{};
  gti.cbSize = sizeof gti;
  GetGUIThreadInfo(GetWindowThreadProcessId(top, nullptr), &gti);
  const int id = !gti.hwndFocus ? -1 : gti.hwndFocus == top ? 0 : GetDlgCtrlID(gti.hwndFocus);
  std::string selection = "null";
  if (gti.hwndFocus && ClassOf(gti.hwndFocus) == L"Edit") {
    DWORD_PTR range = 0;
    SendMessageTimeoutW(gti.hwndFocus, EM_GETSEL, 0, 0, SMTO_ABORTIFHUNG, 2000, &range);
    selection = Fmt("[%u, %u]", LOWORD(range), HIWORD(range));
  }
  return Fmt("{\"focus\": %d, \"active\": %s, \"foreground\": %s, \"selection\": ", id,
             gti.hwndActive == top ? "true" : "false", GetForegroundWindow() == top ? "true" : "false") +
         selection + "}";
}

int Focus(const std::wstring& out, DWORD timeout_ms) {
  HWND top = WaitForWindow(timeout_ms);
  if (!top) return Fail(2, "no visible window of class RunesukaForm1 within %lu ms", static_cast<unsigned long>(timeout_ms));
  return WriteOut(out, FocusJson(top) + "\n") ? 0 : Fail(3, "cannot write %s", Utf8(out).c_str());
}

int Select(int id, int start, int end, DWORD timeout_ms) {
  HWND top = WaitForWindow(timeout_ms);
  if (!top) return Fail(2, "no visible window of class RunesukaForm1 within %lu ms", static_cast<unsigned long>(timeout_ms));
  HWND edit = FindControl(top, id);
  if (!edit) return Fail(3, "no control with ID %d", id);
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(edit, EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(end), SMTO_ABORTIFHUNG, 2000,
                      &ignored);
  return 0;
}

// A top-level window of the probe's own, to take the activation away from the program.
class OtherWindow {
 public:
  OtherWindow() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"RunesukaProbeOther";
    RegisterClassW(&wc);
    hwnd_ = CreateWindowExW(0, wc.lpszClassName, L"probe", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200, 120,
                            nullptr, nullptr, wc.hInstance, nullptr);
  }
  ~OtherWindow() { DestroyWindow(hwnd_); }
  OtherWindow(const OtherWindow&) = delete;
  OtherWindow& operator=(const OtherWindow&) = delete;

  void Pump(DWORD ms) {
    const ULONGLONG until = GetTickCount64() + ms;
    while (GetTickCount64() < until) {
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
      Sleep(10);
    }
  }
  // Activates this window and waits until the program's is no longer active.
  bool TakeActivation(HWND program) {
    for (int i = 0; i < 40; ++i) {
      SetForegroundWindow(hwnd_);
      Pump(50);
      GUITHREADINFO gti{};
      gti.cbSize = sizeof gti;
      GetGUIThreadInfo(GetWindowThreadProcessId(program, nullptr), &gti);
      if (GetForegroundWindow() == hwnd_ && gti.hwndActive != program) return true;
    }
    return false;
  }

 private:
  HWND hwnd_ = nullptr;
};

int Reactivate(const std::wstring& out, DWORD timeout_ms) {
  HWND top = WaitForWindow(timeout_ms);
  if (!top) return Fail(2, "no visible window of class RunesukaForm1 within %lu ms", static_cast<unsigned long>(timeout_ms));
  const std::string before = FocusJson(top);
  OtherWindow other;
  if (!other.TakeActivation(top)) return Fail(3, "the probe's window did not become the active one");
  const std::string away = FocusJson(top);
  SetForegroundWindow(top);
  other.Pump(300);
  WaitUntilHandled(top, timeout_ms);
  if (GetForegroundWindow() != top) return Fail(3, "the window did not come back to the front");
  const std::string json = "{\"before\": " + before + ", \"away\": " + away + ", \"after\": " + FocusJson(top) + "}\n";
  return WriteOut(out, json) ? 0 : Fail(3, "cannot write %s", Utf8(out).c_str());
}

int ClickInactive(int id, DWORD timeout_ms) {
  HWND top = WaitForWindow(timeout_ms);
  if (!top) return Fail(2, "no visible window of class RunesukaForm1 within %lu ms", static_cast<unsigned long>(timeout_ms));
  HWND control = FindControl(top, id);
  if (!control) return Fail(3, "no control with ID %d", id);
  OtherWindow other;
  if (!other.TakeActivation(top)) return Fail(3, "the probe's window did not become the active one");
  RECT r{};
  GetWindowRect(control, &r);
  if (!ClickAt(Centre(r))) return Fail(3, "the mouse cursor did not reach the control");
  other.Pump(500);
  return 0;
}

int QueryEndSession(DWORD timeout_ms) {
  HWND top = WaitForWindow(timeout_ms);
  if (!top) return Fail(2, "no visible window of class RunesukaForm1 within %lu ms", static_cast<unsigned long>(timeout_ms));
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(top, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 2000, &ignored);
  return 0;
}

// Hooks every thread of the desktop before the program starts; the hook DLL, loaded into the
// program, records its controls when the window is first activated.
std::string EventsJson(const ProbeWatch& watch) {
  std::string s = "[";
  for (LONG i = 0; i < watch.events; ++i) {
    const ProbeEvent& e = watch.event[i];
    s += Fmt(i ? ", {\"event\": %lu, \"object\": %ld, \"id\": %d" : "{\"event\": %lu, \"object\": %ld, \"id\": %d",
             static_cast<unsigned long>(e.event), e.object, e.id) +
         ", \"name\": " + Json(e.name) + ", \"text0\": " + Json(e.text0) + ", \"ole32\": " + Json(e.ole32) + "}";
  }
  return s + "]";
}

int Watch(const std::wstring& armed, const std::wstring& out, bool screen_reader, DWORD timeout_ms) {
  HANDLE mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(ProbeWatch),
                                      PROBE_WATCH_MAPPING);
  auto* watch = mapping ? static_cast<ProbeWatch*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0)) : nullptr;
  if (!watch) return Fail(3, "cannot create the watch mapping");
  ZeroMemory(watch, sizeof *watch);
  watch->screen_reader = screen_reader ? 1 : 0;
  wchar_t path[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  while (n > 0 && path[n - 1] != L'\\' && path[n - 1] != L'/') --n;
  path[n] = L'\0';
  HMODULE dll = LoadLibraryW((std::wstring(path) + L"probe_hook.dll").c_str());
  const auto proc = FunctionOf<HOOKPROC>(dll, PROBE_WATCH_PROC);
  HHOOK hook = proc ? SetWindowsHookExW(WH_CALLWNDPROC, proc, dll, 0) : nullptr;
  if (!hook) return Fail(3, "cannot hook the desktop's threads");
  if (!WriteOut(armed, "armed\n")) return Fail(3, "cannot write %s", Utf8(armed).c_str());
  const ULONGLONG deadline = GetTickCount64() + timeout_ms;
  while (!watch->done && GetTickCount64() < deadline) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    Sleep(10);
  }
  UnhookWindowsHookEx(hook);
  if (!watch->done) return Fail(2, "no window of class RunesukaForm1 was activated within %lu ms", static_cast<unsigned long>(timeout_ms));
  // Then the check runs and announces its result; later events would be repeats.
  auto announced = [&] {
    for (LONG i = 0; i < watch->events; ++i)
      if (watch->event[i].event == 0x8019) return true;
    return false;
  };
  while (!announced() && GetTickCount64() < deadline) Sleep(20);
  Sleep(500);
  std::string json = "{\"controls\": [";
  for (UINT32 i = 0; i < watch->count; ++i)
    json += Fmt(i ? ", {\"id\": %d, \"visible\": %s}" : "{\"id\": %d, \"visible\": %s}", watch->ids[i],
                watch->visible[i] ? "true" : "false");
  json += "], \"system_dir\": " + Json(watch->system_dir) + ", \"events\": " + EventsJson(*watch) + "}\n";
  return WriteOut(out, json) ? 0 : Fail(3, "cannot write %s", Utf8(out).c_str());
}

LRESULT HitTest(HWND top, LONG x, LONG y) {
  DWORD_PTR hit = HTNOWHERE;
  SendMessageTimeoutW(top, WM_NCHITTEST, 0, MAKELPARAM(x, y), SMTO_ABORTIFHUNG, 1000, &hit);
  return static_cast<LRESULT>(hit);
}

// The close box is found by the window's own hit testing (a scan of the top-right corner),
// so it works with whatever non-client layout Wine or Windows draws.
bool FindCloseBox(HWND top, POINT* out) {
  RECT wr{};
  GetWindowRect(top, &wr);
  RECT box{LONG_MAX, LONG_MAX, LONG_MIN, LONG_MIN};
  for (LONG y = wr.top; y < wr.top + 48 && y < wr.bottom; y += 2)
    for (LONG x = wr.right - 1; x > wr.right - 80 && x >= wr.left; x -= 2)
      if (HitTest(top, x, y) == HTCLOSE) {
        box.left = std::min(box.left, x);
        box.top = std::min(box.top, y);
        box.right = std::max(box.right, x);
        box.bottom = std::max(box.bottom, y);
      }
  if (box.left > box.right) return false;
  *out = Centre(box);
  return true;
}

int CloseBox(DWORD timeout_ms) {
  HWND top = WaitForWindow(timeout_ms);
  if (!top) return Fail(2, "no visible window of class RunesukaForm1 within %lu ms", static_cast<unsigned long>(timeout_ms));
  POINT p{};
  if (!FindCloseBox(top, &p)) return Fail(3, "no close box found on the title bar");
  if (!BringToFront(top)) std::fputs("probe: warning: the window did not come to the front\n", stderr);
  if (!ClickAt(p)) return Fail(3, "the mouse cursor did not reach the close box");
  return 0;
}

int ScClose(DWORD timeout_ms) {
  HWND top = WaitForWindow(timeout_ms);
  if (!top) return Fail(2, "no visible window of class RunesukaForm1 within %lu ms", static_cast<unsigned long>(timeout_ms));
  PostMessageW(top, WM_SYSCOMMAND, SC_CLOSE, 0);
  return 0;
}

int DpiChanged(DWORD timeout_ms, UINT dpi) {
  HWND top = WaitForWindow(timeout_ms);
  if (!top) return Fail(2, "no visible window of class RunesukaForm1 within %lu ms", static_cast<unsigned long>(timeout_ms));
  // WM_DPICHANGED carries a pointer, so the hook sends it from inside the process.
  HookSession hook_session;
  if (!hook_session.Run(top, kProbeDpiChanged, static_cast<WORD>(dpi))) return Fail(3, "the hook did not answer");
  return 0;
}

std::wstring Bstr(BSTR text) {
  std::wstring s = text ? std::wstring(text, SysStringLen(text)) : std::wstring();
  SysFreeString(text);
  return s;
}

// IID_IAccessible, spelled out: the x86_64 MinGW-w64 import library links a
// different value under that name, and oleacc then answers E_NOINTERFACE.
constexpr IID kIidAccessible = {0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

int Accessible(const std::wstring& out, DWORD timeout_ms) {
  HWND top = WaitForWindow(timeout_ms);
  if (!top) return Fail(2, "no visible window of class RunesukaForm1 within %lu ms", static_cast<unsigned long>(timeout_ms));
  CoInitialize(nullptr);
  std::string json = "[";
  for (HWND hwnd : Descendants(top)) {
    if (ClassOf(hwnd) != L"Edit" || !IsWindowVisible(hwnd)) continue;
    if (json.size() > 1) json += ",\n ";
    json += Fmt("{\"id\": %d", GetDlgCtrlID(hwnd));
    IAccessible* object = nullptr;
    const HRESULT result = AccessibleObjectFromWindow(hwnd, static_cast<DWORD>(OBJID_CLIENT), kIidAccessible,
                                                      reinterpret_cast<void**>(&object));
    if (FAILED(result) || !object) {
      json += Fmt(", \"error\": \"AccessibleObjectFromWindow failed: %08lx\"}", static_cast<unsigned long>(result));
      continue;
    }
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr, value = nullptr;
    VARIANT role{}, state{};
    object->get_accName(self, &name);
    object->get_accValue(self, &value);
    object->get_accRole(self, &role);
    object->get_accState(self, &state);
    json += ", \"name\": " + Json(Bstr(name)) + ", \"value\": " + Json(Bstr(value)) +
            Fmt(", \"role\": %ld, \"state\": %ld}", role.vt == VT_I4 ? role.lVal : -1L,
                state.vt == VT_I4 ? state.lVal : -1L);
    object->Release();
  }
  CoUninitialize();
  return WriteOut(out, json + "]\n") ? 0 : Fail(3, "cannot write %s", Utf8(out).c_str());
}

int TabWalk(const std::wstring& out, int presses, bool back, DWORD timeout_ms) {
  HWND top = WaitForWindow(timeout_ms);
  if (!top) return Fail(2, "no visible window of class RunesukaForm1 within %lu ms", static_cast<unsigned long>(timeout_ms));
  if (!BringToFront(top)) return Fail(3, "the window did not come to the front");
  std::string json = "{\"start\": " + FocusJson(top) + ", \"steps\": [";
  for (int i = 0; i < presses; ++i) {
    PressChord(back ? L"shift+tab" : L"tab");
    WaitUntilHandled(top, timeout_ms);
    json += (i ? ", " : "") + FocusJson(top);
  }
  return WriteOut(out, json + "]}\n") ? 0 : Fail(3, "cannot write %s", Utf8(out).c_str());
}

std::wstring ClipboardText() {
  std::wstring text;
  if (OpenClipboard(nullptr)) {
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
      if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
        text = chars;
        GlobalUnlock(data);
      }
    }
    CloseClipboard();
  }
  return text;
}

int Clipboard(const std::wstring& out) {
  return WriteOut(out, "{\"text\": " + Json(ClipboardText()) + "}\n") ? 0 : Fail(3, "cannot write %s", Utf8(out).c_str());
}

// Emptied first, so that what is read can only come from these keys; "handled_ms" is how long
// the program took to handle them.
int Copied(const std::wstring& out, bool hold, const std::vector<std::wstring>& chords, DWORD timeout_ms) {
  HWND top = WaitForWindow(timeout_ms);
  if (!top) return Fail(2, "no visible window of class RunesukaForm1 within %lu ms", static_cast<unsigned long>(timeout_ms));
  if (!OpenClipboard(nullptr)) return Fail(3, "cannot open the clipboard");
  EmptyClipboard();
  if (!hold) CloseClipboard();
  bool pressed = BringToFront(top);
  const ULONGLONG start = GetTickCount64();
  for (const std::wstring& chord : chords) pressed = pressed && PressChord(chord);
  if (pressed) WaitUntilHandled(top, timeout_ms);
  const ULONGLONG handled = GetTickCount64() - start;
  if (hold) CloseClipboard();
  if (!pressed) return Fail(3, "the window did not come to the front, or a key is unknown");
  const std::string json = "{\"text\": " + Json(ClipboardText()) + Fmt(", \"handled_ms\": %llu}\n", handled);
  return WriteOut(out, json) ? 0 : Fail(3, "cannot write %s", Utf8(out).c_str());
}

// Test values for the theme colours that tell the button text colour apart from the window text.
constexpr COLORREF kHighContrastColors[kProbeThemeColors] = {RGB(0, 0, 0), RGB(255, 255, 0), RGB(255, 255, 255),
                                                             RGB(0, 0, 0)};

int HighContrastOn(const std::wstring& out, DWORD timeout_ms) {
  HWND top = WaitForWindow(timeout_ms);
  if (!top) return Fail(2, "no visible window of class RunesukaForm1 within %lu ms", static_cast<unsigned long>(timeout_ms));
  // The colours first, while the program still reads the theme as normal; then the setting.
  HookSession hook_session;
  const ProbeShared* colors = hook_session.Run(top, kProbeSetColors, 0, kHighContrastColors);
  if (!colors) return Fail(3, "the hook did not answer");
  std::string saved = "{\"colors\": [";
  for (int i = 0; i < kProbeThemeColors; ++i) saved += Fmt(i ? ", %lu" : "%lu", static_cast<unsigned long>(colors->colors[i]));
  if (!WriteOut(out, saved + "]}\n")) return Fail(3, "cannot write %s", Utf8(out).c_str());
  Sleep(300);
  if (!hook_session.Run(top, kProbeHighContrast, 1)) return Fail(3, "the hook did not answer");
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(top, WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0, SMTO_ABORTIFHUNG, 2000, &ignored);
  Sleep(300);
  return 0;
}

int HighContrastOff(const std::vector<std::wstring>& colors, DWORD timeout_ms) {
  HWND top = WaitForWindow(timeout_ms);
  if (!top) return Fail(2, "no visible window of class RunesukaForm1 within %lu ms", static_cast<unsigned long>(timeout_ms));
  HookSession hook_session;
  if (!hook_session.Run(top, kProbeHighContrast, 0)) return Fail(3, "the hook did not answer");
  COLORREF values[kProbeThemeColors];
  for (int i = 0; i < kProbeThemeColors; ++i) values[i] = static_cast<COLORREF>(wcstoul(colors[i].c_str(), nullptr, 10));
  // Only the colour change tells the program this time.
  if (!hook_session.Run(top, kProbeSetColors, 0, values)) return Fail(3, "the hook did not answer");
  Sleep(500);
  return 0;
}

int Usage() {
  return Fail(1,
              "usage: probe.exe dump OUT.json | click-end | key-end | close-box | sc-close | list OUT.json | acp"
              " | dpi-changed DPI | dialog OUT.json | focus OUT.json | click ID | keys KEY... | select ID START END"
              " | reactivate OUT.json | click-inactive ID | query-end-session | watch ARMED OUT.json [--screen-reader]"
              " | accessible OUT.json | tab-walk OUT.json N [back] | clipboard OUT.json | copied OUT.json [--hold] KEY..."
              " | high-contrast on OUT.json | high-contrast off C1 C2 C3 C4"
              "  [--timeout-ms N]");
}

}  // namespace

int main() {
  MakeDpiAware();
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  std::vector<std::wstring> args;
  DWORD timeout_ms = 15000;
  for (int i = 1; i < argc; ++i) {
    if (std::wstring(argv[i]) == L"--timeout-ms" && i + 1 < argc)
      timeout_ms = static_cast<DWORD>(_wtoi(argv[++i]));
    else
      args.emplace_back(argv[i]);
  }
  LocalFree(argv);
  if (args.empty()) return Usage();
  const std::wstring& cmd = args[0];
  if (cmd == L"dump" && args.size() == 2) return Dump(args[1], timeout_ms);
  if (cmd == L"list" && args.size() == 2) return List(args[1]);
  if (cmd == L"dialog" && args.size() == 2) return Dialog(args[1], timeout_ms);
  if (cmd == L"acp" && args.size() == 1) return std::printf("%u\n", GetACP()) > 0 ? 0 : 3;
  if (cmd == L"dpi-changed" && args.size() == 2) return DpiChanged(timeout_ms, static_cast<UINT>(_wtoi(args[1].c_str())));
  if (cmd == L"focus" && args.size() == 2) return Focus(args[1], timeout_ms);
  if (cmd == L"click" && args.size() == 2) return Click(_wtoi(args[1].c_str()), timeout_ms);
  if (cmd == L"keys" && args.size() >= 2) return Keys(std::vector<std::wstring>(args.begin() + 1, args.end()), timeout_ms);
  if (cmd == L"select" && args.size() == 4)
    return Select(_wtoi(args[1].c_str()), _wtoi(args[2].c_str()), _wtoi(args[3].c_str()), timeout_ms);
  if (cmd == L"reactivate" && args.size() == 2) return Reactivate(args[1], timeout_ms);
  if (cmd == L"click-inactive" && args.size() == 2) return ClickInactive(_wtoi(args[1].c_str()), timeout_ms);
  if (cmd == L"watch" && (args.size() == 3 || (args.size() == 4 && args[3] == L"--screen-reader")))
    return Watch(args[1], args[2], args.size() == 4, timeout_ms);
  if (cmd == L"accessible" && args.size() == 2) return Accessible(args[1], timeout_ms);
  if (cmd == L"tab-walk" && (args.size() == 3 || (args.size() == 4 && args[3] == L"back")))
    return TabWalk(args[1], _wtoi(args[2].c_str()), args.size() == 4, timeout_ms);
  if (cmd == L"clipboard" && args.size() == 2) return Clipboard(args[1]);
  if (cmd == L"copied" && args.size() >= 3) {
    const bool hold = args[2] == L"--hold";
    return Copied(args[1], hold, std::vector<std::wstring>(args.begin() + (hold ? 3 : 2), args.end()), timeout_ms);
  }
  if (cmd == L"high-contrast" && args.size() == 3 && args[1] == L"on") return HighContrastOn(args[2], timeout_ms);
  if (cmd == L"high-contrast" && args.size() == 6 && args[1] == L"off")
    return HighContrastOff(std::vector<std::wstring>(args.begin() + 2, args.end()), timeout_ms);
  if (args.size() != 1) return Usage();
  if (cmd == L"click-end") return Click(kCmdEndId, timeout_ms);
  if (cmd == L"query-end-session") return QueryEndSession(timeout_ms);
  if (cmd == L"key-end") return KeyEnd(timeout_ms);
  if (cmd == L"close-box") return CloseBox(timeout_ms);
  if (cmd == L"sc-close") return ScClose(timeout_ms);
  return Usage();
}
