// Registry export files, as regedit /e and reg export write them, read as a
// machine's HKEY_CLASSES_ROOT: the class keys of the machine and of the user,
// merged as Windows shows them there (every key of both; where both have a key,
// the user's value of a name over the machine's).
#pragma once

#include <memory>
#include <stdexcept>
#include <string>

#include "ansi_code_page.h"
#include "byte_source.h"
#include "kept_values.h"
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

// Reads `source` to its end in one pass: "Windows Registry Editor Version
// 5.00" or "REGEDIT4", in UTF-16 LE or UTF-8, with or without a byte-order
// mark, or in the ANSI code page. Without a mark, bytes that are all UTF-8 and
// not all ASCII are UTF-8. Every line is checked; of the keys under
// HKEY_CLASSES_ROOT, HKEY_LOCAL_MACHINE\SOFTWARE\Classes and
// HKEY_CURRENT_USER\Software\Classes only the values in `kept` are loaded,
// with their keys. Throws RegExportError for anything that is not such an
// export, and then leaves `registry` as it was. Where `kept` names classes,
// their servers are loaded too, and the registry's views are set: two where
// the file holds keys of a 32-bit view (Wow6432Node). False where those
// servers cannot all be known: more classes came before the file named them
// than the reader keeps, and the source cannot be read a second time.
bool LoadRegExport(ByteSource& source, const KeptValues& kept, const AnsiCodePage& codePage,
                   MemoryRegistry& registry);

class ExportReader;

// Reads exports one after another, each as LoadRegExport does; its buffers
// serve every file, so that a run over many small files asks the heap for
// little per file.
class RegExportReader {
public:
    RegExportReader(const KeptValues& kept, const AnsiCodePage& codePage);
    ~RegExportReader();
    RegExportReader(const RegExportReader&) = delete;
    RegExportReader& operator=(const RegExportReader&) = delete;

    bool Load(ByteSource& source, MemoryRegistry& registry);

private:
    std::unique_ptr<ExportReader> reader_;
};

}  // namespace runesuka
