#include "clipboard.h"

namespace runesuka::win32 {
namespace {

// Five tries 20 ms apart: the window stops answering for 80 ms at the most.
constexpr int kTries = 5;
constexpr DWORD kPauseMs = 20;

bool OpenWithRetries(HWND owner) {
    for (int tried = 1; !OpenClipboard(owner); ++tried) {
        if (tried == kTries) return false;
        Sleep(kPauseMs);
    }
    return true;
}

}  // namespace

void CopyToClipboard(HWND owner, const std::u16string& text) {
    // Filled before the clipboard is opened, to hold it no longer than needed.
    const SIZE_T bytes = (text.size() + 1) * sizeof(char16_t);
    const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (memory == nullptr) return;
    void* const to = GlobalLock(memory);
    bool taken = false;
    if (to != nullptr) {
        CopyMemory(to, text.c_str(), bytes);
        GlobalUnlock(memory);
        if (OpenWithRetries(owner)) {
            taken = EmptyClipboard() && SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
            CloseClipboard();
        }
    }
    // Once the clipboard has taken it, the memory is the system's.
    if (!taken) GlobalFree(memory);
}

}  // namespace runesuka::win32
