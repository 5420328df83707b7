// Layout shared by probe.exe and probe_hook.dll (always built with the same compiler and
// bitness, so the structs need no packing tricks).
//
// probe.exe creates a named file mapping "RunesukaProbe.<probe pid>", installs the
// WH_CALLWNDPROC hook on the target's UI thread and sends kProbeMessage to the target's
// top-level window with wParam = probe pid and lParam = command. The hook, running inside
// the target process, answers into the mapping. GDI objects and class data can only be read
// there: a foreign HFONT or class icon is meaningless to another process.
#pragma once
#include <windows.h>

#define PROBE_MESSAGE_NAME L"RunesukaProbe.Query"
#define PROBE_MAPPING_FMT L"RunesukaProbe.%lu"
#define PROBE_HOOK_PROC "ProbeCallWndProc"

enum ProbeCommand : WORD {
  kProbeCollect = 1,  // fill ProbeShared for every descendant of the window
  kProbeFocus = 2,    // SetFocus on the descendant whose control ID is HIWORD(lParam)
  kProbeDpiChanged = 3,  // send WM_DPICHANGED for the DPI HIWORD(lParam), window rect scaled to it
};

struct ProbeControl {
  UINT64 hwnd;
  int has_font;
  LOGFONTW font;                  // the LOGFONT the control was given (WM_GETFONT + GetObject)
  WCHAR actual_face[LF_FACESIZE]; // GetTextFace after selecting that font: what GDI really used
  LONG tm_height;
  int has_colors;                 // Edit only: what the parent answers to WM_CTLCOLOR*
  UINT color_message;
  COLORREF text_color;
  COLORREF bk_color;
  int bk_mode;
  int has_brush;
  COLORREF brush_color;
};

struct ProbeShared {
  volatile LONG done;
  int big_icon;         // WM_GETICON ICON_BIG != 0
  int small_icon;       // WM_GETICON ICON_SMALL != 0
  int class_icon;       // GetClassLongPtr GCLP_HICON != 0
  int class_small_icon; // GetClassLongPtr GCLP_HICONSM != 0
  int icon_cx, icon_cy; // size of the big icon (window's, else the class's)
  int focus_ok;         // kProbeFocus: the control had the focus afterwards
  UINT32 count;
  ProbeControl controls[64];
};
