#include "automation_servers.h"

#include <algorithm>
#include <iterator>

#include "ascii_text.h"
#include "check_sequence.h"

namespace runesuka {
namespace {

constexpr std::u16string_view kProgram = u".exe";

// A class's server key: CLSID\{…}\LocalServer32, folded, so that one class
// named in two cases is one key.
std::u16string ServerKey(const std::u16string& clsid) {
    std::u16string key = std::u16string(kClassIds) + u'\\' + clsid + u'\\' + std::u16string(kLocalServer);
    for (char16_t& c : key) c = FoldAscii(c);
    return key;
}

void AddServer(std::vector<AutomationServer>& servers, int bits, const std::optional<std::u16string>& command) {
    if (!command) return;
    std::u16string program = ServerProgram(*command);
    if (!program.empty()) servers.push_back({bits, std::move(program)});
}

}  // namespace

bool IsClassName(std::u16string_view text) {
    constexpr std::u16string_view kShape = u"{00000000-0000-0000-0000-000000000000}";
    if (text.size() != kShape.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (kShape[i] == u'0' ? HexDigit(text[i]) < 0 : text[i] != kShape[i]) return false;
    }
    return true;
}

std::u16string ServerProgram(std::u16string_view command) {
    if (!command.empty() && command.front() == u'"') {
        const std::size_t close = command.find(u'"', 1);
        if (close != std::u16string_view::npos) return std::u16string(command.substr(1, close - 1));
    }
    for (std::size_t at = 0; at + kProgram.size() <= command.size(); ++at) {
        const std::size_t end = at + kProgram.size();
        if (EqualsFolded(command.substr(at, kProgram.size()), kProgram) &&
            (end == command.size() || command[end] == u' ' || command[end] == u'\t')) {
            return std::u16string(command.substr(0, end));
        }
    }
    return std::u16string(command);
}

std::vector<AutomationServer> FindServers(const RegistryReader& registry, RegistryViews views,
                                          const std::vector<ClassesValue>& namingValues) {
    std::vector<std::u16string> keys;
    for (const ClassesValue& value : namingValues) {
        const RegVariant text = registry.RegGetValue(kHKeyClassesRoot, value.key, value.name, kReadAsText, std::u16string());
        const std::u16string& clsid = std::get<std::u16string>(text);
        if (!IsClassName(clsid)) continue;
        std::u16string key = ServerKey(clsid);
        if (std::find(keys.begin(), keys.end(), key) == keys.end()) keys.push_back(std::move(key));
    }
    std::vector<AutomationServer> servers;
    if (views == RegistryViews::One) {
        for (const std::u16string& key : keys) AddServer(servers, 32, registry.ReadTextIn(0, key));
        return servers;
    }
    for (const std::u16string& key : keys) AddServer(servers, 64, registry.ReadTextIn(kKeyWow64_64Key, key));
    for (const std::u16string& key : keys) AddServer(servers, 32, registry.ReadTextIn(kKeyWow64_32Key, key));
    return servers;
}

std::vector<ClassesValue> ClassNamingValues() {
    std::vector<ClassesValue> values;
    for (const char16_t* product : {kAccessProduct, kExcelProduct}) {
        std::vector<ClassesValue> scanned = ScannedValues(product);
        // All but the current-version pointer.
        std::move(scanned.begin(), scanned.end() - 1, std::back_inserter(values));
    }
    return values;
}

}  // namespace runesuka
