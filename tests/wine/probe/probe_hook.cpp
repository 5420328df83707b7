// WH_CALLWNDPROC hook loaded into the program under test. It only reacts to the probe's
// registered message; everything else passes straight on.
#include "probe_shared.h"

#include <cstdio>

namespace {

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

void Snapshot(HWND top) {
  HANDLE mapping = OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, PROBE_WATCH_MAPPING);
  if (!mapping) return;
  auto* watch = static_cast<ProbeWatch*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
  if (watch && !watch->done) {
    watch->count = 0;
    EnumChildWindows(top, WatchOne, reinterpret_cast<LPARAM>(watch));
    InterlockedExchange(&watch->done, 1);
  }
  if (watch) UnmapViewOfFile(watch);
  CloseHandle(mapping);
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
