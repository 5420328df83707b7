// Registry export files, as regedit /e and reg export write them, read as a
// machine's HKEY_CLASSES_ROOT: the class keys of the machine and of the user,
// merged as Windows shows them there (every key of both; where both have a key,
// the user's value of a name over the machine's).
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

#include "ansi_code_page.h"
#include "memory_registry.h"

namespace runesuka {

// What makes a file no registry export, and on which line (1-based).
class RegExportError : public std::runtime_error {
public:
    RegExportError(int line, const std::string& what) : std::runtime_error(what), line_(line) {}
    int line() const { return line_; }

private:
    int line_;
};

// Loads the whole file `bytes`: "Windows Registry Editor Version 5.00" in
// UTF-16 LE with its byte-order mark, or "REGEDIT4" in the ANSI code page.
// Keys under HKEY_CLASSES_ROOT, HKEY_LOCAL_MACHINE\SOFTWARE\Classes and
// HKEY_CURRENT_USER\Software\Classes count; all others are read and dropped.
// Throws RegExportError for anything that is not such an export, and then
// leaves `registry` as it was.
void LoadRegExport(std::string_view bytes, const AnsiCodePage& codePage, MemoryRegistry& registry);

}  // namespace runesuka
