// The automation servers of the classes a product's program identifiers
// name: which programs Windows starts for Access.Application and
// Excel.Application, in which view of the registry, so whether they are
// 32-bit or 64-bit.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "registry_reader.h"

namespace runesuka {

struct AutomationServer {
    int bits;           // 64 or 32
    std::u16string path;  // the program, as registered, without its arguments
};

// The key below a class's key that names its server, for an unnamed value.
inline constexpr std::u16string_view kLocalServer = u"LocalServer32";

// Whether `text` names a class: a GUID in braces, {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}.
bool IsClassName(std::u16string_view text);

// The program of a server's command: what stands inside its quotes where it
// is quoted; else the text up to the ".exe" (in any case) that a blank or the
// end follows; else the whole text.
std::u16string ServerProgram(std::u16string_view command);

// The servers of the classes that the texts of `namingValues` name, each
// class once (names compare without case, and texts that name no class are
// passed over): with two views, those in the 64-bit view first, then those in
// the 32-bit one; with one view, all 32-bit.
std::vector<AutomationServer> FindServers(const RegistryReader& registry, RegistryViews views,
                                          const std::vector<ClassesValue>& namingValues);

// The values whose texts name the classes of the products' versions, each
// product's in turn: of the values the check may read, those of its
// versioned program identifiers.
std::vector<ClassesValue> ClassNamingValues();

}  // namespace runesuka
