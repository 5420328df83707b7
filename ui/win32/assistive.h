// What screen readers and high-contrast themes get beyond the visible window:
// names for the text boxes, the result announced once, and the theme's colours.
#pragma once

#include <windows.h>

#include <array>
#include <string>

#include "form_fields.h"

namespace runesuka::win32 {

// Control IDs of the names (one per text box) and of the announcement.
inline constexpr int kFirstNameId = 2000;
inline constexpr int kAnnouncementId = 3000;

// Gives every text box its accessible name: a hidden STATIC just before it
// among its siblings, which is where MSAA and UI Automation look for the
// label of an EDIT. Made once, the first time assistive technology asks for
// an accessible object, so a start without one creates no extra windows.
void NameTextBoxes(const std::array<HWND, kFieldCount>& children);

// Tells assistive technology `sentence` once, politely: a zero-size element
// at the bottom of the window's children carries it as its name and raises a
// live-region change and a name change. Nothing is made where no one listens.
void Announce(HWND window, const std::u16string& sentence);

// Whether the user's theme is a high-contrast one.
bool HighContrastOn();

}  // namespace runesuka::win32
