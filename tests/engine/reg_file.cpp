#include "reg_file.h"

#include <fstream>
#include <stdexcept>

namespace runesuka::testing {
namespace {

const std::string kRootPrefix = "[HKEY_CLASSES_ROOT\\";

std::u16string Widen(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

// A quoted REGEDIT4 string starting at `pos`; returns it unescaped and moves
// `pos` past the closing quote.
std::string Quoted(const std::string& line, std::size_t& pos) {
    if (line.at(pos) != '"') throw std::runtime_error("expected a quoted string: " + line);
    std::string text;
    for (++pos; pos < line.size() && line[pos] != '"'; ++pos) {
        if (line[pos] == '\\') ++pos;
        text += line.at(pos);
    }
    ++pos;
    return text;
}

}  // namespace

void LoadRegFile(MemoryRegistry& registry, const std::string& path) {
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::string line;
    std::u16string key;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == ';' || line == "REGEDIT4") continue;
        if (line.rfind(kRootPrefix, 0) == 0 && line.back() == ']') {
            key = Widen(line.substr(kRootPrefix.size(), line.size() - kRootPrefix.size() - 1));
            registry.AddKey(key);
            continue;
        }
        std::size_t pos = 0;
        const std::string name = line[0] == '@' ? (++pos, std::string()) : Quoted(line, pos);
        if (line.at(pos++) != '=') throw std::runtime_error("expected '=': " + line);
        if (line.compare(pos, 6, "dword:") == 0) {
            registry.SetDword(key, Widen(name), static_cast<std::uint32_t>(std::stoul(line.substr(pos + 6), nullptr, 16)));
        } else {
            registry.SetText(key, Widen(name), Widen(Quoted(line, pos)));
        }
    }
}

}  // namespace runesuka::testing
