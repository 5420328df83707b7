#include "check_sequence.h"

#include <string>

#include "machine_type.h"
#include "product_scan.h"

namespace runesuka {
namespace {

constexpr Field kRevealedFirst[] = {
    Field::Text0, Field::Text1, Field::Text2, Field::Text3, Field::Text4,
    Field::Text5, Field::Text6, Field::Text7, Field::Text8, Field::Frame1,
};
constexpr ProductFields kAccessFields = {Field::Text3, Field::Text5, Field::Text7, Field::Frame3, Field::Image1};
constexpr ProductFields kExcelFields = {Field::Text4, Field::Text6, Field::Text8, Field::Frame4, Field::Image2};

}  // namespace

void CheckSequence::Form_Activate() {
    if (intActivated != 0) return;
    // Set before any work, so an activation during the check does nothing.
    intActivated = 1;
    // The window is painted before the registry is touched.
    form_.Refresh();

    for (const Field field : kRevealedFirst) form_.SetVisible(field, true);
    std::u16string index;
    CheckProduct(registry_, form_, u"Access", kAccessFields, index);
    const std::u16string accessIndex = index;
    form_.SetVisible(Field::Frame2, true);
    CheckProduct(registry_, form_, u"Excel", kExcelFields, index);
    const std::u16string strTypeCode = accessIndex + index;
    ShowMachineType(form_, strTypeCode);
}

}  // namespace runesuka
