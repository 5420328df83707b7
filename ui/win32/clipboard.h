// Text put on the clipboard, for the user to paste into another program.
#pragma once

#include <windows.h>

#include <string>

namespace runesuka::win32 {

// Puts `text` on the clipboard as Unicode text. While another program holds
// the clipboard open it is asked again a few times, a moment apart, and then
// left alone: nothing is copied, and nothing is said.
void CopyToClipboard(HWND owner, const std::u16string& text);

}  // namespace runesuka::win32
