// The findings as the user reads them off the window, a line at a time: what
// the result is announced with, and what Ctrl+C copies.
#pragma once

#include <string>
#include <string_view>

#include "form1.h"

namespace runesuka {

// Appends the result lines to `text`, each followed by `lineEnd`: the type
// standing in its sentence, then each advice line, the runtime name in front
// of the first where it is shown. Only what shows: each line without the
// blanks around it, blank lines left out. None before the check has run.
void AppendResultLines(std::u16string& text, const Form1& form, std::u16string_view lineEnd);

// The window's title, the result lines, then for Access and Excel the
// versions line and the last-used line where it shows; each line ends in
// CR LF. Empty while the window shows no findings.
std::u16string FindingsText(const Form1& form);

}  // namespace runesuka
