// One machine's check, run on a headless Form1, and what its window would show.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "ansi_code_page.h"
#include "automation_servers.h"
#include "machine_type.h"
#include "registry_api.h"

namespace runesuka::report {

struct ProductReport {
    std::vector<int> versions;              // major versions found, ascending
    std::u16string line;                    // the installed-versions field
    std::optional<std::u16string> lastUsed; // the last-used field, when its frame is shown
    std::u16string index;                   // the version index text
    // The automation servers of the classes its versions name; none where
    // they cannot be known.
    std::optional<std::vector<AutomationServer>> servers;
};

struct MachineReport {
    std::u16string code;                    // strTypeCode
    MachineType outcome;
    std::u16string type;                    // Text0
    std::u16string advice;                  // Text2
    std::optional<std::u16string> runtime;  // Text00, when shown
    ProductReport access;
    ProductReport excel;
};

// Loads Form1 and activates it once over `registry`, as the window does,
// then finds each product's servers in the registry's `views`; without
// views, the servers are not known.
MachineReport ReportMachine(RegistryApi& registry, const AnsiCodePage& codePage, std::optional<RegistryViews> views);

}  // namespace runesuka::report
