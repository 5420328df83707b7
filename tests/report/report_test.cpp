#include "report.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "check_sequence.h"
#include "chunked_source.h"
#include "expected_texts.h"
#include "iconv_code_page.h"
#include "memory_registry.h"
#include "reg_export.h"
#include "report_format.h"

namespace runesuka {
namespace {

using report::RunReport;

// The report's platform as data: files by name, lines written, a live registry or none.
class FakeHost : public report::ReportHost {
public:
    int Run(std::vector<std::u16string> args) {
        args_ = std::move(args);
        return RunReport(args_, *this);
    }

    RegistryApi* LiveRegistry() override { return live; }
    RegistryViews LiveViews() override { return liveViews; }
    const AnsiCodePage& CodePage() override { return cp932; }
    std::unique_ptr<ByteSource> OpenFile(std::size_t argument, std::u16string& error) override {
        const auto file = files.find(args_.at(argument));
        if (file == files.end()) {
            error = u"cannot be read: No such file or directory";
            return nullptr;
        }
        return std::make_unique<testing::ChunkedSource>(file->second);
    }
    ByteSource& StandardInput() override {
        standardInput_ = std::make_unique<testing::ChunkedSource>(input, testing::kMixedChunks, true);
        return *standardInput_;
    }
    void Out(const std::u16string& line) override { out.push_back(line); }
    void Err(const std::u16string& line) override { err.push_back(line); }

    IconvCodePage cp932{"CP932"};
    std::map<std::u16string, std::string> files;
    std::string input;  // standard input
    MemoryRegistry* live = nullptr;
    RegistryViews liveViews = RegistryViews::One;
    std::vector<std::u16string> out;
    std::vector<std::u16string> err;

private:
    std::vector<std::u16string> args_;
    std::unique_ptr<testing::ChunkedSource> standardInput_;
};

// A REGEDIT4 export of the CLSID keys of the versions given, and CurVer keys.
std::string Export(std::vector<int> access, std::vector<int> excel, std::string accessCurVer = "",
                   std::string excelCurVer = "") {
    std::string text = "REGEDIT4\r\n\r\n";
    for (const auto& [product, versions, curVer] :
         {std::tuple("Access", access, accessCurVer), std::tuple("Excel", excel, excelCurVer)}) {
        for (const int n : versions) {
            text += "[HKEY_CLASSES_ROOT\\" + std::string(product) + ".Application." + std::to_string(n) +
                    "\\CLSID]\r\n@=\"{00000000-0000-0000-0000-000000000000}\"\r\n\r\n";
        }
        if (!curVer.empty()) {
            text += "[HKEY_CLASSES_ROOT\\" + std::string(product) + ".Application\\CurVer]\r\n@=\"" + curVer + "\"\r\n";
        }
    }
    return text;
}

std::string Fixture(const std::string& name) {
    std::ifstream in(std::string(RUNESUKA_FIXTURES_DIR) + "/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string Utf16(const std::u16string& text) {
    std::string bytes;
    for (const char16_t c : text) bytes += std::string{static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    return bytes;
}

std::u16string Widen(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

TEST(ReportJson, OneLineWithExactlyTheKeysInAscii) {
    FakeHost host;
    host.files[u"typical.reg"] = Fixture("excel2007-2010-access2010-runtime.reg");
    EXPECT_EQ(host.Run({u"--json", u"--from-reg", u"typical.reg"}), 0);
    ASSERT_EQ(host.out.size(), 1u);
    EXPECT_EQ(host.out[0],
              u"{\"source\": \"typical.reg\", \"code\": \"77\", \"outcome\": \"type-v\", "
              u"\"type\": \"\\uFF80\\uFF72\\uFF8C\\uFF9F \\uFF36\", \"advice\": \"\\r\\n\", \"runtime\": null, "
              u"\"access\": {\"versions\": [14], \"line\": \"Access\\u3000\\u306F\\u30002010\\r\\n\", "
              u"\"last_used\": null, \"index\": \"7\", \"servers\": []}, "
              u"\"excel\": {\"versions\": [12, 14], \"line\": \"Excel\\u3000\\u306F\\u30002007 \\u3068 2010\\r\\n\", "
              u"\"last_used\": \"\\u6700\\u7D42\\u4F7F\\u7528\\u306F 2010\", \"index\": \"7\", \"servers\": []}}");
    EXPECT_TRUE(host.err.empty());
}

TEST(ReportJson, EscapesEverythingButPrintableAscii) {
    EXPECT_EQ(report::JsonString(u"a\"b\\c\r\n\t\x01\x7F~ \u00E9\U0001F600"),
              "\"a\\\"b\\\\c\\r\\n\\t\\u0001\\u007F~ \\u00E9\\uD83D\\uDE00\"");
    EXPECT_EQ(report::JsonLine(u"C:\\レポート\\a.reg", {}).substr(0, 40), "{\"source\": \"C:\\\\\\u30EC\\u30DD\\u30FC\\u30C8");
}

struct OutcomeCase {
    const char* name;
    std::string file;
    const char* code;
    const char* outcome;
    int exitStatus;
    std::u16string runtime;  // "null": not shown
};

TEST(ReportOutcome, EveryOutcomeHasItsExitStatus) {
    const OutcomeCase cases[] = {
        {"type R", Export({14}, {12}), "75", "type-r", 0, u"null"},
        {"type V", Export({14, 15}, {16}, "Access.Application.15"), "89", "type-v", 0, u"null"},
        {"old Access", Export({11}, {10}), "43", "old-access", 10, u"null"},
        {"Excel missing", Export({14}, {}), "7-", "excel-missing", 11, u"null"},
        {"Access missing", Export({}, {12}), "-5", "access-missing", 12,
         u"\"\\u300C\\uFF97\\uFF9D\\uFF80\\uFF72\\uFF91 \\uFF38\\uFF30\\u300D\""},
        {"Access missing, no runtime named", Export({}, {16}), "-9", "access-missing", 12, u"\"\""},
        {"not installable", Export({12}, {14}), "57", "not-installable", 13, u"null"},
    };
    for (const OutcomeCase& c : cases) {
        SCOPED_TRACE(c.name);
        FakeHost host;
        host.files[u"m.reg"] = c.file;
        EXPECT_EQ(host.Run({u"--from-reg", u"m.reg", u"--json"}), c.exitStatus);
        ASSERT_EQ(host.out.size(), 1u);
        const std::u16string& json = host.out[0];
        EXPECT_NE(json.find(u"\"code\": \"" + Widen(c.code) + u"\", \"outcome\": \"" + Widen(c.outcome) + u"\""),
                  std::u16string::npos) << std::string(json.begin(), json.end());
        EXPECT_NE(json.find(u"\"runtime\": " + c.runtime + u", "), std::u16string::npos);

        // The live registry: the same report and status.
        MemoryRegistry live(host.cp932);
        testing::ChunkedSource source(c.file);
        LoadRegExport(source, KeptValues(CheckedValues()), host.cp932, live);
        FakeHost machine;
        machine.live = &live;
        EXPECT_EQ(machine.Run({u"--json"}), c.exitStatus);
        ASSERT_EQ(machine.out.size(), 1u);
        EXPECT_EQ(machine.out[0].substr(machine.out[0].find(u", \"code\"")), json.substr(json.find(u", \"code\"")));
        EXPECT_EQ(machine.out[0].substr(0, 22), u"{\"source\": \"registry\",");
    }
}

// One registry value below HKEY_CLASSES_ROOT: a text, or a dword where `dword`.
struct Entry {
    std::string key;
    std::string text;
    bool dword = false;
};

const std::string kExcelClass = "{00024500-0000-0000-C000-000000000046}";
const std::string kAccessClass = "{73A4C9C1-D68D-11D0-98BF-00A0C90DC8D9}";
const std::string kExcelServer = "CLSID\\" + kExcelClass + "\\LocalServer32";
const std::string kExcel32Server = "Wow6432Node\\" + kExcelServer;

// The REGEDIT4 export of `entries`, in regedit's order of keys: by name, without case.
std::string ExportOf(std::vector<Entry> entries) {
    const auto upper = [](std::string text) {
        for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return text;
    };
    std::stable_sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) { return upper(a.key) < upper(b.key); });
    std::string text = "REGEDIT4\r\n\r\n";
    for (const Entry& entry : entries) {
        text += "[HKEY_CLASSES_ROOT\\" + entry.key + "]\r\n";
        if (entry.dword) {
            text += "@=dword:" + entry.text + "\r\n\r\n";
            continue;
        }
        std::string quoted;
        for (const char c : entry.text) quoted += c == '\\' || c == '"' ? std::string{'\\', c} : std::string{c};
        text += "@=\"" + quoted + "\"\r\n\r\n";
    }
    return text;
}

// Each product's servers: from the registry of a 64-bit or a 32-bit Windows,
// and from its export, which holds keys below Wow6432Node on 64-bit Windows.
TEST(ReportJson, EachProductsServersWithTheirBitness) {
    const Entry excel16 = {"Excel.Application.16\\CLSID", kExcelClass};
    const Entry windows64 = {"Wow6432Node\\CLSID", ""};
    const std::string office16 = "C:\\Program Files\\Microsoft Office\\root\\Office16\\EXCEL.EXE";
    const std::string office14 = "C:\\PROGRA~2\\MICROS~1\\Office14\\EXCEL.EXE";
    const std::u16string office16Json = u"{\"bits\": 64, \"path\": \"C:\\\\Program Files\\\\Microsoft Office\\\\root\\\\Office16\\\\EXCEL.EXE\"}";
    const std::u16string office14Json = u"{\"bits\": 32, \"path\": \"C:\\\\PROGRA~2\\\\MICROS~1\\\\Office14\\\\EXCEL.EXE\"}";
    const struct {
        const char* name;
        RegistryViews views;
        std::vector<Entry> entries;
        std::u16string access;  // its "servers"
        std::u16string excel;
    } cases[] = {
        {"64-bit Office", RegistryViews::Two, {excel16, windows64, {kExcelServer, office16 + " /automation"}}, u"[]",
         u"[" + office16Json + u"]"},
        {"32-bit Office on 64-bit Windows, one class for two versions", RegistryViews::Two,
         {{"Access.Application.14\\CLSID", kAccessClass}, {"Excel.Application.12\\CLSID", kExcelClass},
          {"Excel.Application.14\\CLSID", kExcelClass},
          {"Wow6432Node\\CLSID\\" + kAccessClass + "\\LocalServer32", "C:\\PROGRA~2\\MICROS~1\\Office14\\MSACCESS.EXE /AUTOMATION"},
          {kExcel32Server, office14 + " /automation"}},
         u"[{\"bits\": 32, \"path\": \"C:\\\\PROGRA~2\\\\MICROS~1\\\\Office14\\\\MSACCESS.EXE\"}]", u"[" + office14Json + u"]"},
        {"a server in both views, the 64-bit one first", RegistryViews::Two,
         {excel16, {kExcel32Server, office14 + " /automation"}, {kExcelServer, office16 + " /automation"}}, u"[]",
         u"[" + office16Json + u", " + office14Json + u"]"},
        {"none registered", RegistryViews::Two, {excel16, windows64, {"CLSID\\" + kExcelClass + "\\InprocServer32", "x.dll"}},
         u"[]", u"[]"},
        {"Click-to-Run, quoted", RegistryViews::Two, {excel16, windows64, {kExcelServer, "\"" + office16 + "\" /automation"}},
         u"[]", u"[" + office16Json + u"]"},
        {"32-bit Windows: one view, counted once", RegistryViews::One, {excel16, {kExcelServer, office14 + " /automation"}},
         u"[]", u"[" + office14Json + u"]"},
        {"a malformed class name", RegistryViews::Two,
         {{"Excel.Application.16\\CLSID", kExcelClass.substr(1, 36)}, windows64,
          {"CLSID\\" + kExcelClass.substr(1, 36) + "\\LocalServer32", office16}},
         u"[]", u"[]"},
        {"bad paths: a number, empty, too long for the reader, quoted empty, no program", RegistryViews::Two,
         {{"Access.Application.14\\CLSID", kAccessClass}, excel16, {"Excel.Application.15\\CLSID", "{00000000-0000-0000-0000-000000000001}"},
          {"Excel.Application.14\\CLSID", "{00000000-0000-0000-0000-000000000002}"},
          {"Excel.Application.13\\CLSID", "{00000000-0000-0000-0000-00000000000a}"},
          {"Excel.Application.12\\CLSID", "{00000000-0000-0000-0000-00000000000B}"},
          {"CLSID\\" + kAccessClass + "\\LocalServer32", "00000001", true},
          {"Wow6432Node\\CLSID\\" + kAccessClass + "\\LocalServer32", ""}, {kExcelServer, std::string(300, 'x') + ".exe"},
          {kExcel32Server, "\"\" /automation"},
          {"CLSID\\{00000000-0000-0000-0000-000000000001}\\LocalServer32", "C:\\Office\\excel.exe"},
          {"CLSID\\{00000000-0000-0000-0000-000000000002}\\LocalServer32", "C:\\Office\\EXCEL.EXEC /x"},
          {"Wow6432Node\\CLSID\\{00000000-0000-0000-0000-00000000000A}\\LocalServer32", "\"C:\\Office\\EXCEL.EXE /x"}},
         u"[]",
         u"[{\"bits\": 64, \"path\": \"C:\\\\Office\\\\EXCEL.EXEC /x\"}, {\"bits\": 64, \"path\": \"C:\\\\Office\\\\excel.exe\"}, "
         u"{\"bits\": 32, \"path\": \"\\\"C:\\\\Office\\\\EXCEL.EXE\"}]"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto servers = [](const std::u16string& json, const char16_t* product) {
            const std::size_t at = json.find(u"\"servers\": ", json.find(product));
            return json.substr(at + 11, json.find(u"]", at) + 1 - at - 11);
        };
        FakeHost machine;
        MemoryRegistry live(machine.cp932);
        live.SetViews(c.views);
        for (const Entry& entry : c.entries) {
            const std::u16string key = Widen(entry.key);
            if (entry.dword) {
                live.SetDword(key, u"", static_cast<std::uint32_t>(std::stoul(entry.text, nullptr, 16)));
            } else {
                live.SetText(key, u"", Widen(entry.text));
            }
        }
        machine.live = &live;
        machine.liveViews = c.views;
        machine.Run({u"--json"});
        ASSERT_EQ(machine.out.size(), 1u);
        EXPECT_EQ(servers(machine.out[0], u"\"access\""), c.access);
        EXPECT_EQ(servers(machine.out[0], u"\"excel\""), c.excel);

        FakeHost exported;
        exported.files[u"m.reg"] = ExportOf(c.entries);
        exported.Run({u"--json", u"--from-reg", u"m.reg"});
        ASSERT_EQ(exported.out.size(), 1u);
        EXPECT_EQ(exported.out[0].substr(exported.out[0].find(u", \"code\"")), machine.out[0].substr(machine.out[0].find(u", \"code\"")));
    }

    // As text, a line for each product that has a server, after its versions.
    FakeHost text;
    text.files[u"m.reg"] = ExportOf(cases[2].entries);
    EXPECT_EQ(text.Run({u"--from-reg", u"m.reg"}), 12);
    EXPECT_EQ(std::vector<std::u16string>(text.out.end() - 3, text.out.end()),
              (std::vector<std::u16string>{u"Access がインストールされていません。", u"Excel　は　2016",
                                           u"Excel のオートメーション サーバー: 64 ビット版 " + Widen(office16) +
                                               u"、32 ビット版 " + Widen(office14)}));
}

TEST(ReportText, TheWindowsTextsLineByLine) {
    FakeHost host;
    host.files[u"runtime.reg"] = Export({}, {12});
    host.files[u"two.reg"] = Export({12}, {12, 14}, "", "Excel.Application.12");
    EXPECT_EQ(host.Run({u"--from-reg", u"runtime.reg", u"two.reg"}), 0);
    const std::u16string reRun = testing::kReRunLine;
    const std::vector<std::u16string> expected = {
        u"runtime.reg",
        testing::kUnknownType,
        testing::kRuntimeXp,
        testing::kAccessMissing.substr(0, testing::kAccessMissing.find(u"\r\n")),
        reRun,
        u"Access がインストールされていません。",
        u"Excel\u3000は\u30002007",
        u"",
        u"two.reg",
        testing::kUnknownType,
        u"\u3000\u3000\u3000\u3000 このCDではインストール出来ない可能性があります。",
        u"\u3000\u3000\u3000\u3000 お手数ですが、「タイプ不明の場合」をご参照頂くか、",
        u"\u3000\u3000\u3000\u3000 サポートへお問合せ下さい。",
        u"Access\u3000は\u30002007",
        u"Excel\u3000は\u30002007 と 2010",
        u"最終使用は 2007",
    };
    EXPECT_EQ(host.out, expected);

    FakeHost typeFound;
    typeFound.files[u"r.reg"] = Export({14}, {12});
    EXPECT_EQ(typeFound.Run({u"--from-reg", u"r.reg"}), 0);
    // The type-found advice is one empty line.
    EXPECT_EQ(typeFound.out, (std::vector<std::u16string>{u"r.reg", testing::kTypeR, u"", u"Access\u3000は\u30002010",
                                                            u"Excel\u3000は\u30002007"}));
}

TEST(ReportFiles, EveryFileIsReportedInOrderAndBadOnesNamed) {
    FakeHost host;
    host.files[u"a.reg"] = Export({14}, {12});
    // UTF-8 or CP932 until its end: bad in both.
    host.files[u"bad.reg"] = "REGEDIT4\r\n; エ\r\n[HKEY_CLASSES_ROOT\\X]\r\n@=hex:zz\r\n";
    host.files[u"odd.reg"] = "\xFF\xFE" + Utf16(u"REGEDIT4\r\n") + "[";
    host.files[u"b.reg"] = "\xFF\xFE" + Utf16(Widen(Export({12}, {14})));
    host.input = "REGEDIT4\r\n[HKEY_CLASSES_ROOT\\Y]\r\n@=dword:\r\n";
    EXPECT_EQ(host.Run({u"--json", u"--from-reg", u"a.reg", u"missing.reg", u"bad.reg", u"-", u"odd.reg", u"b.reg"}), 3);
    ASSERT_EQ(host.out.size(), 2u);
    EXPECT_EQ(host.out[0].substr(0, 24), u"{\"source\": \"a.reg\", \"cod");
    EXPECT_EQ(host.out[1].substr(0, 24), u"{\"source\": \"b.reg\", \"cod");
    EXPECT_EQ(host.err, (std::vector<std::u16string>{
                            u"missing.reg: cannot be read: No such file or directory",
                            u"bad.reg:4: hex data hold something that is not a byte in hexadecimal",
                            u"-:3: a dword value is not 1 to 8 hexadecimal digits",
                            u"odd.reg:2: the file ends inside a UTF-16 character"}));
    // Each machine as if it were alone: nothing of one file stays for the next.
    for (const auto& [file, line] : {std::pair(u"a.reg", host.out[0]), std::pair(u"b.reg", host.out[1])}) {
        FakeHost alone;
        alone.files = host.files;
        alone.Run({u"--json", u"--from-reg", file});
        EXPECT_EQ(alone.out, std::vector<std::u16string>{line});
    }

    // Every file read: 0 whatever the outcomes; one file is one machine.
    FakeHost read;
    read.files = host.files;
    EXPECT_EQ(read.Run({u"--json", u"--from-reg", u"a.reg", u"b.reg"}), 0);
    EXPECT_EQ(read.Run({u"--json", u"--from-reg", u"b.reg"}), 13);
    EXPECT_EQ(read.Run({u"--json", u"--from-reg", u"bad.reg"}), 3);
    EXPECT_EQ(read.Run({u"--from-reg", u"missing.reg"}), 3);
}

// Every fixture in every encoding an export arrives in, and through standard
// input, gives the report of its UTF-16 export. A comment that is not ASCII
// makes 8-bit text UTF-8 or CP932 by its bytes alone.
TEST(ReportFiles, EveryEncodingOfEveryFixtureGivesTheSameReport) {
    const char* const fixtures[] = {"excel2007-2010-access2010-runtime.reg", "excel2016-only.reg",
                                    "office2003-after-2007-removed.reg", "office2003-and-2013.reg",
                                    "office2010.reg"};
    const int statuses[] = {0, 12, 10, 0, 0};
    const IconvCodePage utf8("UTF-8");
    for (std::size_t i = 0; i < std::size(fixtures); ++i) {
        SCOPED_TRACE(fixtures[i]);
        FakeHost host;
        const std::string regedit4 = Fixture(fixtures[i]);
        const std::string body = "\r\n; エクセル表\r\n" + regedit4.substr(regedit4.find("\r\n") + 2);
        const std::u16string version5 = utf8.FromAnsi("Windows Registry Editor Version 5.00" + body);
        std::string lineFeeds = utf8.ToAnsi(version5);
        for (std::size_t cr; (cr = lineFeeds.find('\r')) != std::string::npos;) lineFeeds.erase(cr, 1);
        host.files = {
            {u"utf-16", "\xFF\xFE" + Utf16(version5)},
            {u"utf-16 without BOM", Utf16(version5)},
            {u"utf-8", "\xEF\xBB\xBF" + utf8.ToAnsi(version5)},
            {u"utf-8 without BOM", utf8.ToAnsi(version5)},
            {u"utf-8 with line feeds", lineFeeds},
            {u"cp932", host.cp932.ToAnsi(utf8.FromAnsi("REGEDIT4" + body))},
        };
        host.input = host.files[u"utf-8 without BOM"];
        std::vector<std::u16string> args = {u"--json", u"--from-reg", u"utf-16"};
        for (const auto& file : host.files) {
            if (file.first != args[2]) args.push_back(file.first);
        }
        args.push_back(u"-");
        EXPECT_EQ(host.Run(args), 0);
        EXPECT_TRUE(host.err.empty());
        ASSERT_EQ(host.out.size(), host.files.size() + 1);
        const std::u16string report = host.out[0].substr(host.out[0].find(u", \"code\""));
        for (const std::u16string& line : host.out) EXPECT_EQ(line.substr(line.find(u", \"code\"")), report);
        EXPECT_EQ(host.out.back().substr(0, 15), u"{\"source\": \"-\",");
        EXPECT_EQ(host.Run({u"--json", u"--from-reg", u"cp932"}), statuses[i]);
    }
}

TEST(ReportUsage, HelpAndUsageErrors) {
    for (const char16_t* help : {u"/?", u"-h", u"--help"}) {
        FakeHost host;
        EXPECT_EQ(host.Run({u"--json", help}), 0);
        ASSERT_FALSE(host.out.empty());
        EXPECT_EQ(host.out[0], u"Usage: runesuka-report [--json] [--from-reg FILE...]");
        EXPECT_NE(host.out[6].find(u"12 access-missing, 13 not-installable"), std::u16string::npos) << help;
        EXPECT_TRUE(host.err.empty());
    }
    const struct {
        std::vector<std::u16string> args;
        std::u16string error;
    } errors[] = {
        {{u"--jsn"}, u"runesuka-report: unknown option --jsn"},
        {{u"--from-reg"}, u"runesuka-report: --from-reg needs a FILE"},
        {{u"a.reg"}, u"runesuka-report: unexpected argument a.reg (export files follow --from-reg)"},
        {{u"-"}, u"runesuka-report: unexpected argument - (export files follow --from-reg)"},
        {{u"--from-reg", u"a.reg", u"-x", u"--help"}, u"runesuka-report: unknown option -x"},
        {{u"--from-reg", u"-", u"a.reg", u"-"}, u"runesuka-report: standard input (-) can be named only once"},
        {{}, u"runesuka-report: there is no registry here; name export files with --from-reg"},
    };
    for (const auto& e : errors) {
        FakeHost host;
        host.files[u"a.reg"] = Export({14}, {12});
        EXPECT_EQ(host.Run(e.args), 2);
        EXPECT_TRUE(host.out.empty());
        ASSERT_FALSE(host.err.empty());
        EXPECT_EQ(host.err[0], e.error);
    }
}

}  // namespace
}  // namespace runesuka
