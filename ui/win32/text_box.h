// The result fields as EDIT controls that only show their text: a user may
// select and copy it, and keys that would act on a dialog do nothing here.
#pragma once

#include <windows.h>

namespace runesuka::win32 {

// Makes `edit` ignore Enter, Escape and Space. A multi-line EDIT in a window
// with dialog keys would otherwise press the default button on Enter and
// close its parent on Escape (a frame, for the boxes inside one).
void MakeKeysInert(HWND edit);

}  // namespace runesuka::win32
