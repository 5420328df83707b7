#include <gtest/gtest.h>

#include <set>

#include "control_table.h"
#include "iconv_code_page.h"

namespace runesuka {
namespace {

struct Edges {
    int left, top, right, bottom;
    bool operator==(const Edges& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
};

Edges EdgesOf(Field field) {
    const Twips t = WindowTwips(ControlOf(field));
    return {t.left, t.top, t.left + t.width, t.top + t.height};
}

bool Overlap(const Edges& a, const Edges& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

int Order(Field field) { return static_cast<int>(field); }

TEST(ControlTable, EntriesAreInStoredOrderAndContainersComeFirst) {
    for (int i = 0; i < kFieldCount; ++i) {
        const ControlDef& control = kForm1Controls[static_cast<std::size_t>(i)];
        EXPECT_EQ(Order(control.name), i);
        if (control.container) {
            EXPECT_LT(Order(*control.container), i) << FieldName(control.name);
            EXPECT_EQ(ControlOf(*control.container).kind, ControlKind::Frame);
        }
    }
}

TEST(ControlTable, FramedControlsSitAtTheirWindowCoordinates) {
    const std::pair<Field, Edges> expected[] = {
        {Field::Text7, {4500, 1920, 6555, 2220}}, {Field::Text8, {4500, 2520, 6555, 2820}},
        {Field::Text3, {420, 1905, 5595, 2205}},  {Field::Text5, {420, 1725, 5595, 1995}},
        {Field::Image1, {300, 1905, 540, 2145}},  {Field::Text4, {420, 2535, 5595, 2835}},
        {Field::Text6, {420, 2355, 5595, 2625}},  {Field::Image2, {300, 2535, 540, 2775}},
        {Field::Text0, {3870, 280, 5085, 655}},
    };
    for (const auto& [field, edges] : expected) EXPECT_TRUE(EdgesOf(field) == edges) << FieldName(field);
}

TEST(ControlTable, OverlaysLieOnTopOfWhatTheyCover) {
    // The type text in the sentence's gap.
    EXPECT_TRUE(Overlap(EdgesOf(Field::Frame0), EdgesOf(Field::Text1)));
    EXPECT_LT(Order(Field::Frame0), Order(Field::Text1));
    EXPECT_EQ(EdgesOf(Field::Frame0).left, 3750);
    EXPECT_EQ(EdgesOf(Field::Frame0).right, 5205);
    // The runtime name on the advice's first line.
    EXPECT_TRUE(Overlap(EdgesOf(Field::Text00), EdgesOf(Field::Text2)));
    EXPECT_LT(Order(Field::Text00), Order(Field::Text2));
    EXPECT_TRUE((EdgesOf(Field::Text00) == Edges{1680, 800, 3480, 1070}));
    // The last-used lines over the right end of the version lines.
    for (const auto& [over, under, line] : {std::tuple{Field::Frame3, Field::Frame1, Field::Text3},
                                           std::tuple{Field::Frame4, Field::Frame2, Field::Text4}}) {
        EXPECT_LT(Order(over), Order(under));
        EXPECT_EQ(EdgesOf(over).left, 4500);
        EXPECT_TRUE(Overlap(EdgesOf(over), EdgesOf(line)));
        EXPECT_EQ(EdgesOf(line).right, 5595);
    }
    // Frame1 covers the top 110 twips of Frame2, where no child of Frame2 lies.
    EXPECT_EQ(EdgesOf(Field::Frame1).bottom - EdgesOf(Field::Frame2).top, 110);
    for (const ControlDef& control : kForm1Controls) {
        if (control.container == Field::Frame2) {
            EXPECT_GE(control.rect.top, 110) << FieldName(control.name);
        }
    }
}

TEST(ControlTable, OnlyTheEmptyFrameAndTheButtonShowAtStart) {
    std::set<Field> shown;
    for (const ControlDef& control : kForm1Controls) {
        if (control.visibleAtStart) shown.insert(control.name);
    }
    EXPECT_EQ(shown, (std::set<Field>{Field::Frame0, Field::Cmd_End}));
}

TEST(ControlTable, TabIndexesAreUniqueWithTheButtonFirst) {
    std::set<int> indexes;
    for (const ControlDef& control : kForm1Controls) {
        if (control.tabIndex) {
            EXPECT_TRUE(indexes.insert(*control.tabIndex).second) << FieldName(control.name);
        }
        EXPECT_EQ(control.tabIndex.has_value(), control.kind != ControlKind::ImageBox);
    }
    EXPECT_EQ(ControlOf(Field::Cmd_End).tabIndex, 0);
    EXPECT_EQ(*indexes.rbegin(), 15);
}

TEST(ControlTable, StoredTextsAndFonts) {
    const IconvCodePage cp932("CP932");
    const std::u16string sentence(ControlOf(Field::Text1).text);
    EXPECT_EQ(sentence, u"このパソコンのタイプは" + std::u16string(8, u'\u3000') + u"です。\r\n");
    EXPECT_EQ(cp932.ToAnsi(sentence).size(), 46u);
    EXPECT_EQ(ControlOf(Field::Cmd_End).text, u"閉じる");
    for (const ControlDef& control : kForm1Controls) {
        if (control.name != Field::Text1 && control.name != Field::Cmd_End) {
            EXPECT_TRUE(control.text.empty());
        }
        EXPECT_EQ(control.font.has_value(), control.name == Field::Text3);
    }
    EXPECT_EQ(ControlOf(Field::Text3).font->size, 12);
    EXPECT_EQ(kForm1.clientWidth, 6855);
    EXPECT_EQ(kForm1.clientHeight, 3855);
}

}  // namespace
}  // namespace runesuka
