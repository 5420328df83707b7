// The check the window runs on its first activation: both product scans,
// then the type of the machine.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "form_fields.h"
#include "machine_type.h"
#include "product_scan.h"
#include "registry_reader.h"

namespace runesuka {

// The products, as the scan and the registry name them.
inline constexpr char16_t kAccessProduct[] = u"Access";
inline constexpr char16_t kExcelProduct[] = u"Excel";

inline constexpr ProductFields kAccessFields = {Field::Text3, Field::Text5, Field::Text7, Field::Frame3, Field::Image1};
inline constexpr ProductFields kExcelFields = {Field::Text4, Field::Text6, Field::Text8, Field::Frame4, Field::Image2};

// What one product's scan handed back.
struct ProductFindings {
    std::u16string strIdx;
    std::vector<int> majorVersions;
};

// What the check decided besides what it wrote into the fields.
struct CheckFindings {
    ProductFindings access;
    ProductFindings excel;
    std::u16string strTypeCode;
    MachineType machineType = MachineType::NotInstallable;
};

// The registry values the check may read, each product's in turn.
std::vector<ClassesValue> CheckedValues();

class CheckSequence {
public:
    CheckSequence(const RegistryReader& registry, FormFields& form) : registry_(registry), form_(form) {}

    // Runs the check unless it has run since intActivated was last cleared.
    void Form_Activate();

    // Cleared by the window's load handler; set once the check starts.
    std::int16_t intActivated = 0;

    // Complete once Form_Activate has returned.
    const CheckFindings& findings() const { return findings_; }

private:
    const RegistryReader& registry_;
    FormFields& form_;
    CheckFindings findings_;
};

}  // namespace runesuka
