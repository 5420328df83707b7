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
// probe.exe watch: a hook on every thread snapshots the window at its first activation into
// this mapping, before the program has had a chance to run its check.
#define PROBE_WATCH_MAPPING L"RunesukaProbe.Watch"
#define PROBE_WATCH_PROC "ProbeWatchWndProc"

enum ProbeCommand : WORD {
  kProbeCollect = 1,  // fill ProbeShared for every descendant of the window
  kProbeDpiChanged = 3,  // send WM_DPICHANGED for the DPI HIWORD(lParam), window rect scaled to it
  kProbeHighContrast = 4,  // SystemParametersInfoW(SPI_GETHIGHCONTRAST) answers on (HIWORD 1) or truly (0)
  kProbeSetColors = 5,     // SetSysColors of the theme colours in ProbeShared::colors, inside the program
                           // (Wine keeps system colours per process); the old ones come back there
  kProbeQueueStatus = 6,  // queue_status: the input, posted messages and painting waiting for the window's thread
};

// The system colours a high-contrast theme sets that matter to the window.
constexpr int kProbeThemeElements[] = {COLOR_BTNFACE, COLOR_BTNTEXT, COLOR_WINDOWTEXT, COLOR_WINDOW};
constexpr int kProbeThemeColors = 4;

// EM_POSFROMCHAR for the characters of an Edit's text, and its lines, up to this many.
constexpr int kProbeMaxPositions = 128;
constexpr int kProbeMaxLines = 8;

struct ProbeControl {
  UINT64 hwnd;
  int has_font;
  LOGFONTW font;                  // the LOGFONT the control was given (WM_GETFONT + GetObject)
  WCHAR actual_face[LF_FACESIZE]; // GetTextFace after selecting that font: what GDI really used
  LONG tm_height;
  LONG tm_internal_leading;
  int has_colors;                 // Edit only: what the parent answers to WM_CTLCOLOR*
  UINT color_message;
  COLORREF text_color;
  COLORREF bk_color;
  int bk_mode;
  int has_brush;
  COLORREF brush_color;
  // Edit only: how the text is laid out.
  int line_count;                 // EM_GETLINECOUNT
  int first_visible_line;         // EM_GETFIRSTVISIBLELINE
  RECT format_rect;               // EM_GETRECT, in client coordinates
  RECT client_rect;
  int positions;                  // entries in pos_x/pos_y: characters 0 .. n-1 and the end
  short pos_x[kProbeMaxPositions];
  short pos_y[kProbeMaxPositions];
  int lines;                      // entries in line_*: the lines as the Edit broke them
  int line_x[kProbeMaxLines];     // where the line's first character stands
  int line_y[kProbeMaxLines];
  int line_width[kProbeMaxLines]; // the line's text measured in the Edit's font
};

// A WinEvent seen inside the program: a live-region change, or a name change of a client object.
struct ProbeEvent {
  DWORD event;
  LONG object;
  int id;                         // control ID of the window it names
  WCHAR name[256];                // that window's text at the time
  WCHAR text0[64];                // Text0's text at the time
  WCHAR ole32[MAX_PATH];          // where the program's ole32.dll came from, if it has one
};

struct ProbeWatch {
  volatile LONG done;
  int screen_reader;              // set by the probe: SPI_GETSCREENREADER answers on
  UINT32 count;
  int ids[64];
  int visible[64];
  WCHAR system_dir[MAX_PATH];     // the program's GetSystemDirectory
  volatile LONG events;
  ProbeEvent event[16];
};

struct ProbeShared {
  volatile LONG done;
  int big_icon;         // WM_GETICON ICON_BIG != 0
  int small_icon;       // WM_GETICON ICON_SMALL != 0
  int class_icon;       // GetClassLongPtr GCLP_HICON != 0
  int class_small_icon; // GetClassLongPtr GCLP_HICONSM != 0
  int icon_cx, icon_cy; // size of the big icon (window's, else the class's)
  COLORREF colors[kProbeThemeColors];  // kProbeSetColors: in the new colours, out the old ones
  UINT queue_status;    // kProbeQueueStatus: the QS_ bits of what is waiting
  UINT32 count;
  ProbeControl controls[64];
};
