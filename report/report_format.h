// How a machine's report is written: text lines as the window shows the
// findings, or one line of JSON in plain ASCII.
#pragma once

#include <string>
#include <vector>

#include "machine_report.h"

namespace runesuka::report {

struct Outcome {
    MachineType type;
    const char* name;  // the JSON "outcome"
    int exitStatus;    // when one machine is reported
};
// One entry per row of the classification, in its order.
extern const Outcome kOutcomes[6];
const Outcome& OutcomeOf(MachineType type);

// The type, the runtime name where shown, the advice lines, then each
// product's versions line and its last-used line where shown.
std::vector<std::u16string> TextLines(const MachineReport& report);

// `source` is "registry" or the export file's name as given.
std::string JsonLine(const std::u16string& source, const MachineReport& report);

// A JSON string in ASCII: every other character as a \uXXXX escape.
std::string JsonString(const std::u16string& text);

}  // namespace runesuka::report
