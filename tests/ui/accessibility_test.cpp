#include <gtest/gtest.h>

#include <set>

#include "accessibility.h"
#include "control_table.h"
#include "expected_texts.h"
#include "findings.h"
#include "scan_fixture.h"
#include "tab_order.h"

namespace runesuka {
namespace {

class SilentView : public Form1View {
public:
    void ControlChanged(Field, Property) override {}
    void Refresh() override {}
    void EndProgram() override {}
};

// The window model once the check has run on `machine`.
struct CheckedForm {
    explicit CheckedForm(const std::vector<testing::Installed>& machine) {
        for (const testing::Installed& product : machine) fixture.Install(product);
        form.Form_Load();
        form.Form_Activate();
    }
    testing::ScanFixture fixture;
    SilentView view;
    Form1 form{fixture.reader, view};
};

// The sentence an assistive technology is told once the check has run on `machine`.
std::u16string SentenceAfterCheck(const std::vector<testing::Installed>& machine) {
    return ResultSentence(CheckedForm(machine).form);
}

const std::u16string kTypePrefix = u"このパソコンのタイプは ";
const std::u16string kTypeSuffix = u" です。";

TEST(ResultSentence, TheTypeInItsSentenceThenEveryAdviceLine) {
    EXPECT_EQ(SentenceAfterCheck({{u"Access", {14}, std::nullopt}, {u"Excel", {12, 14}, u"Excel.Application.14"}}),
              kTypePrefix + testing::kTypeV + kTypeSuffix);
    EXPECT_EQ(SentenceAfterCheck({{u"Access", {11}, std::nullopt}, {u"Excel", {10}, std::nullopt}}),
              kTypePrefix + testing::kUnknownType + kTypeSuffix + u" クロナリスへ連絡してください。 " +
                  RUNESUKA_SUPPORT_PHONE + u" Accessのバージョンが2003以下です。");
    EXPECT_EQ(SentenceAfterCheck({{u"Access", {12}, std::nullopt}, {u"Excel", {14}, std::nullopt}}),
              kTypePrefix + testing::kUnknownType + kTypeSuffix +
                  u" このCDではインストール出来ない可能性があります。 お手数ですが、「タイプ不明の場合」をご参照頂くか、"
                  u" サポートへお問合せ下さい。");
}

TEST(ResultSentence, TheRuntimeNameStandsBeforeTheAdviceItIsLaidOver) {
    EXPECT_EQ(SentenceAfterCheck({{u"Excel", {12}, std::nullopt}}),
              kTypePrefix + testing::kUnknownType + kTypeSuffix + u" " + testing::kRuntimeXp +
                  u"のインストールが必要です。 インストール後､再度ルネスカを行って下さい。");
    // Excel 2016 has no runtime named: the window shows the line without one, and so does the sentence.
    EXPECT_EQ(SentenceAfterCheck({{u"Excel", {16}, std::nullopt}}),
              kTypePrefix + testing::kUnknownType + kTypeSuffix +
                  u" のインストールが必要です。 インストール後､再度ルネスカを行って下さい。");
    // Hidden, as in every other outcome, Text00 adds nothing.
    EXPECT_EQ(SentenceAfterCheck({{u"Access", {14}, std::nullopt}}),
              kTypePrefix + testing::kUnknownType + kTypeSuffix +
                  u" Excel のインストールが必要です。 インストール後､再度ルネスカを行って下さい。");
}

std::u16string Installed(const std::u16string& product, const std::u16string& versions) {
    return product + u"\u3000は\u3000" + versions;
}
std::u16string NotInstalled(const std::u16string& product) { return product + u" がインストールされていません。"; }
const std::u16string kRetryLine = u"インストール後､再度ルネスカを行って下さい。";

// One machine of each outcome of the classification, the last-used lines of both products among them.
TEST(FindingsText, TheTitleThenEachLineThatShowsEndedByCrLf) {
    const struct {
        std::vector<testing::Installed> machine;
        std::vector<std::u16string> lines;
    } cases[] = {
        {{{u"Access", {14}, std::nullopt}, {u"Excel", {12}, std::nullopt}},
         {kTypePrefix + testing::kTypeR + kTypeSuffix, Installed(u"Access", u"2010"), Installed(u"Excel", u"2007")}},
        {{{u"Access", {14}, std::nullopt}, {u"Excel", {12, 14}, u"Excel.Application.14"}},
         {kTypePrefix + testing::kTypeV + kTypeSuffix, Installed(u"Access", u"2010"),
          Installed(u"Excel", u"2007 と 2010"), u"最終使用は 2010"}},
        {{{u"Access", {11}, std::nullopt}, {u"Excel", {10}, std::nullopt}},
         {kTypePrefix + testing::kUnknownType + kTypeSuffix, u"クロナリスへ連絡してください。", RUNESUKA_SUPPORT_PHONE,
          u"Accessのバージョンが2003以下です。", Installed(u"Access", u"2003"), Installed(u"Excel", u"ＸＰ")}},
        {{{u"Access", {14}, std::nullopt}},
         {kTypePrefix + testing::kUnknownType + kTypeSuffix, u"Excel のインストールが必要です。", kRetryLine,
          Installed(u"Access", u"2010"), NotInstalled(u"Excel")}},
        {{{u"Excel", {12}, std::nullopt}},
         {kTypePrefix + testing::kUnknownType + kTypeSuffix, testing::kRuntimeXp + u"のインストールが必要です。",
          kRetryLine, NotInstalled(u"Access"), Installed(u"Excel", u"2007")}},
        {{{u"Access", {12, 14}, u"Access.Application.12"}, {u"Excel", {14}, std::nullopt}},
         {kTypePrefix + testing::kUnknownType + kTypeSuffix, u"このCDではインストール出来ない可能性があります。",
          u"お手数ですが、「タイプ不明の場合」をご参照頂くか、", u"サポートへお問合せ下さい。",
          Installed(u"Access", u"2007 と 2010"), u"最終使用は 2007", Installed(u"Excel", u"2010")}},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        std::u16string expected = u"ルネスカ\r\n";
        for (const std::u16string& line : cases[i].lines) expected += line + u"\r\n";
        EXPECT_EQ(FindingsText(CheckedForm(cases[i].machine).form), expected) << "machine " << i;
    }
}

TEST(FindingsText, NothingBeforeTheCheckAndNothingHidden) {
    testing::ScanFixture fixture;
    SilentView view;
    Form1 form(fixture.reader, view);
    form.Form_Load();
    EXPECT_EQ(FindingsText(form), u"");

    // A last-used line whose frame is hidden, and a runtime name that is hidden, show nothing.
    CheckedForm checked({{u"Access", {14}, std::nullopt}, {u"Excel", {12}, std::nullopt}});
    const std::u16string shown = FindingsText(checked.form);
    checked.form.SetText(Field::Text7, u"最終使用は 2010");
    checked.form.SetText(Field::Text00, testing::kRuntimeXp);
    EXPECT_EQ(FindingsText(checked.form), shown);
}

TEST(AccessibleName, EveryTextBoxHasItsOwnAndNothingElseHasOne) {
    std::set<std::u16string_view> names;
    for (const ControlDef& control : kForm1Controls) {
        const std::u16string_view name = AccessibleName(control.name);
        EXPECT_EQ(name.empty(), control.kind != ControlKind::TextBox) << FieldName(control.name);
        if (!name.empty()) {
            EXPECT_TRUE(names.insert(name).second) << FieldName(control.name);
        }
    }
    EXPECT_EQ(AccessibleName(Field::Text0), u"タイプ");
    EXPECT_EQ(AccessibleName(Field::Text2), u"アドバイス");
    EXPECT_EQ(AccessibleName(Field::Text3), u"Access のバージョン");
    EXPECT_EQ(AccessibleName(Field::Text8), u"Excel の最終使用");
    EXPECT_EQ(AccessibleName(Field::Text00), u"ランタイム");
}

TEST(TabOrder, TheButtonThenTheTextBoxesByTabIndex) {
    EXPECT_EQ(TabOrder(), (std::vector<Field>{Field::Cmd_End, Field::Text3, Field::Text4, Field::Text5, Field::Text6,
                                              Field::Text1, Field::Text2, Field::Text0, Field::Text7, Field::Text8,
                                              Field::Text00}));
}

TEST(TabOrder, BoxesThatShowNothingArePassedOver) {
    for (const std::u16string text : {u"", u"\r\n", u"\u3000 \r\n\u3000"}) EXPECT_TRUE(IsBlank(text));
    for (const std::u16string& text : {std::u16string(u" ア ク セ ス"), std::u16string(u"\r\n-"), testing::kTypeSentence}) {
        EXPECT_FALSE(IsBlank(text));
    }
}

}  // namespace
}  // namespace runesuka
