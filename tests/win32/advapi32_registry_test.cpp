// The registry reader over the real advapi32, against keys written for the
// test in a scratch branch of HKEY_CURRENT_USER.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "advapi32_registry.h"
#include "registry_reader.h"
#include "windows_code_page.h"

namespace runesuka::win32 {
namespace {

const std::wstring kScratch = L"Software\\RunesukaTest";
// Written through HKEY_CLASSES_ROOT itself, which Wine does not merge with
// HKEY_CURRENT_USER\Software\Classes.
const std::wstring kClasses = L"RunesukaTest.Application.14";

class Advapi32RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(GetACP(), 932u) << "run with the Japanese ANSI code page";
        DeleteScratch();
    }
    void TearDown() override { DeleteScratch(); }

    static void DeleteScratch() {
        RegDeleteTreeW(HKEY_CURRENT_USER, kScratch.c_str());
        RegDeleteTreeW(HKEY_CLASSES_ROOT, kClasses.c_str());
    }

    static void Write(const std::wstring& path, DWORD type, const void* data, DWORD size,
                      HKEY root = HKEY_CURRENT_USER) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExW(key, nullptr, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
        RegCloseKey(key);
    }
    static void WriteText(const std::wstring& path, const std::wstring& text, HKEY root = HKEY_CURRENT_USER) {
        Write(path, REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)), root);
    }

    RegVariant ReadUser(const std::wstring& subKey, std::int32_t type) {
        const HKey root = reinterpret_cast<HKey>(HKEY_CURRENT_USER);
        return reader.RegGetValue(root, std::u16string(subKey.begin(), subKey.end()), u"", type, std::u16string(u"default"));
    }

    Advapi32Registry registry;
    WindowsCodePage codePage;
    RegistryReader reader{registry, codePage};
};

TEST_F(Advapi32RegistryTest, TextUpToTheBufferInCp932AndNoFurther) {
    const std::wstring fits(127, L'漢');  // 254 bytes, 255 with the NUL
    const std::wstring over(128, L'漢');
    const std::wstring ascii(255, L'a');
    WriteText(kScratch + L"\\Fits", fits);
    WriteText(kScratch + L"\\Over", over);
    WriteText(kScratch + L"\\Ascii", ascii);
    WriteText(kScratch + L"\\Ascii256", ascii + L"a");
    EXPECT_EQ(ReadUser(kScratch + L"\\Fits", kReadAsText), RegVariant(std::u16string(fits.begin(), fits.end())));
    EXPECT_EQ(ReadUser(kScratch + L"\\Over", kReadAsText), RegVariant(u"default"));
    EXPECT_EQ(ReadUser(kScratch + L"\\Ascii", kReadAsText), RegVariant(std::u16string(ascii.begin(), ascii.end())));
    EXPECT_EQ(ReadUser(kScratch + L"\\Ascii256", kReadAsText), RegVariant(u"default"));
}

TEST_F(Advapi32RegistryTest, NumbersAreSignedAndMissingKeysGiveTheDefault) {
    const DWORD all = 0xFFFFFFFF;
    Write(kScratch + L"\\Number", REG_DWORD, &all, sizeof all);
    EXPECT_EQ(ReadUser(kScratch + L"\\Number", kReadAsNumber), RegVariant(-1));
    EXPECT_EQ(ReadUser(kScratch + L"\\Missing", kReadAsText), RegVariant(u"default"));
    EXPECT_EQ(ReadUser(kScratch + L"\\Number", 2), RegVariant(u"default"));
}

TEST_F(Advapi32RegistryTest, BinaryDataWithoutNulReadAsText) {
    const BYTE bytes[] = {'A', 'B', 'C'};
    Write(kScratch + L"\\Binary", REG_BINARY, bytes, sizeof bytes);
    EXPECT_EQ(ReadUser(kScratch + L"\\Binary", kReadAsText), RegVariant(u"ABC"));
}

TEST_F(Advapi32RegistryTest, ClassesRootHandleReachesTheClassKeys) {
    EXPECT_EQ(kHKeyClassesRoot, reinterpret_cast<HKey>(HKEY_CLASSES_ROOT));
    WriteText(kClasses + L"\\CLSID", L"{00024500-0000-0000-C000-000000000046}", HKEY_CLASSES_ROOT);
    EXPECT_EQ(reader.RegGetValue(kHKeyClassesRoot, u"RunesukaTest.Application.14\\CLSID", u"", kReadAsText,
                                 std::u16string()),
              RegVariant(u"{00024500-0000-0000-C000-000000000046}"));
}

}  // namespace
}  // namespace runesuka::win32
