#include "reg_export.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "automation_servers.h"
#include "check_sequence.h"
#include "chunked_source.h"
#include "heap_in_use.h"
#include "scan_fixture.h"

namespace runesuka {
namespace {

std::string Utf16(const std::u16string& text) {
    std::string bytes;
    for (const char16_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

std::u16string Widen(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

std::string Utf8(const std::u16string& text) {
    static const IconvCodePage utf8("UTF-8");
    return utf8.ToAnsi(text);
}

// A "Windows Registry Editor Version 5.00" file: UTF-16 LE with its BOM.
std::string Version5(const std::u16string& body) {
    return "\xFF\xFE" + Utf16(u"Windows Registry Editor Version 5.00\r\n\r\n" + body);
}

// The values the tests read, and keys they look for.
const std::vector<ClassesValue> kKept = {
    {u"Kinds", u""}, {u"Kinds", u"Name \"quoted\""}, {u"Kinds", u"Number"}, {u"Kinds", u"Short"},
    {u"Kinds", u"Binary"}, {u"Kinds", u"Empty"}, {u"Kinds", u"Gone"}, {u"Kinds", u"Lone"}, {u"Kinds\\UNCPath", u""},
    {u"Excel.Application\\CurVer", u""}, {u"Excel.Application\\CurVer", u"Note"},
    {u"Excel.Application\\CLSID", u""}, {u"Excel.Application.12\\CLSID", u""},
    {u"Excel.Application.14\\CLSID", u""}, {u"Access.Application\\CLSID", u""},
    {u"Access.Application\\CurVer", u""}, {u"Expand", u""}, {u"Machine", u""}, {u"User", u""},
    {u"Other", u""}, {u"ClassesX\\Other", u""}, {u"Long", u""}, {u"Long", u"Hex"},
};

class RegExportTest : public ::testing::Test {
protected:
    // A REGEDIT4 file: CP932.
    std::string Version4(const std::u16string& body) { return machine().cp932.ToAnsi(u"REGEDIT4\r\n\r\n" + body); }

    void Load(const std::string& bytes, const std::vector<ClassesValue>& kept = kKept,
              const std::vector<std::size_t>& chunks = testing::kMixedChunks) {
        testing::ChunkedSource source(bytes, chunks);
        LoadRegExport(source, KeptValues(kept), machine().cp932, machine().registry);
    }

    RegVariant Read(const std::u16string& key, const std::u16string& name = u"", std::int32_t type = kReadAsText) {
        return machine().reader.RegGetValue(kHKeyClassesRoot, key, name, type, std::u16string(u"(none)"));
    }

    bool Exists(const std::u16string& key) {
        HKey opened = 0;
        if (machine().registry.RegOpenKeyExA(kHKeyClassesRoot, machine().cp932.ToAnsi(key), 0, kKeyRead, opened) != 0) {
            return false;
        }
        machine().registry.RegCloseKey(opened);
        return true;
    }

    // The error a malformed file gives: "line N: what".
    std::string ErrorOf(const std::string& bytes) {
        try {
            Load(bytes);
        } catch (const RegExportError& error) {
            return "line " + std::to_string(error.line()) + ": " + error.what();
        }
        return "no error";
    }

    // A machine with no keys yet.
    void Reset() { fixture_ = std::make_unique<testing::ScanFixture>(); }
    testing::ScanFixture& machine() { return *fixture_; }

private:
    std::unique_ptr<testing::ScanFixture> fixture_ = std::make_unique<testing::ScanFixture>();
};

constexpr char16_t kValueKinds[] =
    u"; a comment, then a blank line\r\n"
    u"\r\n"
    u"[HKEY_CLASSES_ROOT\\Kinds]\r\n"
    u"@=\"エクセル表\\\"2010\\\" C:\\\\Office\"\r\n"
    u"\"Name \\\"quoted\\\"\" = \"spaced\"\r\n"
    u"\"Number\"=dword:fffffffe\r\n"
    u"\"Short\"=dword:1f\r\n"
    u"\"Lone\"=\"a carriage return\ralone is text\"\r\n"
    u"\"Binary\"=hex:01,02,\\\r\n"
    u"  03,\\\r\n"
    u"  ff\r\n"
    u"\"Empty\"=hex:\r\n"
    u"\"Gone\"=\"soon\"\r\n"
    u"\"Gone\"=-\r\n"
    u"[HKEY_CLASSES_ROOT\\Kinds\\表]\r\n"
    u"[HKEY_CLASSES_ROOT\\Kinds\\UNCPath]\r\n"
    u"@=\"\\\\\\\\server\"\r\n";

// "表" is 0x95 0x5C in CP932: its trail byte is a backslash.
TEST_F(RegExportTest, ReadsEveryKindOfValueInEveryEncoding) {
    // Longer than the reader's slices in every encoding, the values at the end.
    std::u16string body = u"[HKEY_CLASSES_ROOT\\Filler]\r\n";
    for (int i = 0; i < 2000; ++i) body += u"\"Name\"=\"filler text\"\r\n";
    body += kValueKinds;
    const std::u16string version5 = u"Windows Registry Editor Version 5.00\r\n\r\n" + body;
    std::u16string lineFeeds = version5;
    for (std::size_t cr; (cr = lineFeeds.find(u"\r\n")) != std::u16string::npos;) lineFeeds.erase(cr, 1);
    const struct {
        const char* name;
        std::string file;
    } encodings[] = {
        {"UTF-16 with BOM", Version5(body)},
        {"UTF-16 without BOM", Utf16(version5)},
        {"UTF-8 with BOM", "\xEF\xBB\xBF" + Utf8(version5)},
        {"UTF-8 without BOM", Utf8(version5)},
        {"UTF-8, line feeds only", Utf8(lineFeeds)},
        {"REGEDIT4 in CP932", Version4(body)},
    };
    // Chunks of one byte and of thirteen cut every line end, and leave no
    // chunk long enough for a block; then chunks as large as a file's.
    const std::vector<std::size_t> chunkings[] = {testing::kMixedChunks, {1}, {13}, {std::size_t{1} << 20}};
    for (const std::vector<std::size_t>& chunks : chunkings) {
        for (const auto& encoding : encodings) {
            SCOPED_TRACE(encoding.name + std::string(", chunks of ") + std::to_string(chunks.front()));
            Reset();
            Load(encoding.file, kKept, chunks);
            EXPECT_EQ(Read(u"Kinds"), RegVariant(u"エクセル表\"2010\" C:\\Office"));
            EXPECT_EQ(Read(u"Kinds", u"name \"QUOTED\""), RegVariant(u"spaced"));
            EXPECT_EQ(Read(u"Kinds", u"Number", kReadAsNumber), RegVariant(std::int32_t{-2}));
            EXPECT_EQ(Read(u"Kinds", u"Short", kReadAsNumber), RegVariant(std::int32_t{31}));
            EXPECT_EQ(Read(u"Kinds", u"Lone"), RegVariant(u"a carriage return\ralone is text"));
            EXPECT_EQ(Read(u"Kinds\\UNCPath"), RegVariant(u"\\\\server"));
            // Binary data are handed out as they are; read as text, up to the end.
            EXPECT_EQ(Read(u"Kinds", u"Binary"), RegVariant(u"\u0001\u0002\u0003\u30FB"));
            EXPECT_EQ(Read(u"Kinds", u"Empty"), RegVariant(u""));
            EXPECT_EQ(Read(u"Kinds", u"Gone"), RegVariant(u"(none)"));
        }
    }
}

TEST_F(RegExportTest, HexTextIsUtf16InVersion5AndAnsiInRegedit4) {
    // "Excel.Application.14" with its NUL, as each format writes a REG_SZ in hex.
    Load(Version5(u"[HKEY_CLASSES_ROOT\\Excel.Application\\CurVer]\r\n"
                  u"@=hex(1):45,00,78,00,63,00,65,00,6c,00,2e,00,41,00,70,00,70,00,6c,00,69,00,63,00,\\\r\n"
                  u"  61,00,74,00,69,00,6f,00,6e,00,2e,00,31,00,34,00,00,00\r\n"
                  u"[HKEY_CLASSES_ROOT\\Expand]\r\n"
                  u"@=hex(2):a8,30,af,30,bb,30,eb,30,00,00\r\n"));
    EXPECT_EQ(Read(u"Excel.Application\\CurVer"), RegVariant(u"Excel.Application.14"));
    EXPECT_EQ(Read(u"Expand"), RegVariant(u"エクセル"));

    Reset();
    Load(Version4(u"[HKEY_CLASSES_ROOT\\Expand]\r\n@=hex(2):83,47,83,4e,83,5a,83,8b,00\r\n"));
    EXPECT_EQ(Read(u"Expand"), RegVariant(u"エクセル"));
}

// Without a byte-order mark, 8-bit text is UTF-8 only when all of it is: the
// same bytes early in a file read as CP932 when later ones are no UTF-8.
TEST_F(RegExportTest, EightBitTextIsUtf8OnlyWhenAllOfItIs) {
    const std::string early = "REGEDIT4\r\n[HKEY_CLASSES_ROOT\\Expand]\r\n@=\"\xE3\x82\xA8\"\r\n";
    Load(early);
    EXPECT_EQ(Read(u"Expand"), RegVariant(u"エ"));
    Reset();
    Load(early + "[HKEY_CLASSES_ROOT\\Other]\r\n@=\"\x83\x47\"\r\n");
    EXPECT_EQ(Read(u"Expand"), RegVariant(machine().cp932.FromAnsi("\xE3\x82\xA8")));
    EXPECT_EQ(Read(u"Other"), RegVariant(u"エ"));
}

TEST_F(RegExportTest, ADeletionRemovesTheKeyWithItsSubkeysOnly) {
    Load(Version5(u"[HKEY_CLASSES_ROOT\\Excel.Application\\CurVer]\r\n@=\"Excel.Application.12\"\r\n"
                  u"[HKEY_CLASSES_ROOT\\Excel.Application.12\\CLSID]\r\n@=\"{x}\"\r\n"
                  u"[-HKEY_CLASSES_ROOT\\EXCEL.Application]\r\n"
                  u"@=\"values after a deletion are dropped\"\r\n"
                  u"[-HKEY_CLASSES_ROOT\\Access.Application]\r\n"));
    EXPECT_FALSE(Exists(u"Excel.Application"));
    EXPECT_FALSE(Exists(u"Excel.Application\\CurVer"));
    EXPECT_EQ(Read(u"Excel.Application.12\\CLSID"), RegVariant(u"{x}"));
}

TEST_F(RegExportTest, OnlyTheClassKeysCount) {
    Load(Version4(u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\Machine]\r\n@=\"m\"\r\n"
                  u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\ClassesX\\Other]\r\n@=\"x\"\r\n"
                  u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\r\n@=\"x\"\r\n"
                  u"[HKEY_USERS\\S-1-5-21\\Software\\Classes\\Other]\r\n@=\"x\"\r\n"
                  u"[HKEY_CURRENT_CONFIG\\Other]\r\n@=\"x\"\r\n"
                  u"[hkey_current_user\\software\\classes\\User]\r\n@=\"u\"\r\n"));
    EXPECT_EQ(Read(u"Machine"), RegVariant(u"m"));
    EXPECT_EQ(Read(u"User"), RegVariant(u"u"));
    EXPECT_FALSE(Exists(u"Other"));
    EXPECT_FALSE(Exists(u"ClassesX\\Other"));
}

// Both trees' keys show; in a key both have, the user's value of a name wins
// and the machine's other values still show.
TEST_F(RegExportTest, TheUsersValuesWinOverTheMachines) {
    const std::u16string machineKeys =
        u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\Excel.Application\\CurVer]\r\n@=\"Excel.Application.12\"\r\n"
        u"\"Note\"=\"machine\"\r\n"
        u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\Excel.Application\\CLSID]\r\n@=\"{machine}\"\r\n"
        u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\Excel.Application.12\\CLSID]\r\n@=\"{machine}\"\r\n";
    const std::u16string userKeys =
        u"[HKEY_CURRENT_USER\\Software\\Classes\\Excel.Application\\CurVer]\r\n@=\"Excel.Application.14\"\r\n"
        u"[HKEY_CURRENT_USER\\Software\\Classes\\Excel.Application.14\\CLSID]\r\n@=\"{user}\"\r\n";
    for (const std::u16string& body : {machineKeys + userKeys, userKeys + machineKeys}) {
        Reset();
        Load(Version5(body));
        EXPECT_EQ(Read(u"Excel.Application\\CurVer"), RegVariant(u"Excel.Application.14"));
        EXPECT_EQ(Read(u"Excel.Application\\CurVer", u"Note"), RegVariant(u"machine"));
        EXPECT_EQ(Read(u"Excel.Application\\CLSID"), RegVariant(u"{machine}"));
        EXPECT_EQ(Read(u"Excel.Application.12\\CLSID"), RegVariant(u"{machine}"));
        EXPECT_EQ(Read(u"Excel.Application.14\\CLSID"), RegVariant(u"{user}"));
    }
}

// Through HKEY_CLASSES_ROOT a file writes and deletes the user's key where the
// user has it, and the machine's otherwise.
TEST_F(RegExportTest, ClassesRootKeysAreTheUsersWhereTheUserHasThem) {
    const std::u16string both =
        u"[HKEY_CURRENT_USER\\Software\\Classes\\Excel.Application\\CurVer]\r\n@=\"Excel.Application.14\"\r\n"
        u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\Excel.Application\\CurVer]\r\n@=\"Excel.Application.12\"\r\n"
        u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\Access.Application\\CurVer]\r\n@=\"Access.Application.11\"\r\n";
    Load(Version5(both + u"[HKEY_CLASSES_ROOT\\Excel.Application\\CurVer]\r\n@=\"Excel.Application.16\"\r\n"
                         u"[HKEY_CLASSES_ROOT\\Access.Application\\CLSID]\r\n@=\"{machine}\"\r\n"
                         u"[-HKEY_CLASSES_ROOT\\Access.Application\\CurVer]\r\n"));
    EXPECT_EQ(Read(u"Excel.Application\\CurVer"), RegVariant(u"Excel.Application.16"));
    EXPECT_EQ(Read(u"Access.Application\\CLSID"), RegVariant(u"{machine}"));
    EXPECT_FALSE(Exists(u"Access.Application\\CurVer"));

    Reset();
    Load(Version5(both + u"[-HKEY_CLASSES_ROOT\\Excel.Application\\CurVer]\r\n"));
    EXPECT_EQ(Read(u"Excel.Application\\CurVer"), RegVariant(u"Excel.Application.12"));

    // A key the user no longer has, deleted with its parent, makes the line the machine's.
    const std::u16string user = u"HKEY_CURRENT_USER\\Software\\Classes\\Excel.Application";
    Reset();
    Load(Version5(u"[" + user + u"\\CurVer\\Sub]\r\n[-" + user + u"]\r\n"
                  u"[HKEY_CLASSES_ROOT\\Excel.Application\\CurVer]\r\n@=\"Excel.Application.16\"\r\n[-" + user + u"]\r\n"));
    EXPECT_EQ(Read(u"Excel.Application\\CurVer"), RegVariant(u"Excel.Application.16"));
}

// The servers of the classes that the program identifiers name, wherever in
// the file either stands, merged and deleted as every other kept key.
TEST_F(RegExportTest, ServersOfTheClassesNamedAreKept) {
    const std::u16string cls = u"{00024500-0000-0000-C000-000000000046}";
    const std::u16string hklm = u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\", hkcu = u"[HKEY_CURRENT_USER\\Software\\Classes\\",
                         hkcr = u"[HKEY_CLASSES_ROOT\\";
    const std::u16string named = hkcr + u"Excel.Application.16\\CLSID]\r\n@=\"{00024500-0000-0000-c000-000000000046}\"\r\n";
    const std::u16string server = u"CLSID\\" + cls + u"\\LocalServer32";
    const struct {
        const char* name;
        std::u16string body;
        std::u16string server64, server32;  // "(none)": no server
    } cases[] = {
        {"the user's over the machine's; the machine's 32-bit classes as 64-bit regedit writes them",
         hklm + server + u"]\r\n@=\"machine\"\r\n" + hkcu + server + u"]\r\n@=\"user\"\r\n" +
             u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Classes\\" + server + u"]\r\n@=\"machine 32\"\r\n",
         u"user", u"machine 32"},
        {"a deletion through HKEY_CLASSES_ROOT takes the user's class where the user has it",
         hkcu + u"CLSID\\" + cls + u"\\InprocServer32]\r\n" + hklm + server + u"]\r\n@=\"machine\"\r\n" + u"[-" +
             hkcr.substr(1) + u"CLSID\\" + cls + u"]\r\n" + hkcr + u"Wow6432Node\\" + server + u"]\r\n@=\"32\"\r\n",
         u"machine", u"32"},
        {"and the machine's where the user has none",
         hklm + server + u"]\r\n@=\"machine\"\r\n[-HKEY_CLASSES_ROOT\\" + server + u"]\r\n" + hkcr + u"Wow6432Node\\" + server +
             u"]\r\n@=\"32\"\r\n@=-\r\n",
         u"(none)", u"(none)"},
        {"deletions of all classes of a view, then a class written again",
         hklm + server + u"]\r\n@=\"machine\"\r\n" + hkcr + u"Wow6432Node\\" + server + u"]\r\n@=\"32\"\r\n" +
             u"[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID]\r\n[-HKEY_CLASSES_ROOT\\Wow6432Node]\r\n" + hkcr +
             u"Wow6432Node\\" + server + u"]\r\n@=\"again\"\r\n",
         u"(none)", u"again"},
        {"and of the user's, whose class is written again without its server",
         hkcu + server + u"]\r\n@=\"user\"\r\n[-HKEY_CURRENT_USER\\Software\\Classes\\CLSID]\r\n" + hkcu + u"CLSID\\" + cls +
             u"\\InprocServer32]\r\n" + hklm + server + u"]\r\n@=\"machine\"\r\n" + hkcr + u"Wow6432Node\\" + server +
             u"]\r\n@=\"32\"\r\n",
         u"machine", u"32"},
    };
    for (const auto& c : cases) {
        for (const bool namedFirst : {true, false}) {
            SCOPED_TRACE(c.name + std::string(namedFirst ? ", named first" : ", named last"));
            Reset();
            const std::string file = Version5(namedFirst ? named + c.body : c.body + named);
            testing::ChunkedSource source(file);
            EXPECT_TRUE(LoadRegExport(source, KeptValues(CheckedValues(), ClassNamingValues()), machine().cp932,
                                      machine().registry));
            EXPECT_EQ(machine().registry.views(), RegistryViews::Two);
            EXPECT_EQ(machine().reader.ReadTextIn(kKeyWow64_64Key, server).value_or(u"(none)"), c.server64);
            EXPECT_EQ(machine().reader.ReadTextIn(kKeyWow64_32Key, server).value_or(u"(none)"), c.server32);
        }
    }

    // 8-bit text read both as UTF-8 and as CP932 until a byte tells which (here
    // the CP932 "表" after bytes that are both): the reading that goes on keeps
    // its own server.
    for (const std::vector<std::size_t>& chunks : {testing::kMixedChunks, std::vector<std::size_t>{1}}) {
        Reset();
        const std::string file = Version4(hkcr + server + u"]\r\n") + "; \xE3\x82\xA8\r\n" +
                                 Version4(u"@=\"C:\\\\Office\\\\EXCEL.EXE\"\r\n; 表\r\n" + named).substr(10);
        testing::ChunkedSource source(file, chunks);
        LoadRegExport(source, KeptValues(CheckedValues(), ClassNamingValues()), machine().cp932, machine().registry);
        EXPECT_EQ(Read(server), RegVariant(u"C:\\Office\\EXCEL.EXE"));
    }

    // More classes before the file names one than the reader keeps: a file
    // is read again for the classes named; standard input cannot be.
    std::u16string many;
    for (int i = 0; i < 60000; ++i) {
        many += hkcr + u"CLSID\\{" + Widen(std::to_string(10000000 + i)) + u"-0000-0000-0000-000000000000}\\LocalServer32]\r\n"
                u"@=\"C:\\\\Windows\\\\System32\\\\server.exe\"\r\n";
    }
    const std::string file = Version5(hkcr + server + u"]\r\n@=\"excel\"\r\n" + many + named);
    for (const bool pipe : {false, true}) {
        Reset();
        testing::ChunkedSource source(file, {std::size_t{1} << 16}, pipe);
        EXPECT_EQ(LoadRegExport(source, KeptValues(CheckedValues(), ClassNamingValues()), machine().cp932, machine().registry),
                  !pipe);
        EXPECT_EQ(source.rewinds, pipe ? 0 : 1);
        EXPECT_EQ(Read(u"Excel.Application.16\\CLSID"), RegVariant(u"{00024500-0000-0000-c000-000000000046}"));
        EXPECT_EQ(Read(server), RegVariant(pipe ? u"(none)" : u"excel"));
    }
}

TEST_F(RegExportTest, MalformedFilesNameTheLineAndLeaveTheRegistryAlone) {
    const std::string key = "[HKEY_CLASSES_ROOT\\Excel.Application\\CurVer]\r\n";
    // Bytes of a value no check reads, checked in blocks of eight.
    const auto longHex = [](const std::string& bad) {
        std::string bytes;
        for (int i = 0; i < 24; ++i) bytes += i == 5 ? bad : "01,";
        return "REGEDIT4\r\n[HKEY_CLASSES_ROOT\\X]\r\n@=hex:" + bytes + "01\r\n";
    };
    const struct {
        std::string file;
        std::string error;
    } cases[] = {
        {"", "line 1: not a registry export: the file is empty"},
        {"\x7F" "ELF\x02\x01\x01\0\0\0\r\n", "line 1: not a registry export: binary data"},
        {"\x1F\x8B\x08\0REGEDIT4", "line 1: not a registry export: a gzip archive"},
        {std::string("\xFF\xFEW\0i\0", 6), "line 1: not a registry export: UTF-16 text whose first line is \"Wi\", neither"},
        {Utf16(u"REGEDIT5\r\n"), "line 1: not a registry export: UTF-16 text whose first line is \"REGEDIT5\""},
        {"\xEF\xBB\xBF" "REGEDIT 4\n", "line 1: not a registry export: UTF-8 text whose first line is \"REGEDIT 4\""},
        {"Subject: \x95\\\r\n", "line 1: not a registry export: 8-bit text whose first line is \"Subject: \\x95\\\\\""},
        {Version5(u"[HKEY_CLASSES_ROOT\\A]\r\n@=\"x\"").substr(0, 111), "line 3: the file ends inside a UTF-16"},
        {"REGEDIT4\r\n@=\"Excel.Application.14\"\r\n", "line 2: a value before the first key"},
        {"REGEDIT4\r\n" + key + "@=\"Excel.Application.14\r\n", "line 3: a quoted text is not closed"},
        {"REGEDIT4\r\n" + key + "@=\"x\" y\r\n", "line 3: text after a quoted value"},
        {"REGEDIT4\r\n" + key + "@=hex:0g\r\n", "line 3: hex bytes are not separated"},
        {"REGEDIT4\r\n" + key + "@=hex:01,\\\r\n  123\r\n", "line 4: hex data hold something"},
        {longHex("0g,"), "line 3: hex bytes are not separated"},
        {longHex("010"), "line 3: hex data hold something"},
        {"REGEDIT4\r\n" + key + "@=hex(x):01\r\n", "line 3: a hex(N) value type"},
        {"REGEDIT4\r\n" + key + "@=hex:01,\\", "line 3: the file ends inside a value continued"},
        {"REGEDIT4\r\n" + key + "@=dword:123456789\r\n", "line 3: a dword value"},
        {"REGEDIT4\r\n" + key + "@=qword:1\r\n", "line 3: a value's data are neither"},
        {"REGEDIT4\r\n" + key + "@\r\n", "line 3: a value name is not followed"},
        {"REGEDIT4\r\n\r\n[HKEY_CLASSES_ROOT\\Excel.Application\r\n", "line 3: a key line does not end"},
        {"REGEDIT4\r\n[HKEY_CLASSES_ROOT\\A\\\\B]\r\n", "line 2: a key path has an empty key name"},
        {"REGEDIT4\r\n[HKEY_NOWHERE\\A]\r\n", "line 2: a key line names no registry root"},
        {"REGEDIT4\r\n" + key + "garbage\r\n", "line 3: neither a key, a value nor a comment"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.error);
        Reset();
        const std::string error = ErrorOf(c.file);
        EXPECT_EQ(error.substr(0, c.error.size()), c.error) << error;
        EXPECT_FALSE(Exists(u"Excel.Application"));
    }
}

TEST_F(RegExportTest, LongLines) {
    const std::string line(10 << 20, 'A');
    EXPECT_EQ(ErrorOf("REGEDIT4\r\n" + line), "line 2: neither a key, a value nor a comment");
    EXPECT_EQ(ErrorOf("REGEDIT4\r\n[HKEY_CLASSES_ROOT\\Long]\r\n@=\"" + line), "line 3: a quoted text is not closed");
    std::string hex;
    for (int i = 0; i < (1 << 20); ++i) hex += "0a,";
    Load("REGEDIT4\r\n[HKEY_CLASSES_ROOT\\Long]\r\n@=\"" + line.substr(0, 1 << 20) + "\"\r\n\"Hex\"=hex:" + hex + "ff\r\n");
    // Too long for the reader's buffer: the default, as on Windows. No more
    // of them is kept than shows that.
    EXPECT_EQ(Read(u"Long"), RegVariant(u"(none)"));
    HKey key = 0;
    ASSERT_EQ(machine().registry.RegOpenKeyExA(kHKeyClassesRoot, "Long", 0, kKeyRead, key), 0);
    for (const char* name : {"Hex", ""}) {
        std::uint32_t size = 0;
        EXPECT_EQ(machine().registry.RegQueryValueExA(key, name, nullptr, nullptr, &size), 0);
        EXPECT_GT(size, kTextBufferBytes) << name;
        EXPECT_LE(size, 4 * (kTextBufferBytes + 1) + 1) << name;
    }
    machine().registry.RegCloseKey(key);
}

// What the reader holds is bounded by what the check reads, whatever the
// file's shape: the heap it takes while reading, sampled at every chunk.
TEST_F(RegExportTest, MemoryStaysBoundedWhateverTheFileHolds) {
    class Sampled : public testing::ChunkedSource {
    public:
        using ChunkedSource::ChunkedSource;
        std::size_t Read(char* buffer, std::size_t size) override {
            peak = std::max(peak, testing::HeapInUse());
            return ChunkedSource::Read(buffer, size);
        }
        std::size_t peak = 0;
    };
    const auto repeat = [](int times, const std::function<std::string(int)>& line) {
        std::string text;
        for (int i = 0; i < times; ++i) text += line(i);
        return text;
    };
    const std::string curVer = "[HKEY_CLASSES_ROOT\\Excel.Application\\CurVer]\r\n@=";
    const auto classes = [&](int count) {
        return repeat(count, [](int i) {
                   return "[HKEY_CLASSES_ROOT\\CLSID\\{" + std::to_string(10000000 + i) +
                          "-0000-0000-0000-000000000000}\\LocalServer32]\r\n@=\"C:\\\\Windows\\\\server.exe\"\r\n";
               }) +
               "[HKEY_CLASSES_ROOT\\Excel.Application.16\\CLSID]\r\n@=\"{10000000-0000-0000-0000-000000000000}\"\r\n";
    };
    const struct {
        const char* shape;
        std::string body;
        std::size_t bound;
    } cases[] = {
        {"a large class tree of the user",
         repeat(150000, [](int i) { return "[HKEY_CURRENT_USER\\Software\\Classes\\Key" + std::to_string(i) + "\\Sub]\r\n"; }),
         std::size_t{1} << 20},
        {"a kept value as one long text", curVer + "\"" + std::string(8 << 20, 'x') + "\"\r\n", std::size_t{1} << 20},
        {"a kept value as hex continued over lines",
         curVer + "hex(1):" + repeat(400000, [](int) { return "41,42,43,44,45,46,47,48,\\\r\n  "; }) + "00\r\n",
         std::size_t{1} << 20},
        {"classes before the file names them", classes(60000), std::size_t{8} << 20},
        // Read as UTF-8 and as CP932 to its end, by two readings that share the room.
        {"classes in 8-bit text that is UTF-8 and CP932 alike", "; \xE3\x82\xA8\r\n" + classes(60000), std::size_t{8} << 20},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shape);
        Reset();
        const std::string file = "REGEDIT4\r\n" + c.body;
        Sampled source(file, {std::size_t{1} << 16});
        const std::size_t before = testing::HeapInUse();
        LoadRegExport(source, KeptValues(CheckedValues(), ClassNamingValues()), machine().cp932, machine().registry);
        EXPECT_LT(source.peak - before, c.bound) << "file of " << file.size() << " bytes";
    }
}

// Key names and depths no Windows registry holds are refused, long before
// making their parents would take hours.
TEST_F(RegExportTest, KeyPathsBeyondWindowsLimitsAreRefused) {
    const auto keyLine = [](std::size_t levels, std::size_t nameLength) {
        std::string path = "HKEY_CLASSES_ROOT\\" + std::string(nameLength, 'k');
        for (std::size_t level = 2; level < levels; ++level) path += "\\a";
        return "REGEDIT4\r\n[" + path + "]\r\n@=\"x\"\r\n";
    };
    std::u16string deepest(255, u'K');
    for (int level = 2; level < 512; ++level) deepest += u"\\A";
    Load(keyLine(512, 255), {{deepest, u""}});
    EXPECT_EQ(Read(deepest), RegVariant(u"x"));
    EXPECT_EQ(ErrorOf(keyLine(513, 1)), "line 2: a key path is more than 512 levels deep");
    EXPECT_EQ(ErrorOf(keyLine(2, 256)), "line 2: a key name is longer than 255 characters");
    EXPECT_EQ(ErrorOf(keyLine(5 << 20, 1)), "line 2: a key path is more than 512 levels deep");
}

}  // namespace
}  // namespace runesuka
