#include "form1.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "load_styles.h"

namespace runesuka {
namespace {

// What the toolkit gives a control that stores no font or colour.
constexpr StoredFont kToolkitFont = {u"ＭＳ Ｐゴシック", 9, false};
constexpr OleColor kButtonText = SystemColor(18);

struct PropertyName {
    std::string_view name;
    Property property;
};
constexpr PropertyName kPropertyNames[] = {
    {"Text", Property::Text},         {"Visible", Property::Visible},   {"FontName", Property::FontName},
    {"FontSize", Property::FontSize}, {"FontBold", Property::FontBold}, {"ForeColor", Property::ForeColor},
};

// The value kind each property takes, as the index of PropertyValue.
std::size_t ValueIndex(Property property) {
    switch (property) {
        case Property::Text:
        case Property::FontName: return 0;
        case Property::Visible:
        case Property::FontBold: return 1;
        case Property::FontSize: return 2;
        case Property::ForeColor: return 3;
    }
    return std::variant_npos;
}

const PropertyName* FindProperty(std::string_view name) {
    const auto* entry = std::find_if(std::begin(kPropertyNames), std::end(kPropertyNames),
                                     [&](const PropertyName& p) { return p.name == name; });
    return entry == std::end(kPropertyNames) ? nullptr : entry;
}

template <std::size_t... I>
std::array<Control, kFieldCount> MakeControls(std::index_sequence<I...>) {
    return {Control(kForm1Controls[I])...};
}

}  // namespace

Control::Control(const ControlDef& def) : def_(&def) {
    const StoredFont font = def.font.value_or(kToolkitFont);
    state_ = ControlState{std::u16string(def.text), def.visibleAtStart, std::u16string(font.name), font.size,
                          font.bold, def.kind == ControlKind::CommandButton ? kButtonText : kWindowText};
}

bool Control::Has(Property property) const {
    switch (def_->kind) {
        case ControlKind::TextBox: return true;
        case ControlKind::Frame: return property != Property::Text;
        case ControlKind::CommandButton: return property != Property::Text && property != Property::ForeColor;
        case ControlKind::ImageBox: return property == Property::Visible;
    }
    return false;
}

Form1::Form1(const RegistryReader& registry, Form1View& view)
    : controls_(MakeControls(std::make_index_sequence<kFieldCount>())), view_(view), check_(registry, *this) {}

const Control& Form1::Controls(int index) const {
    if (index < 0 || index >= kFieldCount) throw FieldError("no control number " + std::to_string(index));
    return controls_[static_cast<std::size_t>(index)];
}

Control& Form1::MutableControl(int index) { return const_cast<Control&>(std::as_const(*this).Controls(index)); }

void Form1::SetProperty(int index, std::string_view name, const PropertyValue& value) {
    Control& control = MutableControl(index);
    const PropertyName* entry = FindProperty(name);
    if (entry == nullptr || !control.Has(entry->property)) {
        throw FieldError(std::string(FieldName(control.def().name)) + " has no property " + std::string(name));
    }
    Assign(control, name, entry->property, value);
}

void Form1::Assign(Control& control, std::string_view name, Property property, const PropertyValue& value) {
    if (value.index() != ValueIndex(property)) {
        throw FieldError("wrong kind of value for " + std::string(FieldName(control.def().name)) + "." + std::string(name));
    }
    ControlState& state = control.state_;
    switch (property) {
        case Property::Text: state.text = std::get<std::u16string>(value); break;
        case Property::Visible: state.visible = std::get<bool>(value); break;
        case Property::FontName: state.fontName = std::get<std::u16string>(value); break;
        case Property::FontSize: state.fontSize = std::get<float>(value); break;
        case Property::FontBold: state.fontBold = std::get<bool>(value); break;
        case Property::ForeColor: state.foreColor = std::get<OleColor>(value); break;
    }
    view_.ControlChanged(control.def().name, property);
}

void Form1::Form_Load() {
    check_.intActivated = 0;
    // Each assignment that fails is skipped. Those to a property the control
    // lacks, as fonts on the image boxes, would fail: they are not tried.
    // The properties are found by name once, not for each control.
    const PropertyName* const fontName = FindProperty("FontName");
    const PropertyName* const fontSize = FindProperty("FontSize");
    const PropertyName* const fontBold = FindProperty("FontBold");
    const PropertyName* const foreColor = FindProperty("ForeColor");
    const auto resumeNext = [this](int index, const PropertyName* property, const PropertyValue& value) {
        Control& control = MutableControl(index);
        if (property == nullptr || !control.Has(property->property)) return;
        try {
            Assign(control, property->name, property->property, value);
        } catch (const std::exception&) {
        }
    };
    const PropertyValue uniformFontName = std::u16string(kUniformFontName);
    const std::int16_t last = Count() - 1;
    for (std::int32_t i = 0; i <= last; ++i) {
        resumeNext(i, fontName, uniformFontName);
        resumeNext(i, fontSize, kUniformFontSize);
    }
    for (const FieldStyle& style : kFieldStyles) {
        const int index = static_cast<int>(style.field);
        if (style.bold) resumeNext(index, fontBold, *style.bold);
        if (style.foreColor) resumeNext(index, foreColor, *style.foreColor);
        resumeNext(index, fontSize, style.size);
    }
}

void Form1::Form_QueryUnload(std::int16_t&, std::int16_t) { view_.EndProgram(); }

void Form1::Cmd_End_Click() { view_.EndProgram(); }

void Form1::SetText(Field field, const std::u16string& text) { SetProperty(static_cast<int>(field), "Text", text); }

void Form1::SetVisible(Field field, bool visible) { SetProperty(static_cast<int>(field), "Visible", visible); }

void Form1::SetFontSize(Field field, float points) { SetProperty(static_cast<int>(field), "FontSize", points); }

}  // namespace runesuka
