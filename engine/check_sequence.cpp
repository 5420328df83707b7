#include "check_sequence.h"

namespace runesuka {
namespace {

constexpr Field kRevealedFirst[] = {
    Field::Text0, Field::Text1, Field::Text2, Field::Text3, Field::Text4,
    Field::Text5, Field::Text6, Field::Text7, Field::Text8, Field::Frame1,
};

const std::u16string kAccess = kAccessProduct;
const std::u16string kExcel = kExcelProduct;

}  // namespace

std::vector<ClassesValue> CheckedValues() {
    std::vector<ClassesValue> values = ScannedValues(kAccess);
    for (ClassesValue& value : ScannedValues(kExcel)) values.push_back(std::move(value));
    return values;
}

void CheckSequence::Form_Activate() {
    if (intActivated != 0) return;
    // Set before any work, so an activation during the check does nothing.
    intActivated = 1;
    // The window is painted before the registry is touched.
    form_.Refresh();

    for (const Field field : kRevealedFirst) form_.SetVisible(field, true);
    std::u16string index;
    findings_.access.majorVersions = CheckProduct(registry_, form_, kAccess, kAccessFields, index);
    findings_.access.strIdx = index;
    form_.SetVisible(Field::Frame2, true);
    findings_.excel.majorVersions = CheckProduct(registry_, form_, kExcel, kExcelFields, index);
    findings_.excel.strIdx = index;
    findings_.strTypeCode = findings_.access.strIdx + index;
    findings_.machineType = ShowMachineType(form_, findings_.strTypeCode);
}

}  // namespace runesuka
