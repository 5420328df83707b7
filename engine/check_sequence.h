// The check the window runs on its first activation: both product scans,
// then the type of the machine.
#pragma once

#include <cstdint>

#include "form_fields.h"
#include "registry_reader.h"

namespace runesuka {

class CheckSequence {
public:
    CheckSequence(const RegistryReader& registry, FormFields& form) : registry_(registry), form_(form) {}

    // Runs the check unless it has run since intActivated was last cleared.
    void Form_Activate();

    // Cleared by the window's load handler; set once the check starts.
    std::int16_t intActivated = 0;

private:
    const RegistryReader& registry_;
    FormFields& form_;
};

}  // namespace runesuka
