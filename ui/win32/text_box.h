// The result fields as EDIT controls that only show their text: a user may
// select and copy it, and keys that would act on a dialog do nothing here.
#pragma once

#include <windows.h>

namespace runesuka::win32 {

// Sent to the top-level window when assistive technology asks a text box, or
// a frame, for its accessible object.
inline constexpr UINT kAccessibilityAsked = WM_APP + 2;

// Makes `edit` ignore Enter, Escape and Space, and tell its top-level window
// when assistive technology asks for it. A multi-line EDIT in a window with
// dialog keys would otherwise press the default button on Enter and close its
// parent on Escape (a frame, for the boxes inside one).
void MakeTextBox(HWND edit);

}  // namespace runesuka::win32
