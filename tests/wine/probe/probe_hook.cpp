// WH_CALLWNDPROC hook loaded into the program under test. It only reacts to the probe's
// registered message; everything else passes straight on.
#include "probe_shared.h"

#include <cstdio>
#include <utility>

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
  if (GetTextMetricsW(dc, &tm)) c.tm_height = tm.tmHeight;
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

BOOL CALLBACK CollectOne(HWND hwnd, LPARAM lp) {
  ProbeShared* shared = reinterpret_cast<Collector*>(lp)->shared;
  if (shared->count >= sizeof shared->controls / sizeof shared->controls[0]) return FALSE;
  ProbeControl& c = shared->controls[shared->count++];
  c.hwnd = reinterpret_cast<UINT_PTR>(hwnd);
  ReadFont(hwnd, c);
  WCHAR cls[64] = {};
  GetClassNameW(hwnd, cls, 64);
  if (lstrcmpiW(cls, L"Edit") == 0) ReadColors(hwnd, c);
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

BOOL CALLBACK FindById(HWND hwnd, LPARAM lp) {
  auto* want = reinterpret_cast<std::pair<int, HWND>*>(lp);
  if (GetDlgCtrlID(hwnd) == want->first) {
    want->second = hwnd;
    return FALSE;
  }
  return TRUE;
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
    } else if (LOWORD(command) == kProbeFocus) {
      std::pair<int, HWND> want{HIWORD(command), nullptr};
      EnumChildWindows(top, FindById, reinterpret_cast<LPARAM>(&want));
      if (want.second) SetFocus(want.second);
      shared->focus_ok = want.second && GetFocus() == want.second;
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

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK ProbeCallWndProc(int code, WPARAM wp, LPARAM lp) {
  if (code == HC_ACTION) {
    const auto* cwp = reinterpret_cast<const CWPSTRUCT*>(lp);
    if (cwp->message == ProbeMessage()) Answer(cwp->hwnd, static_cast<DWORD>(cwp->wParam), cwp->lParam);
  }
  return CallNextHookEx(nullptr, code, wp, lp);
}
