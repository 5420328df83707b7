#include "form_fields.h"

namespace runesuka {

const char* FieldName(Field field) {
    static constexpr const char* kNames[kFieldCount] = {
        "Text00", "Frame3", "Text7", "Frame4", "Text8", "Frame1", "Text3", "Text5", "Image1",
        "Frame2", "Text4", "Text6", "Image2", "Frame0", "Text0", "Text1", "Cmd_End", "Text2",
    };
    return kNames[static_cast<int>(field)];
}

}  // namespace runesuka
