// WH_CALLWNDPROC hook loaded into the program under test. It only reacts to the probe's
// registered message; everything else passes straight on.
#include "probe_shared.h"

#include <cstdio>

namespace {

// ---- system settings the tests answer themselves, by patching the program's import ----------

bool fake_high_contrast = false;
bool fake_screen_reader = false;
decltype(&SystemParametersInfoW) real_system_parameters = nullptr;

BOOL WINAPI AnswerSystemParameters(UINT action, UINT param, PVOID data, UINT flags) {
  if (action == SPI_GETHIGHCONTRAST && fake_high_contrast && data) {
    auto* theme = static_cast<HIGHCONTRASTW*>(data);
    theme->dwFlags = HCF_HIGHCONTRASTON | HCF_AVAILABLE;
    theme->lpszDefaultScheme = nullptr;
    return TRUE;
  }
  if (action == SPI_GETSCREENREADER && fake_screen_reader && data) {
    *static_cast<BOOL*>(data) = TRUE;
    return TRUE;
  }
  return real_system_parameters(action, param, data, flags);
}

// This DLL, kept loaded in the program until it ends: Wine loads a hook DLL into another
// process only for each call of the hook, and the patched import and the WinEvent hook
// below must outlive that call.
HMODULE PinnedSelf() {
  HMODULE self = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                     reinterpret_cast<LPCWSTR>(&PinnedSelf), &self);
  return self;
}

// Points the program's import of user32!SystemParametersInfoW at AnswerSystemParameters.
void PatchSystemParameters() {
  if (real_system_parameters) return;
  PinnedSelf();
  auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  for (auto* imp = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); imp->Name; ++imp) {
    if (lstrcmpiA(reinterpret_cast<const char*>(base + imp->Name), "user32.dll") != 0) continue;
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
    for (; names->u1.AddressOfData; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const auto* by_name = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (lstrcmpA(reinterpret_cast<const char*>(by_name->Name), "SystemParametersInfoW") != 0) continue;
      DWORD old = 0;
      VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &old);
      real_system_parameters = reinterpret_cast<decltype(&SystemParametersInfoW)>(slots->u1.Function);
      const decltype(&SystemParametersInfoW) answer = AnswerSystemParameters;  // typed: WINAPI checked
      slots->u1.Function = reinterpret_cast<ULONG_PTR>(answer);
      VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, old, &old);
      return;
    }
  }
}

UINT ProbeMessage() {
  static const UINT msg = RegisterWindowMessageW(PROBE_MESSAGE_NAME);
  return msg;
}

struct Collector {
  ProbeShared* shared;
};

void ReadFont(HWND hwnd, ProbeControl& c) {
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0));
  if (!font || GetObjectW(font, sizeof c.font, &c.font) != sizeof c.font) return;
  c.has_font = 1;
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font);
  GetTextFaceW(dc, LF_FACESIZE, c.actual_face);
  TEXTMETRICW tm{};
  if (GetTextMetricsW(dc, &tm)) {
    c.tm_height = tm.tmHeight;
    c.tm_internal_leading = tm.tmInternalLeading;
  }
  SelectObject(dc, old);
  DeleteDC(dc);
}

// Ask the parent for the colours exactly as the Edit itself would before painting:
// a read-only or disabled Edit sends WM_CTLCOLORSTATIC, an editable one WM_CTLCOLOREDIT.
void ReadColors(HWND hwnd, ProbeControl& c) {
  HDC dc = CreateCompatibleDC(nullptr);
  const COLORREF sentinel = RGB(1, 2, 3);  // shows whether the parent set a colour at all
  SetTextColor(dc, sentinel);
  SetBkColor(dc, sentinel);
  const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
  c.color_message =
      ((style & ES_READONLY) || !IsWindowEnabled(hwnd)) ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT;
  HBRUSH brush = reinterpret_cast<HBRUSH>(SendMessageW(
      GetParent(hwnd), c.color_message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd)));
  c.has_colors = 1;
  c.text_color = GetTextColor(dc);
  c.bk_color = GetBkColor(dc);
  c.bk_mode = GetBkMode(dc);
  LOGBRUSH lb{};
  if (brush && GetObjectW(brush, sizeof lb, &lb) == sizeof lb) {
    c.has_brush = 1;
    c.brush_color = lb.lbColor;
  }
  DeleteDC(dc);
}

// Where each character of the text stands, and which lines the Edit shows.
void ReadLayout(HWND hwnd, ProbeControl& c) {
  c.line_count = static_cast<int>(SendMessageW(hwnd, EM_GETLINECOUNT, 0, 0));
  c.first_visible_line = static_cast<int>(SendMessageW(hwnd, EM_GETFIRSTVISIBLELINE, 0, 0));
  SendMessageW(hwnd, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&c.format_rect));
  GetClientRect(hwnd, &c.client_rect);
  const int length = GetWindowTextLengthW(hwnd);
  c.positions = length + 1 < kProbeMaxPositions ? length + 1 : kProbeMaxPositions;
  for (int i = 0; i < c.positions; ++i) {
    const LRESULT at = SendMessageW(hwnd, EM_POSFROMCHAR, static_cast<WPARAM>(i), 0);
    c.pos_x[i] = static_cast<short>(LOWORD(at));
    c.pos_y[i] = static_cast<short>(HIWORD(at));
  }
  HDC dc = GetDC(hwnd);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0)));
  c.lines = c.line_count < kProbeMaxLines ? c.line_count : kProbeMaxLines;
  for (int line = 0; line < c.lines; ++line) {
    const int start = static_cast<int>(SendMessageW(hwnd, EM_LINEINDEX, static_cast<WPARAM>(line), 0));
    WCHAR text[256] = {};
    *reinterpret_cast<WORD*>(text) = 255;
    const int length = static_cast<int>(SendMessageW(hwnd, EM_GETLINE, static_cast<WPARAM>(line), reinterpret_cast<LPARAM>(text)));
    SIZE extent{};
    GetTextExtentPoint32W(dc, text, length, &extent);
    const LRESULT at = SendMessageW(hwnd, EM_POSFROMCHAR, static_cast<WPARAM>(start), 0);
    c.line_x[line] = length ? static_cast<short>(LOWORD(at)) : 0;
    c.line_y[line] = length ? static_cast<short>(HIWORD(at)) : 0;
    c.line_width[line] = extent.cx;
  }
  SelectObject(dc, old);
  ReleaseDC(hwnd, dc);
}

BOOL CALLBACK CollectOne(HWND hwnd, LPARAM lp) {
  ProbeShared* shared = reinterpret_cast<Collector*>(lp)->shared;
  if (shared->count >= sizeof shared->controls / sizeof shared->controls[0]) return FALSE;
  ProbeControl& c = shared->controls[shared->count++];
  c.hwnd = reinterpret_cast<UINT_PTR>(hwnd);
  ReadFont(hwnd, c);
  WCHAR cls[64] = {};
  GetClassNameW(hwnd, cls, 64);
  if (lstrcmpiW(cls, L"Edit") == 0) {
    ReadColors(hwnd, c);
    ReadLayout(hwnd, c);
  }
  return TRUE;
}

void ReadIcons(HWND top, ProbeShared& s) {
  HICON big = reinterpret_cast<HICON>(SendMessageW(top, WM_GETICON, ICON_BIG, 0));
  HICON small = reinterpret_cast<HICON>(SendMessageW(top, WM_GETICON, ICON_SMALL, 0));
  HICON cbig = reinterpret_cast<HICON>(GetClassLongPtrW(top, GCLP_HICON));
  HICON csmall = reinterpret_cast<HICON>(GetClassLongPtrW(top, GCLP_HICONSM));
  s.big_icon = big != nullptr;
  s.small_icon = small != nullptr;
  s.class_icon = cbig != nullptr;
  s.class_small_icon = csmall != nullptr;
  HICON icon = big ? big : cbig;
  ICONINFO ii{};
  if (icon && GetIconInfo(icon, &ii)) {
    BITMAP bm{};
    if (ii.hbmColor && GetObjectW(ii.hbmColor, sizeof bm, &bm)) {
      s.icon_cx = bm.bmWidth;
      s.icon_cy = bm.bmHeight;
    } else if (ii.hbmMask && GetObjectW(ii.hbmMask, sizeof bm, &bm)) {
      s.icon_cx = bm.bmWidth;
      s.icon_cy = bm.bmHeight / 2;  // monochrome icon: AND and XOR masks stacked
    }
    if (ii.hbmColor) DeleteObject(ii.hbmColor);
    if (ii.hbmMask) DeleteObject(ii.hbmMask);
  }
}

void Answer(HWND top, DWORD probe_pid, LPARAM command) {
  WCHAR name[64];
  swprintf(name, 64, PROBE_MAPPING_FMT, static_cast<unsigned long>(probe_pid));
  HANDLE mapping = OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, name);
  if (!mapping) return;
  auto* shared = static_cast<ProbeShared*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
  if (shared) {
    if (LOWORD(command) == kProbeCollect) {
      shared->count = 0;
      Collector collector{shared};
      EnumChildWindows(top, CollectOne, reinterpret_cast<LPARAM>(&collector));
      ReadIcons(top, *shared);
    } else if (LOWORD(command) == kProbeSetColors) {
      COLORREF old[kProbeThemeColors];
      for (int i = 0; i < kProbeThemeColors; ++i) old[i] = GetSysColor(kProbeThemeElements[i]);
      SetSysColors(kProbeThemeColors, kProbeThemeElements, shared->colors);
      for (int i = 0; i < kProbeThemeColors; ++i) shared->colors[i] = old[i];
    } else if (LOWORD(command) == kProbeQueueStatus) {
      shared->queue_status = HIWORD(GetQueueStatus(QS_INPUT | QS_POSTMESSAGE | QS_PAINT));
    } else if (LOWORD(command) == kProbeHighContrast) {
      PatchSystemParameters();
      fake_high_contrast = HIWORD(command) != 0;
    } else if (LOWORD(command) == kProbeDpiChanged) {
      // As Windows does when the window moves to a monitor of another DPI: the
      // suggested rectangle keeps the top-left corner and scales the size.
      const UINT dpi = HIWORD(command);
      RECT r{};
      GetWindowRect(top, &r);
      const HDC screen = GetDC(nullptr);
      const int old_dpi = GetDeviceCaps(screen, LOGPIXELSX);
      ReleaseDC(nullptr, screen);
      r.right = r.left + MulDiv(r.right - r.left, static_cast<int>(dpi), old_dpi);
      r.bottom = r.top + MulDiv(r.bottom - r.top, static_cast<int>(dpi), old_dpi);
      SendMessageW(top, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&r));
    }
    InterlockedExchange(&shared->done, 1);
    UnmapViewOfFile(shared);
  }
  CloseHandle(mapping);
}

// The window's controls as they are when it is first activated.
BOOL CALLBACK WatchOne(HWND hwnd, LPARAM lp) {
  auto* watch = reinterpret_cast<ProbeWatch*>(lp);
  if (watch->count >= sizeof watch->ids / sizeof watch->ids[0]) return FALSE;
  watch->ids[watch->count] = GetDlgCtrlID(hwnd);
  watch->visible[watch->count] = IsWindowVisible(hwnd) ? 1 : 0;
  ++watch->count;
  return TRUE;
}

constexpr DWORD kEventLiveRegionChanged = 0x8019;
ProbeWatch* watching = nullptr;  // kept mapped for the events that follow the snapshot
HWND watched_top = nullptr;

void CALLBACK NoteEvent(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG, DWORD, DWORD) {
  if (!hwnd || !IsChild(watched_top, hwnd)) return;
  if (event != kEventLiveRegionChanged && !(event == EVENT_OBJECT_NAMECHANGE && object == OBJID_CLIENT)) return;
  const LONG slot = watching->events;
  if (slot >= static_cast<LONG>(sizeof watching->event / sizeof watching->event[0])) return;
  ProbeEvent& e = watching->event[slot];
  e.event = event;
  e.object = object;
  e.id = GetDlgCtrlID(hwnd);
  GetWindowTextW(hwnd, e.name, 256);
  const HWND frame0 = GetDlgItem(watched_top, 1013);
  GetWindowTextW(frame0 ? GetDlgItem(frame0, 1014) : nullptr, e.text0, 64);
  if (const HMODULE ole32 = GetModuleHandleW(L"ole32.dll")) GetModuleFileNameW(ole32, e.ole32, MAX_PATH);
  InterlockedExchange(&watching->events, slot + 1);
}

void Snapshot(HWND top) {
  if (watching) return;
  HANDLE mapping = OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, PROBE_WATCH_MAPPING);
  if (!mapping) return;
  auto* watch = static_cast<ProbeWatch*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
  if (!watch || watch->done) return;
  watching = watch;
  watched_top = top;
  watch->count = 0;
  EnumChildWindows(top, WatchOne, reinterpret_cast<LPARAM>(watch));
  GetSystemDirectoryW(watch->system_dir, MAX_PATH);
  if (watch->screen_reader) {
    PatchSystemParameters();
    fake_screen_reader = true;
  }
  // In context: NoteEvent runs inside NotifyWinEvent, so it sees the window as it is then.
  SetWinEventHook(EVENT_OBJECT_NAMECHANGE, kEventLiveRegionChanged, PinnedSelf(), NoteEvent, GetCurrentProcessId(), 0,
                  WINEVENT_INCONTEXT);
  InterlockedExchange(&watch->done, 1);
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK ProbeWatchWndProc(int code, WPARAM wp, LPARAM lp) {
  if (code == HC_ACTION) {
    const auto* cwp = reinterpret_cast<const CWPSTRUCT*>(lp);
    if (cwp->message == WM_ACTIVATE && LOWORD(cwp->wParam) != WA_INACTIVE) {
      WCHAR cls[64] = {};
      GetClassNameW(cwp->hwnd, cls, 64);
      if (lstrcmpW(cls, L"RunesukaForm1") == 0) Snapshot(cwp->hwnd);
    }
  }
  return CallNextHookEx(nullptr, code, wp, lp);
}

extern "C" __declspec(dllexport) LRESULT CALLBACK ProbeCallWndProc(int code, WPARAM wp, LPARAM lp) {
  if (code == HC_ACTION) {
    const auto* cwp = reinterpret_cast<const CWPSTRUCT*>(lp);
    if (cwp->message == ProbeMessage()) Answer(cwp->hwnd, static_cast<DWORD>(cwp->wParam), cwp->lParam);
  }
  return CallNextHookEx(nullptr, code, wp, lp);
}
