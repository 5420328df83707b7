// Finding the windows of another program, for the test tools under Wine.
#pragma once
#include <windows.h>

#include <vector>

// The visible top-level window of class `cls`, waited for up to `timeout_ms`.
inline HWND WaitForTopLevel(const wchar_t* cls, DWORD timeout_ms) {
  const ULONGLONG deadline = GetTickCount64() + timeout_ms;
  for (;;) {
    HWND hwnd = FindWindowW(cls, nullptr);
    if (hwnd && IsWindowVisible(hwnd)) return hwnd;
    if (GetTickCount64() >= deadline) return nullptr;
    Sleep(50);
  }
}

inline BOOL CALLBACK CollectHwnd(HWND hwnd, LPARAM lp) {
  reinterpret_cast<std::vector<HWND>*>(lp)->push_back(hwnd);
  return TRUE;
}

// Every window below `top`, children of children included.
inline std::vector<HWND> Descendants(HWND top) {
  std::vector<HWND> out;
  EnumChildWindows(top, CollectHwnd, reinterpret_cast<LPARAM>(&out));
  return out;
}

// The control with that ID anywhere below `top`.
inline HWND FindControl(HWND top, int id) {
  for (HWND hwnd : Descendants(top))
    if (GetDlgCtrlID(hwnd) == id) return hwnd;
  return nullptr;
}
