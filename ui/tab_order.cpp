#include "tab_order.h"

#include <algorithm>

#include "control_table.h"

namespace runesuka {

const std::vector<Field>& TabOrder() {
    static const std::vector<Field> order = [] {
        std::vector<const ControlDef*> focusable;
        for (const ControlDef& control : kForm1Controls) {
            const bool takesFocus = control.kind == ControlKind::TextBox || control.kind == ControlKind::CommandButton;
            if (takesFocus && control.tabIndex) focusable.push_back(&control);
        }
        std::sort(focusable.begin(), focusable.end(),
                  [](const ControlDef* a, const ControlDef* b) { return *a->tabIndex < *b->tabIndex; });
        std::vector<Field> fields;
        for (const ControlDef* control : focusable) fields.push_back(control->name);
        return fields;
    }();
    return order;
}

bool IsBlank(const std::u16string& text) {
    return std::all_of(text.begin(), text.end(),
                       [](char16_t c) { return c == u' ' || c == u'\u3000' || c == u'\r' || c == u'\n'; });
}

}  // namespace runesuka
