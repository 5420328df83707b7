// regedit_export.exe: has Wine's regedit write a REGEDIT4 export. Its command line
// writes only version 5.00; the other format is a file type of its Export dialog,
// so this opens that dialog in a regedit of its own and fills it in.
//
//   regedit_export.exe OUT.reg KEY [--timeout-ms N]
//
// Exit codes: 0 written, 1 usage, 2 a window of regedit did not appear in time,
// 3 regedit could not be started or wrote nothing.
#include <windows.h>

#include <dlgs.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

#include "window_search.h"

namespace {

// regedit's own identifiers: its window class, the menu command, and the
// controls of the part it adds to the Save dialog.
constexpr wchar_t kMainClass[] = L"RegEdit_RegEdit";
constexpr WORD kExportCommand = 32790;
constexpr int kExportSelectedBranch = 102;
constexpr int kExportBranchPath = 103;
constexpr int kRegedit4FileType = 1;  // the second file type, "REGEDIT4"

int Fail(int code, const char* what) {
  std::fprintf(stderr, "regedit_export: %s\n", what);
  return code;
}

BOOL CALLBACK MatchDialog(HWND hwnd, LPARAM param) {
  wchar_t cls[16] = {};
  GetClassNameW(hwnd, cls, 16);
  if (!IsWindowVisible(hwnd) || lstrcmpW(cls, L"#32770") != 0) return TRUE;
  *reinterpret_cast<HWND*>(param) = hwnd;
  return FALSE;
}

// A visible dialog of the main window's thread.
HWND WaitForDialog(HWND main, DWORD timeout_ms) {
  const DWORD thread = GetWindowThreadProcessId(main, nullptr);
  for (const DWORD start = GetTickCount(); GetTickCount() - start < timeout_ms; Sleep(50)) {
    HWND dialog = nullptr;
    EnumThreadWindows(thread, MatchDialog, reinterpret_cast<LPARAM>(&dialog));
    if (dialog != nullptr) return dialog;
  }
  return nullptr;
}

// regedit's own controls sit in a child dialog of the Save dialog.
HWND WaitForControl(HWND dialog, int id, DWORD timeout_ms) {
  for (const DWORD start = GetTickCount(); GetTickCount() - start < timeout_ms; Sleep(50)) {
    if (HWND control = FindControl(dialog, id)) return control;
  }
  return nullptr;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

int Export(const std::wstring& out, const std::wstring& key, DWORD timeout_ms) {
  DeleteFileW(out.c_str());
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  wchar_t command[] = L"regedit.exe";
  if (!CreateProcessW(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    return Fail(3, "regedit.exe does not start");
  }
  int result = 0;
  HWND main = WaitForTopLevel(kMainClass, timeout_ms);
  HWND dialog = nullptr;
  if (main == nullptr) {
    result = Fail(2, "regedit's window did not appear");
  } else {
    PostMessageW(main, WM_COMMAND, MAKEWPARAM(kExportCommand, 0), 0);
    dialog = WaitForDialog(main, timeout_ms);
  }
  HWND branch = dialog == nullptr ? nullptr : WaitForControl(dialog, kExportBranchPath, timeout_ms);
  if (result == 0 && branch == nullptr) result = Fail(2, "regedit's Export dialog did not appear");

  if (result == 0) {
    SendMessageW(branch, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(key.c_str()));
    SendMessageW(FindControl(dialog, kExportSelectedBranch), BM_CLICK, 0, 0);
    // The dialog takes the file type from the list when told the choice is made.
    HWND types = FindControl(dialog, cmb1);
    SendMessageW(types, CB_SETCURSEL, kRegedit4FileType, 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(cmb1, CBN_SELENDOK), reinterpret_cast<LPARAM>(types));
    HWND name = FindControl(dialog, cmb13);
    if (name == nullptr) name = FindControl(dialog, edt1);
    SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(out.c_str()));
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);

    // regedit writes the file on its own thread once the dialog is gone; a
    // message answered after that means the writing is done.
    const DWORD start = GetTickCount();
    while (IsWindow(dialog) && GetTickCount() - start < timeout_ms) Sleep(50);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_BLOCK, timeout_ms, &ignored);
    if (!Exists(out)) result = Fail(3, "regedit wrote no file");
  }

  if (main != nullptr) PostMessageW(main, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(process.hProcess, timeout_ms) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return result;
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  DWORD timeout_ms = 30000;
  std::wstring args[2];
  int count = 0;
  for (int i = 1; i < argc; ++i) {
    if (std::wstring(argv[i]) == L"--timeout-ms" && i + 1 < argc) {
      timeout_ms = static_cast<DWORD>(_wtoi(argv[++i]));
    } else if (count < 2) {
      args[count++] = argv[i];
    } else {
      count = 3;
    }
  }
  LocalFree(argv);
  if (count != 2) return Fail(1, "usage: regedit_export.exe OUT.reg KEY [--timeout-ms N]");
  return Export(args[0], args[1], timeout_ms);
}
