#include <gtest/gtest.h>

#include <map>

#include "check_sequence.h"
#include "expected_texts.h"
#include "recording_form.h"
#include "scan_fixture.h"

namespace runesuka {
namespace {

using testing::FieldWrite;
using testing::RecordingForm;

class CheckSequenceTest : public ::testing::Test {
protected:
    testing::ScanFixture fixture;
    RecordingForm form;
    CheckSequence check{fixture.reader, form};
};

// Access 2010; Excel 2007 and 2010 with Excel 2010 used last.
TEST_F(CheckSequenceTest, TypicalMachineIsTypeVWithEveryFieldExact) {
    fixture.Install({u"Access", {14}, u"Access.Application.14"});
    fixture.Install({u"Excel", {12, 14}, u"Excel.Application.14"});
    check.Form_Activate();

    const std::map<Field, std::u16string> texts = {
        {Field::Text0, testing::kTypeV},
        {Field::Text2, u"\r\n"},
        {Field::Text3, u"Access\u3000は\u30002010\r\n"},
        {Field::Text4, u"Excel\u3000は\u30002007 と 2010\r\n"},
        {Field::Text5, u" ア ク セ ス"},
        {Field::Text6, u"エクセル"},
        {Field::Text8, u"最終使用は 2010"},
    };
    for (int i = 0; i < kFieldCount; ++i) {
        const auto field = static_cast<Field>(i);
        const auto expected = texts.find(field);
        EXPECT_EQ(form.text(field), expected == texts.end() ? std::nullopt : std::optional(expected->second))
            << FieldName(field);
    }
    EXPECT_EQ(form.fontSize(Field::Text2), 13.0f);
    EXPECT_EQ(form.visible(Field::Frame4), true);
    EXPECT_FALSE(form.visible(Field::Frame3));
    EXPECT_FALSE(form.visible(Field::Text00));
    EXPECT_FALSE(form.visible(Field::Image1));
    EXPECT_FALSE(form.visible(Field::Image2));
}

TEST_F(CheckSequenceTest, KeepsWhatItDecided) {
    fixture.Install({u"Access", {11, 14}, u"Access.Application.11"});
    fixture.Install({u"Excel", {12, 14}, u"Excel.Application.12"});
    check.Form_Activate();

    const CheckFindings& found = check.findings();
    EXPECT_EQ(found.access.strIdx, u"4");
    EXPECT_EQ(found.access.majorVersions, (std::vector<int>{11, 14}));
    EXPECT_EQ(found.excel.strIdx, u"5");
    EXPECT_EQ(found.excel.majorVersions, (std::vector<int>{12, 14}));
    EXPECT_EQ(found.strTypeCode, u"45");
    EXPECT_EQ(found.machineType, MachineType::OldAccess);
}

TEST_F(CheckSequenceTest, RepaintsFirstThenRevealsInOrderAndWritesText0OnceLast) {
    fixture.Install({u"Excel", {12, 14}, u"Excel.Application.12"});
    check.Form_Activate();

    const auto& writes = form.writes();
    ASSERT_GE(writes.size(), 12u);
    EXPECT_EQ(writes[0].kind, FieldWrite::Kind::Refresh);
    const Field revealed[] = {Field::Text0, Field::Text1, Field::Text2, Field::Text3, Field::Text4,
                              Field::Text5, Field::Text6, Field::Text7, Field::Text8, Field::Frame1};
    for (std::size_t i = 0; i < std::size(revealed); ++i) {
        EXPECT_EQ(writes[i + 1].kind, FieldWrite::Kind::Visible);
        EXPECT_EQ(writes[i + 1].field, revealed[i]) << i;
        EXPECT_TRUE(writes[i + 1].visible);
    }
    // Frame2 is revealed between the two scans: after Access's last field, before Excel's first.
    const auto at = [&](Field field, FieldWrite::Kind kind) {
        return std::find_if(writes.begin(), writes.end(),
                            [&](const FieldWrite& w) { return w.field == field && w.kind == kind; }) -
               writes.begin();
    };
    EXPECT_LT(at(Field::Text5, FieldWrite::Kind::Text), at(Field::Frame2, FieldWrite::Kind::Visible));
    EXPECT_LT(at(Field::Frame2, FieldWrite::Kind::Visible), at(Field::Text4, FieldWrite::Kind::Text));
    EXPECT_EQ(writes.back().field, Field::Text0);
    EXPECT_EQ(form.textWrites(Field::Text0), 1);
    EXPECT_EQ(form.text(Field::Text0), testing::kUnknownType);  // code -5
    EXPECT_EQ(form.text(Field::Text00), testing::kRuntimeXp);
    EXPECT_EQ(check.intActivated, 1);
}

TEST_F(CheckSequenceTest, LaterActivationsChangeNothing) {
    fixture.Install({u"Access", {14}, std::nullopt});
    check.Form_Activate();
    const std::size_t writes = form.writes().size();
    const int opens = fixture.registry.opens();
    check.Form_Activate();
    check.Form_Activate();
    EXPECT_EQ(form.writes().size(), writes);
    EXPECT_EQ(fixture.registry.opens(), opens);
}

TEST_F(CheckSequenceTest, ClearingTheFlagLetsTheCheckRunAgain) {
    check.Form_Activate();
    check.intActivated = 0;
    check.Form_Activate();
    EXPECT_EQ(form.textWrites(Field::Text0), 2);
}

TEST_F(CheckSequenceTest, ARefusedWritePassesOutWithTheFlagSet) {
    form.FailOn(Field::Text3, FieldWrite::Kind::Text);
    EXPECT_THROW(check.Form_Activate(), FieldError);
    EXPECT_EQ(check.intActivated, 1);
    EXPECT_FALSE(form.text(Field::Text0));
}

// The type code the check hands on, by what is installed.
struct CodeCase {
    std::vector<testing::Installed> installed;
    std::u16string type;
    std::u16string advice;
};

TEST_F(CheckSequenceTest, TypeCodesFromWholeMachines) {
    const CodeCase cases[] = {
        {{}, testing::kUnknownType, testing::kExcelMissing},                                     // --
        {{{u"Excel", {16}, std::nullopt}}, testing::kUnknownType, testing::kAccessMissing},      // -9
        {{{u"Access", {11}, {}}, {u"Excel", {11}, {}}}, testing::kUnknownType, testing::kOldAccess},  // 44
        {{{u"Access", {11, 14}, u"Access.Application.11"}, {u"Excel", {12}, {}}}, testing::kUnknownType,
         testing::kOldAccess},  // 45
        {{{u"Access", {14}, {}}, {u"Excel", {12}, {}}}, testing::kTypeR, testing::kTypeFound},  // 75
        {{{u"Access", {15}, {}}, {u"Excel", {14, 16}, u"Excel.Application.16"}}, testing::kTypeV, testing::kTypeFound},
        {{{u"Access", {11, 14}, u"Access.Application.17"}, {u"Excel", {14}, {}}}, testing::kUnknownType,
         testing::kNotInstallable},  // 107
    };
    for (const CodeCase& c : cases) {
        testing::ScanFixture machine;
        for (const auto& product : c.installed) machine.Install(product);
        RecordingForm result;
        CheckSequence run(machine.reader, result);
        run.Form_Activate();
        EXPECT_EQ(result.text(Field::Text0), c.type);
        EXPECT_EQ(result.text(Field::Text2), c.advice);
    }
}

}  // namespace
}  // namespace runesuka
