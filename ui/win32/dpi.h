// DPI: the per-monitor calls of Windows 10 where they exist; elsewhere the
// system DPI, which Windows XP to 8.1 give every window.
#pragma once

#include <windows.h>

namespace runesuka::win32 {

inline constexpr int kTwipsPerInch = 1440;
inline constexpr int kPointsPerInch = 72;
inline constexpr UINT kDefaultDpi = 96;

// Makes the process per-monitor aware (v2, else v1, else system-aware) where
// the manifest has not already done so.
void EnableDpiAwareness();

UINT DpiOfWindow(HWND window);

// Outer window size for a client area, at `dpi`.
RECT WindowRectForClient(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, UINT dpi);

inline int TwipsToPixels(int twips, UINT dpi) { return MulDiv(twips, static_cast<int>(dpi), kTwipsPerInch); }

}  // namespace runesuka::win32
