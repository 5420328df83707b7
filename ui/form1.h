// Form1, the program's one window, as a model: its controls' current
// properties, its event handlers, and the check it runs. A Form1View realises
// it on screen and is told of every change.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "check_sequence.h"
#include "control_table.h"
#include "form_fields.h"

namespace runesuka {

enum class Property { Text, Visible, FontName, FontSize, FontBold, ForeColor };
using PropertyValue = std::variant<std::u16string, bool, float, OleColor>;

struct ControlState {
    std::u16string text;
    bool visible;
    std::u16string fontName;
    float fontSize;
    bool fontBold;
    OleColor foreColor;
};

class Form1View {
public:
    virtual ~Form1View() = default;
    virtual void ControlChanged(Field field, Property property) = 0;
    virtual void Refresh() = 0;
    // Ends the process at once; does not return.
    virtual void EndProgram() = 0;
};

// One entry of the control collection, its properties set by name.
class Control {
public:
    explicit Control(const ControlDef& def);
    const ControlDef& def() const { return *def_; }
    const ControlState& state() const { return state_; }
    bool Has(Property property) const;

private:
    friend class Form1;
    const ControlDef* def_;
    ControlState state_;
};

class Form1 : public FormFields {
public:
    Form1(const RegistryReader& registry, Form1View& view);

    // The control collection, indexed from 0 in stored order.
    std::int16_t Count() const { return kFieldCount; }
    const Control& Controls(int index) const;
    const ControlState& State(Field field) const { return Controls(static_cast<int>(field)).state(); }

    // Sets a property by its name; throws FieldError when the control lacks
    // it or the value is of the wrong kind.
    void SetProperty(int index, std::string_view name, const PropertyValue& value);

    void Form_Load();
    void Form_Activate() { check_.Form_Activate(); }
    void Form_QueryUnload(std::int16_t& cancel, std::int16_t unloadMode);
    void Cmd_End_Click();

    std::int16_t intActivated() const { return check_.intActivated; }
    const CheckFindings& findings() const { return check_.findings(); }

    void SetText(Field field, const std::u16string& text) override;
    void SetVisible(Field field, bool visible) override;
    void SetFontSize(Field field, float points) override;
    void Refresh() override { view_.Refresh(); }

private:
    Control& MutableControl(int index);
    // Sets a property `control` has: throws FieldError for a value of the wrong kind.
    void Assign(Control& control, std::string_view name, Property property, const PropertyValue& value);

    std::array<Control, kFieldCount> controls_;
    Form1View& view_;
    CheckSequence check_;
};

}  // namespace runesuka
