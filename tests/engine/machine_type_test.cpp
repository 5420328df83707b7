#include <gtest/gtest.h>

#include "expected_texts.h"
#include "machine_type.h"
#include "recording_form.h"

namespace runesuka {
namespace {

using testing::FieldWrite;
using testing::RecordingForm;

struct Outcome {
    std::u16string type;
    std::u16string advice;
    std::optional<float> adviceSize;        // none: the load-time size stays
    std::optional<std::u16string> runtime;  // none: Text00 untouched
    MachineType row;                        // the row that decided, handed back
};

const Outcome kR{testing::kTypeR, testing::kTypeFound, 13, std::nullopt, MachineType::TypeR};
const Outcome kV{testing::kTypeV, testing::kTypeFound, 13, std::nullopt, MachineType::TypeV};
const Outcome kOld{testing::kUnknownType, testing::kOldAccess, std::nullopt, std::nullopt, MachineType::OldAccess};
const Outcome kNoExcel{testing::kUnknownType, testing::kExcelMissing, std::nullopt, std::nullopt,
                       MachineType::ExcelMissing};
const Outcome kNotInstallable{testing::kUnknownType, testing::kNotInstallable, 10, std::nullopt,
                              MachineType::NotInstallable};
Outcome NoAccess(const std::u16string& runtime) {
    return {testing::kUnknownType, testing::kAccessMissing, std::nullopt, runtime, MachineType::AccessMissing};
}

void ExpectOutcome(const std::u16string& code, const Outcome& expected) {
    SCOPED_TRACE(std::string(code.begin(), code.end()));
    RecordingForm form;
    EXPECT_EQ(ShowMachineType(form, code), expected.row);
    EXPECT_EQ(form.text(Field::Text0), expected.type);
    EXPECT_EQ(form.text(Field::Text2), expected.advice);
    EXPECT_EQ(form.fontSize(Field::Text2), expected.adviceSize);
    EXPECT_EQ(form.text(Field::Text00), expected.runtime);
    EXPECT_EQ(form.visible(Field::Text00), expected.runtime ? std::optional<bool>(true) : std::nullopt);

    // Text0 exactly once and last; the advice size before the advice text.
    ASSERT_FALSE(form.writes().empty());
    EXPECT_EQ(form.writes().back().field, Field::Text0);
    EXPECT_EQ(form.textWrites(Field::Text0), 1);
    EXPECT_EQ(form.textWrites(Field::Text2), 1);
    if (expected.adviceSize) {
        EXPECT_EQ(form.writes().front().kind, FieldWrite::Kind::FontSize);
    }
    for (const FieldWrite& write : form.writes()) {
        EXPECT_TRUE(write.field == Field::Text0 || write.field == Field::Text2 || write.field == Field::Text00);
    }
}

TEST(ShowMachineTypeTest, NamedTypes) {
    ExpectOutcome(u"75", kR);
    for (const auto* code : {u"77", u"78", u"79", u"88", u"89"}) ExpectOutcome(code, kV);
}

TEST(ShowMachineTypeTest, OldAccess) {
    for (const auto* code : {u"33", u"34", u"35", u"37", u"38", u"43", u"44", u"45", u"47", u"48"}) {
        ExpectOutcome(code, kOld);
    }
}

TEST(ShowMachineTypeTest, ExcelMissingIsTestedBeforeAccessMissing) {
    for (const auto* code : {u"7-", u"4-", u"--", u"10-", u"0-", u"-"}) ExpectOutcome(code, kNoExcel);
}

TEST(ShowMachineTypeTest, AccessMissingNamesTheRuntimeByTheExcelIndex) {
    for (const auto* code : {u"-3", u"-4", u"-5"}) ExpectOutcome(code, NoAccess(testing::kRuntimeXp));
    for (const auto* code : {u"-7", u"-8", u"-27"}) ExpectOutcome(code, NoAccess(testing::kRuntime2010));
    for (const auto* code : {u"-0", u"-1", u"-2", u"-6", u"-9", u"-10"}) ExpectOutcome(code, NoAccess(u""));
}

TEST(ShowMachineTypeTest, EveryOtherPairIsNotInstallable) {
    for (const auto* code : {u"57", u"87", u"74", u"49", u"55", u"99", u"76", u"70", u"36", u"107", u"7-2", u"",
                             u"7", u"075", u"75 ", u" 75", u"77a", u"3"}) {
        ExpectOutcome(code, kNotInstallable);
    }
}

TEST(ShowMachineTypeTest, EveryPairOfSingleCharactersHasExactlyOneOutcome) {
    // The whole two-character space: named rows first, then last and first character.
    const std::u16string chars = u"-0123456789";
    for (const char16_t access : chars) {
        for (const char16_t excel : chars) {
            const std::u16string code{access, excel};
            RecordingForm form;
            ShowMachineType(form, code);
            const bool named = code == u"75" || code == u"77" || code == u"78" || code == u"79" || code == u"88" ||
                               code == u"89";
            const bool oldAccess = (access == u'3' || access == u'4') &&
                                   std::u16string(u"34578").find(excel) != std::u16string::npos;
            const std::u16string expectedAdvice = named       ? testing::kTypeFound
                                                  : oldAccess ? testing::kOldAccess
                                                  : excel == u'-'  ? testing::kExcelMissing
                                                  : access == u'-' ? testing::kAccessMissing
                                                                   : testing::kNotInstallable;
            EXPECT_EQ(form.text(Field::Text2), expectedAdvice) << std::string{char(access), char(excel)};
        }
    }
}

TEST(ShowMachineTypeTest, ARefusedWriteEndsTheOperationAndKeepsEarlierWrites) {
    RecordingForm form;
    form.FailOn(Field::Text2, FieldWrite::Kind::Text);
    EXPECT_THROW(ShowMachineType(form, u"-5"), FieldError);
    EXPECT_EQ(form.text(Field::Text00), testing::kRuntimeXp);
    EXPECT_FALSE(form.text(Field::Text0));
}

}  // namespace
}  // namespace runesuka
