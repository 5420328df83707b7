#include "tab_order.h"

#include <algorithm>

#include "control_table.h"

namespace runesuka {

const std::vector<Field>& TabOrder() {
    // The toolkit numbers the tab indexes from 0, one a control, frames included.
    static const std::vector<Field> order = [] {
        std::vector<Field> fields;
        for (int tabIndex = 0; tabIndex < kFieldCount; ++tabIndex) {
            for (const ControlDef& control : kForm1Controls) {
                const bool takesFocus = control.kind == ControlKind::TextBox || control.kind == ControlKind::CommandButton;
                if (takesFocus && control.tabIndex == tabIndex) fields.push_back(control.name);
            }
        }
        return fields;
    }();
    return order;
}

bool IsBlank(const std::u16string& text) {
    return std::all_of(text.begin(), text.end(),
                       [](char16_t c) { return c == u' ' || c == u'\u3000' || c == u'\r' || c == u'\n'; });
}

}  // namespace runesuka
