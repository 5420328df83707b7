#include <gtest/gtest.h>

#include <vector>

#include "expected_texts.h"
#include "form1.h"
#include "scan_fixture.h"

namespace runesuka {
namespace {

class RecordingView : public Form1View {
public:
    void ControlChanged(Field field, Property property) override {
        if (failOn && *failOn == field) throw FieldError("view refused");
        changes.push_back({field, property});
    }
    void Refresh() override { ++refreshes; }
    void EndProgram() override { ++ends; }

    std::vector<std::pair<Field, Property>> changes;
    std::optional<Field> failOn;
    int refreshes = 0;
    int ends = 0;
};

class Form1Test : public ::testing::Test {
protected:
    testing::ScanFixture machine;
    RecordingView view;
    Form1 form{machine.reader, view};
};

struct Font {
    float size;
    bool bold;
    OleColor color;
};

TEST_F(Form1Test, LoadStylesEveryControlThatHasAFont) {
    form.Form_Load();
    const std::pair<Field, Font> expected[] = {
        {Field::Text0, {17, true, kRed}},         {Field::Text1, {14, true, kWindowText}},
        {Field::Text2, {10, true, kRed}},         {Field::Text3, {13, false, kWindowText}},
        {Field::Text4, {13, false, kWindowText}}, {Field::Text5, {8, false, kWindowText}},
        {Field::Text6, {8, false, kWindowText}},  {Field::Text7, {12, true, kWindowText}},
        {Field::Text8, {12, true, kWindowText}},  {Field::Text00, {9, false, kWindowText}},
        {Field::Frame0, {9, false, kWindowText}}, {Field::Frame3, {9, false, kWindowText}},
        {Field::Cmd_End, {9, false, SystemColor(18)}},
    };
    for (const auto& [field, font] : expected) {
        const ControlState& state = form.State(field);
        EXPECT_EQ(state.fontName, u"ＭＳ Ｐゴシック") << FieldName(field);
        EXPECT_EQ(state.fontSize, font.size) << FieldName(field);
        EXPECT_EQ(state.fontBold, font.bold) << FieldName(field);
        EXPECT_EQ(state.foreColor, font.color) << FieldName(field);
    }
}

TEST_F(Form1Test, LoadChangesNoTextOrVisibilityAndClearsTheFlag) {
    form.Form_Load();
    EXPECT_EQ(form.intActivated(), 0);
    for (int i = 0; i < form.Count(); ++i) {
        const Control& control = form.Controls(i);
        EXPECT_EQ(control.state().text, control.def().text);
        EXPECT_EQ(control.state().visible, control.def().visibleAtStart);
    }
    for (const auto& change : view.changes) {
        EXPECT_NE(change.second, Property::Text);
        EXPECT_NE(change.second, Property::Visible);
        EXPECT_NE(ControlOf(change.first).kind, ControlKind::ImageBox);
    }
}

TEST_F(Form1Test, LoadGoesOnPastFailingAssignments) {
    view.failOn = Field::Text3;
    form.Form_Load();
    EXPECT_EQ(form.State(Field::Text3).fontSize, 13);  // the model took it; the view refused
    EXPECT_EQ(form.State(Field::Text2).fontSize, 10);
    EXPECT_EQ(form.State(Field::Text8).fontSize, 12);
}

TEST_F(Form1Test, PropertiesAreSetByNameAndRefusedWhereTheControlLacksThem) {
    const int image = static_cast<int>(Field::Image1);
    const int frame = static_cast<int>(Field::Frame3);
    const int text = static_cast<int>(Field::Text7);
    EXPECT_THROW(form.SetProperty(image, "FontName", std::u16string(u"x")), FieldError);
    EXPECT_THROW(form.SetProperty(image, "FontSize", 9.0f), FieldError);
    EXPECT_THROW(form.SetProperty(frame, "Text", std::u16string(u"x")), FieldError);
    EXPECT_THROW(form.SetProperty(text, "Caption", std::u16string(u"x")), FieldError);
    EXPECT_THROW(form.SetProperty(text, "Visible", std::u16string(u"true")), FieldError);
    EXPECT_THROW(form.SetProperty(18, "Visible", true), FieldError);
    EXPECT_TRUE(view.changes.empty());
    form.SetProperty(image, "Visible", true);
    form.SetProperty(frame, "FontBold", true);
    EXPECT_TRUE(form.State(Field::Image1).visible);
    EXPECT_TRUE(form.State(Field::Frame3).fontBold);
    EXPECT_EQ(view.changes.size(), 2u);
}

TEST_F(Form1Test, FirstActivationFillsTheFieldsOfTheTypicalMachine) {
    machine.Install({u"Access", {14}, u"Access.Application.14"});
    machine.Install({u"Excel", {12, 14}, u"Excel.Application.14"});
    form.Form_Load();
    form.Form_Activate();
    form.Form_Activate();

    EXPECT_EQ(view.refreshes, 1);
    EXPECT_EQ(form.intActivated(), 1);
    EXPECT_EQ(form.State(Field::Text0).text, testing::kTypeV);
    EXPECT_EQ(form.State(Field::Text1).text, testing::kTypeSentence);
    EXPECT_EQ(form.State(Field::Text2).text, u"\r\n");
    EXPECT_EQ(form.State(Field::Text2).fontSize, 13);
    EXPECT_EQ(form.State(Field::Text8).text, u"最終使用は 2010");
    for (const Field shown : {Field::Text0, Field::Text1, Field::Text2, Field::Text3, Field::Text4, Field::Text5,
                              Field::Text6, Field::Text7, Field::Text8, Field::Frame0, Field::Frame1, Field::Frame2,
                              Field::Frame4, Field::Cmd_End}) {
        EXPECT_TRUE(form.State(shown).visible) << FieldName(shown);
    }
    for (const Field hidden : {Field::Text00, Field::Frame3, Field::Image1, Field::Image2}) {
        EXPECT_FALSE(form.State(hidden).visible) << FieldName(hidden);
    }
    EXPECT_EQ(view.changes.back(), std::make_pair(Field::Text0, Property::Text));
}

TEST_F(Form1Test, AFailingWriteDuringTheCheckPassesOut) {
    form.Form_Load();
    view.failOn = Field::Text0;
    EXPECT_THROW(form.Form_Activate(), FieldError);
}

TEST_F(Form1Test, BothWaysOfClosingEndTheProgram) {
    std::int16_t cancel = 0;
    form.Form_QueryUnload(cancel, 0);
    EXPECT_EQ(view.ends, 1);
    EXPECT_EQ(cancel, 0);
    form.Cmd_End_Click();
    EXPECT_EQ(view.ends, 2);
}

}  // namespace
}  // namespace runesuka
