#include <gtest/gtest.h>

#include "check_sequence.h"
#include "product_scan.h"
#include "recording_form.h"
#include "scan_fixture.h"

namespace runesuka {
namespace {

using testing::Installed;
using testing::RecordingForm;

constexpr const ProductFields& kExcel = kExcelFields;
constexpr const ProductFields& kAccess = kAccessFields;

struct ScanCase {
    const char* name;
    Installed installed;
    std::u16string versions;                 // installed-versions sentence
    std::optional<std::u16string> lastUsed;  // none: last-used field and frame untouched
    std::u16string index;
};

void PrintTo(const ScanCase& c, std::ostream* out) { *out << c.name; }

class ProductScan : public ::testing::TestWithParam<ScanCase> {};

TEST_P(ProductScan, WritesTheProductFieldsAndItsIndex) {
    const ScanCase& c = GetParam();
    testing::ScanFixture fixture;
    fixture.Install(c.installed);
    RecordingForm form;
    const ProductFields& fields = c.installed.product == u"Access" ? kAccess : kExcel;
    std::u16string index = u"stale";

    // The versions found come back ascending.
    EXPECT_EQ(CheckProduct(fixture.reader, form, c.installed.product, fields, index), c.installed.majorVersions);

    EXPECT_EQ(form.text(fields.fieldVersions), c.versions);
    EXPECT_EQ(form.text(fields.fieldName), c.installed.product == u"Access" ? u" ア ク セ ス" : u"エクセル");
    EXPECT_EQ(form.text(fields.fieldLastUsed), c.lastUsed);
    EXPECT_EQ(form.visible(fields.frameMulti), c.lastUsed ? std::optional<bool>(true) : std::nullopt);
    EXPECT_EQ(form.visible(fields.imageMark), c.installed.majorVersions.empty() ? std::optional<bool>(false)
                                                                                : std::nullopt);
    EXPECT_EQ(index, c.index);
    EXPECT_EQ(fixture.registry.openHandles(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Scenarios, ProductScan,
    ::testing::Values(
        ScanCase{"Nothing", {u"Excel", {}, u"Excel.Application.14"}, u"Excel がインストールされていません。\r\n", std::nullopt, u"-"},
        ScanCase{"NothingAccess", {u"Access", {}, std::nullopt}, u"Access がインストールされていません。\r\n", std::nullopt, u"-"},
        ScanCase{"OneVersion", {u"Excel", {15}, u"Excel.Application.12"}, u"Excel　は　2013\r\n", std::nullopt, u"8"},
        ScanCase{"OldestAndNewest", {u"Access", {7, 16}, std::nullopt}, u"Access　は　95 と 2016\r\n", u"最終使用は 不明", u"9"},
        ScanCase{"CurVerPicksOlder", {u"Excel", {12, 14}, u"Excel.Application.12"}, u"Excel　は　2007 と 2010\r\n", u"最終使用は 2007", u"5"},
        ScanCase{"CurVerPicksNewer", {u"Excel", {12, 14}, u"Excel.Application.14"}, u"Excel　は　2007 と 2010\r\n", u"最終使用は 2010", u"7"},
        ScanCase{"NoCurVer", {u"Excel", {12, 14}, std::nullopt}, u"Excel　は　2007 と 2010\r\n", u"最終使用は 不明", u"7"},
        ScanCase{"EmptyCurVer", {u"Excel", {12, 14}, u""}, u"Excel　は　2007 と 2010\r\n", u"最終使用は 不明", u"7"},
        ScanCase{"StaleCurVer", {u"Access", {11, 15}, u"Access.Application.12"}, u"Access　は　2003 と 2013\r\n", u"最終使用は 2007", u"5"},
        ScanCase{"CurVerAbove", {u"Access", {11, 14}, u"Access.Application.17"}, u"Access　は　2003 と 2010\r\n", u"最終使用は 不明", u"10"},
        ScanCase{"CurVerSix", {u"Excel", {11, 14}, u"Excel.Application.6"}, u"Excel　は　2003 と 2010\r\n", u"最終使用は 不明", u"-2"},
        ScanCase{"CurVerFive", {u"Excel", {11, 14}, u"Excel.Application.5"}, u"Excel　は　2003 と 2010\r\n", u"最終使用は 不明", u"-2"},
        ScanCase{"Version13Is2008", {u"Excel", {11, 13, 14}, u"Excel.Application.13"}, u"Excel　は　2003 と 2008 と 2010\r\n", u"最終使用は 2008", u"6"},
        ScanCase{"AllTen", {u"Excel", {7, 8, 9, 10, 11, 12, 13, 14, 15, 16}, u"Excel.Application.10"},
                 u"Excel　は　95 と 97 と 2000 と ＸＰ と 2003 と 2007 と 2008 と 2010 と 2013 と 2016\r\n", u"最終使用は ＸＰ", u"3"},
        // A pointer that names no version number is taken as unknown; the index stays the highest.
        ScanCase{"BrokenCurVer", {u"Access", {11, 14}, u"accdb_auto_file"}, u"Access　は　2003 と 2010\r\n", u"最終使用は 不明", u"7"},
        ScanCase{"CurVerEndsInDot", {u"Access", {11, 14}, u"Access.Application."}, u"Access　は　2003 と 2010\r\n", u"最終使用は 不明", u"7"},
        ScanCase{"CurVerLetters", {u"Excel", {11, 14}, u"Excel.Application.1x"}, u"Excel　は　2003 と 2010\r\n", u"最終使用は 不明", u"7"},
        ScanCase{"CurVerOverflow", {u"Excel", {11, 14}, u"Excel.Application.99999"}, u"Excel　は　2003 と 2010\r\n", u"最終使用は 不明", u"7"},
        ScanCase{"CurVerSpaces", {u"Excel", {11, 14}, u"Excel.Application. 14"}, u"Excel　は　2003 と 2010\r\n", u"最終使用は 不明", u"7"},
        ScanCase{"CurVerFullWidthDigits", {u"Excel", {11, 14}, u"Excel.Application.１４"}, u"Excel　は　2003 と 2010\r\n", u"最終使用は 不明", u"7"}),
    [](const ::testing::TestParamInfo<ScanCase>& info) { return std::string(info.param.name); });

TEST(ProductScanRegistry, EmptyClsidValueAndOutOfRangeVersionsDoNotCount) {
    testing::ScanFixture fixture;
    fixture.registry.SetText(u"Excel.Application.12\\CLSID", u"", u"");
    fixture.registry.SetText(u"Excel.Application.6\\CLSID", u"", testing::kExcelClsid);
    fixture.registry.SetText(u"Excel.Application.17\\CLSID", u"", testing::kExcelClsid);
    fixture.registry.SetText(u"Excel.Application.14", u"", u"key without CLSID");
    fixture.registry.SetText(u"Excel.Application.15\\CLSID", u"", testing::kExcelClsid);
    RecordingForm form;
    std::u16string index;
    CheckProduct(fixture.reader, form, u"Excel", kExcel, index);
    EXPECT_EQ(form.text(Field::Text4), u"Excel　は　2013\r\n");
    EXPECT_EQ(index, u"8");
}

TEST(ProductScanRegistry, ProbesTenVersionsAndReadsCurVerOnlyForSeveral) {
    testing::ScanFixture fixture;
    fixture.Install({u"Excel", {12}, u"Excel.Application.12"});
    RecordingForm form;
    std::u16string index;
    CheckProduct(fixture.reader, form, u"Excel", kExcel, index);
    EXPECT_EQ(fixture.registry.opens(), 10);

    fixture.Install({u"Excel", {14}, std::nullopt});
    CheckProduct(fixture.reader, form, u"Excel", kExcel, index);
    EXPECT_EQ(fixture.registry.opens(), 21);
}

TEST(ProductScanRegistry, OtherProductNamesLeaveTheNameFieldAlone) {
    testing::ScanFixture fixture;
    RecordingForm form;
    std::u16string index;
    CheckProduct(fixture.reader, form, u"Word", kExcel, index);
    EXPECT_EQ(form.text(Field::Text4), u"Word がインストールされていません。\r\n");
    EXPECT_FALSE(form.text(Field::Text6));
}

TEST(ProductScanRegistry, ARefusedWritePassesToTheCaller) {
    testing::ScanFixture fixture;
    fixture.Install({u"Excel", {12, 14}, u"Excel.Application.14"});
    RecordingForm form;
    form.FailOn(Field::Frame4, testing::FieldWrite::Kind::Visible);
    std::u16string index;
    EXPECT_THROW(CheckProduct(fixture.reader, form, u"Excel", kExcel, index), FieldError);
    EXPECT_EQ(form.text(Field::Text4), u"Excel　は　2007 と 2010\r\n");
    EXPECT_FALSE(form.text(Field::Text8));
    EXPECT_EQ(fixture.registry.openHandles(), 0u);
}

TEST(VersionNameFromProgIdTest, NamesTheVersionAfterTheLastDot) {
    struct Case {
        std::u16string progId;
        std::u16string name;
        std::int16_t index;
    };
    const Case cases[] = {
        {u"Access.Application.14", u"2010", 7}, {u"Excel.Application.16", u"2016", 9},
        {u"Excel.Application.10", u"ＸＰ", 3},   {u"Excel.Application.6", u"不明", -2},
        {u"Excel.Application.7", u"95", 0},     {u"Excel.Application.17", u"不明", 10},
        {u"a.b.c.013", u"2008", 6},             {u"Excel.Application.-5", u"不明", -12},
        {u".32767", u"不明", 32760},            {u"x.-32760", u"不明", -32767},
        // A sign is part of the number, and the lowest tail whose index still fits 16 bits counts.
        {u"Excel.Application.+14", u"2010", 7}, {u"x.-32761", u"不明", -32768},
    };
    for (const Case& c : cases) {
        std::int16_t index = 99;
        EXPECT_EQ(VersionNameFromProgId(c.progId, index), c.name) << std::string(c.progId.begin(), c.progId.end());
        EXPECT_EQ(index, c.index);
    }
}

TEST(VersionNameFromProgIdTest, RefusesTailsThatAreNoSixteenBitNumber) {
    for (const std::u16string progId : {u"accdb_auto_file", u"Excel.Application", u"Excel.Application.",
                                        u"Excel.Application.x", u"Excel.Application.32768", u"x.-32762",
                                        u"Excel.Application.14 ", u"Excel.Application.+", u"Excel.Application.1e1"}) {
        std::int16_t index = 99;
        EXPECT_FALSE(VersionNameFromProgId(progId, index)) << std::string(progId.begin(), progId.end());
        EXPECT_EQ(index, 99);
    }
}

}  // namespace
}  // namespace runesuka
