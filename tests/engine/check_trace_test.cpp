// The whole check as one ordered trace of registry reads and field writes,
// compared for each outcome with the order the window's behaviour is
// defined in: what is revealed before what is read, which field of a scan is
// written first, and that the type comes last.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "check_sequence.h"
#include "expected_texts.h"
#include "scan_fixture.h"

namespace runesuka {
namespace {

using Trace = std::vector<std::string>;

std::string Utf8(const std::u16string& text) {
    std::string out;
    for (const char16_t c : text) {
        if (c == u'\r') {
            out += "\\r";
        } else if (c == u'\n') {
            out += "\\n";
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

class TraceForm : public FormFields {
public:
    explicit TraceForm(Trace& trace) : trace_(trace) {}
    void SetText(Field field, const std::u16string& text) override {
        trace_.push_back(std::string("text ") + FieldName(field) + " = " + Utf8(text));
    }
    void SetVisible(Field field, bool visible) override {
        trace_.push_back(std::string(visible ? "show " : "hide ") + FieldName(field));
    }
    void SetFontSize(Field field, float points) override {
        trace_.push_back(std::string("size ") + FieldName(field) + " = " + std::to_string(static_cast<int>(points)));
    }
    void Refresh() override { trace_.push_back("refresh"); }

private:
    Trace& trace_;
};

// Notes every key the reader opens, then answers from the scenario.
class TraceRegistry : public RegistryApi {
public:
    TraceRegistry(RegistryApi& inner, Trace& trace) : inner_(inner), trace_(trace) {}
    std::int32_t RegOpenKeyExA(HKey key, const std::string& subKey, std::uint32_t options, std::uint32_t samDesired,
                               HKey& result) override {
        trace_.push_back("read " + subKey);
        return inner_.RegOpenKeyExA(key, subKey, options, samDesired, result);
    }
    std::int32_t RegQueryValueExA(HKey key, const std::string& valueName, std::uint32_t* type, std::uint8_t* data,
                                  std::uint32_t* size) override {
        return inner_.RegQueryValueExA(key, valueName, type, data, size);
    }
    std::int32_t RegCloseKey(HKey key) override { return inner_.RegCloseKey(key); }

private:
    RegistryApi& inner_;
    Trace& trace_;
};

Trace CheckTrace(const std::vector<testing::Installed>& machine) {
    testing::ScanFixture fixture;
    for (const testing::Installed& product : machine) fixture.Install(product);
    Trace trace;
    TraceRegistry registry(fixture.registry, trace);
    const RegistryReader reader(registry, fixture.cp932);
    TraceForm form(trace);
    CheckSequence check(reader, form);
    check.Form_Activate();
    return trace;
}

Trace operator+(Trace head, const Trace& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

const Trace kReveal = {"refresh",    "show Text0", "show Text1", "show Text2", "show Text3", "show Text4",
                       "show Text5", "show Text6", "show Text7", "show Text8", "show Frame1"};

Trace ClsidReads(const std::string& product) {
    Trace reads;
    for (int major = 7; major <= 16; ++major) reads.push_back("read " + product + ".Application." + std::to_string(major) + "\\CLSID");
    return reads;
}

const std::string kAccessName = "text Text5 =  ア ク セ ス";
const std::string kExcelName = "text Text6 = エクセル";
const std::string kAccessNone = "text Text3 = Access がインストールされていません。\\r\\n";
const std::string kExcelNone = "text Text4 = Excel がインストールされていません。\\r\\n";

std::string Advice(const std::u16string& text) { return "text Text2 = " + Utf8(text); }
std::string Type(const std::u16string& text) { return "text Text0 = " + Utf8(text); }

TEST(CheckTrace, TypeR) {
    EXPECT_EQ(CheckTrace({{u"Access", {14}, std::nullopt}, {u"Excel", {12}, std::nullopt}}),
              (kReveal + ClsidReads("Access") +
                  Trace{"text Text3 = Access　は　2010\\r\\n", kAccessName, "show Frame2"} + ClsidReads("Excel") +
                  Trace{"text Text4 = Excel　は　2007\\r\\n", kExcelName, "size Text2 = 13",
                        Advice(testing::kTypeFound), Type(testing::kTypeR)}));
}

TEST(CheckTrace, TypeVWithTwoExcelVersions) {
    EXPECT_EQ(CheckTrace({{u"Access", {14}, std::nullopt}, {u"Excel", {12, 14}, u"Excel.Application.14"}}),
              (kReveal + ClsidReads("Access") +
                  Trace{"text Text3 = Access　は　2010\\r\\n", kAccessName, "show Frame2"} + ClsidReads("Excel") +
                  Trace{"text Text4 = Excel　は　2007 と 2010\\r\\n", "show Frame4", "read Excel.Application\\CurVer",
                        "text Text8 = 最終使用は 2010", kExcelName, "size Text2 = 13", Advice(testing::kTypeFound),
                        Type(testing::kTypeV)}));
}

TEST(CheckTrace, OldAccessWithTwoAccessVersions) {
    EXPECT_EQ(CheckTrace({{u"Access", {11, 14}, u"Access.Application.11"}, {u"Excel", {10}, std::nullopt}}),
              (kReveal + ClsidReads("Access") +
                  Trace{"text Text3 = Access　は　2003 と 2010\\r\\n", "show Frame3", "read Access.Application\\CurVer",
                        "text Text7 = 最終使用は 2003", kAccessName, "show Frame2"} +
                  ClsidReads("Excel") +
                  Trace{"text Text4 = Excel　は　ＸＰ\\r\\n", kExcelName, Advice(testing::kOldAccess),
                        Type(testing::kUnknownType)}));
}

TEST(CheckTrace, ExcelMissing) {
    EXPECT_EQ(CheckTrace({{u"Access", {14}, std::nullopt}}),
              (kReveal + ClsidReads("Access") +
                  Trace{"text Text3 = Access　は　2010\\r\\n", kAccessName, "show Frame2"} + ClsidReads("Excel") +
                  Trace{"hide Image2", kExcelNone, kExcelName, Advice(testing::kExcelMissing),
                        Type(testing::kUnknownType)}));
}

TEST(CheckTrace, AccessMissing) {
    EXPECT_EQ(CheckTrace({{u"Excel", {12}, std::nullopt}}),
              (kReveal + ClsidReads("Access") + Trace{"hide Image1", kAccessNone, kAccessName, "show Frame2"} +
                  ClsidReads("Excel") +
                  Trace{"text Text4 = Excel　は　2007\\r\\n", kExcelName, "show Text00",
                        "text Text00 = " + Utf8(testing::kRuntimeXp), Advice(testing::kAccessMissing),
                        Type(testing::kUnknownType)}));
}

TEST(CheckTrace, NotInstallable) {
    EXPECT_EQ(CheckTrace({{u"Access", {12}, std::nullopt}, {u"Excel", {14}, std::nullopt}}),
              (kReveal + ClsidReads("Access") +
                  Trace{"text Text3 = Access　は　2007\\r\\n", kAccessName, "show Frame2"} + ClsidReads("Excel") +
                  Trace{"text Text4 = Excel　は　2010\\r\\n", kExcelName, "size Text2 = 10",
                        Advice(testing::kNotInstallable), Type(testing::kUnknownType)}));
}

}  // namespace
}  // namespace runesuka
