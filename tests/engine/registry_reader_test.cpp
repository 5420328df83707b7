#include <gtest/gtest.h>

#include "iconv_code_page.h"
#include "memory_registry.h"
#include "registry_reader.h"

namespace runesuka {
namespace {

class RegistryReaderTest : public ::testing::Test {
protected:
    RegVariant Read(const std::u16string& subKey, std::int32_t type, RegVariant fallback = std::u16string()) {
        return reader.RegGetValue(kHKeyClassesRoot, subKey, u"", type, std::move(fallback));
    }
    std::u16string ReadText(const std::u16string& subKey) { return std::get<std::u16string>(Read(subKey, kReadAsText)); }

    IconvCodePage cp932{"CP932"};
    MemoryRegistry registry{cp932};
    RegistryReader reader{registry, cp932};
};

TEST_F(RegistryReaderTest, MissingKeyGivesTheDefaultWithoutAClose) {
    EXPECT_EQ(Read(u"Excel.Application.14\\CLSID", kReadAsText, 7), RegVariant(7));
    EXPECT_EQ(Read(u"Excel.Application.14\\CLSID", kReadAsText), RegVariant(u""));
    EXPECT_EQ(registry.opens(), 2);
    EXPECT_EQ(registry.closes(), 0);
}

TEST_F(RegistryReaderTest, KeyWithoutTheValueGivesTheDefaultAndIsClosed) {
    registry.AddKey(u"Excel.Application.14\\CLSID");
    EXPECT_EQ(Read(u"Excel.Application.14\\CLSID", kReadAsText, u"none"), RegVariant(u"none"));
    EXPECT_EQ(registry.closes(), 1);
    EXPECT_EQ(registry.openHandles(), 0u);
}

TEST_F(RegistryReaderTest, OtherTypeSelectorsOpenAndCloseButReadNothing) {
    registry.SetText(u"Key", u"", u"value");
    for (const std::int32_t type : {0, 2, 3, 5, -1}) {
        EXPECT_EQ(Read(u"Key", type, u"default"), RegVariant(u"default")) << type;
    }
    EXPECT_EQ(registry.opens(), 5);
    EXPECT_EQ(registry.closes(), 5);
    EXPECT_EQ(registry.queries(), 0);
}

TEST_F(RegistryReaderTest, ReadsTheUnnamedValueAsText) {
    registry.SetText(u"Excel.Application.14\\CLSID", u"", u"{00024500-0000-0000-C000-000000000046}");
    registry.SetText(u"Excel.Application.14\\CLSID", u"Other", u"not this one");
    EXPECT_EQ(ReadText(u"excel.application.14\\clsid"), u"{00024500-0000-0000-C000-000000000046}");
    EXPECT_EQ(registry.openHandles(), 0u);
}

TEST_F(RegistryReaderTest, EmptyTextIsAnEmptyText) {
    registry.SetText(u"Key", u"", u"");
    EXPECT_EQ(Read(u"Key", kReadAsText, 5), RegVariant(u""));
}

TEST_F(RegistryReaderTest, NamedValuesAndTheirNamesPassThroughTheCodePage) {
    registry.SetText(u"Key", u"名前", u"値");
    EXPECT_EQ(reader.RegGetValue(kHKeyClassesRoot, u"Key", u"名前", kReadAsText, std::u16string()), RegVariant(u"値"));
}

// Paths of every length around the sixteen units taken at once, with a
// character of two bytes at every place: ASCII letters fold, the rest is
// converted whole (a trail byte may be a capital or a backslash).
TEST_F(RegistryReaderTest, PathsFoldTheirAsciiLettersAndConvertTheRest) {
    for (const char16_t wide : {u'ア', u'表'}) {
        for (std::size_t size = 14; size <= 34; ++size) {
            for (std::size_t at = 0; at < size; ++at) {
                std::u16string stored(size, u'K'), asked(size, u'k');
                stored[at] = asked[at] = wide;
                registry.SetText(stored, u"", u"v");
                ASSERT_EQ(ReadText(asked), u"v") << size << " " << at;
            }
        }
    }
}

// One registry serves machine after machine: Clear forgets keys, parents and values.
TEST_F(RegistryReaderTest, ClearedRegistryHasNoKeyOfTheMachineBefore) {
    const auto opens = [this](const char* path) {
        HKey key = 0;
        const bool opened = registry.RegOpenKeyExA(kHKeyClassesRoot, path, 0, kKeyRead, key) == kErrorSuccess;
        if (opened) registry.RegCloseKey(key);
        return opened;
    };
    registry.SetText(u"A\\B\\C", u"", u"before");
    registry.Clear();
    EXPECT_FALSE(opens("A\\B\\C"));
    EXPECT_FALSE(opens("A"));
    registry.SetText(u"A\\B\\C", u"Other", u"after");
    EXPECT_TRUE(opens("A\\B"));
    EXPECT_TRUE(opens("A"));
    EXPECT_EQ(Read(u"A\\B\\C", kReadAsText, u"none"), RegVariant(u"none"));
}

// The buffer holds 256 bytes of the ANSI code page, terminating NUL included.
TEST_F(RegistryReaderTest, TextUpToTheBufferIsReturnedWholeAndLongerTextGivesTheDefault) {
    const std::u16string fits127(127, u'漢');  // 254 bytes in CP932, 255 with the NUL
    const std::u16string over128(128, u'漢');  // 257 with the NUL
    const std::u16string ascii255(255, u'a');
    const std::u16string ascii256(256, u'a');
    const std::u16string mixed = std::u16string(126, u'ア') + u"x";  // 253 + NUL: half-width kana is one byte
    registry.SetText(u"Fits", u"", fits127);
    registry.SetText(u"Over", u"", over128);
    registry.SetText(u"Ascii255", u"", ascii255);
    registry.SetText(u"Ascii256", u"", ascii256);
    registry.SetText(u"Mixed", u"", mixed);
    EXPECT_EQ(ReadText(u"Fits"), fits127);
    EXPECT_EQ(ReadText(u"Over"), u"");
    EXPECT_EQ(ReadText(u"Ascii255"), ascii255);
    EXPECT_EQ(ReadText(u"Ascii256"), u"");
    EXPECT_EQ(ReadText(u"Mixed"), mixed);
    EXPECT_EQ(registry.openHandles(), 0u);
}

TEST_F(RegistryReaderTest, DataFillingTheBufferWithoutANulAreReturnedAsText) {
    registry.SetRaw(u"Full", u"", kRegSz, std::vector<std::uint8_t>(256, 'Z'));
    registry.SetRaw(u"Binary", u"", kRegBinary, {'A', 'B', 0, 'C'});
    EXPECT_EQ(ReadText(u"Full"), std::u16string(256, u'Z'));
    EXPECT_EQ(ReadText(u"Binary"), u"AB");
}

TEST_F(RegistryReaderTest, BytesThatFormNoCharacterStillGiveText) {
    // A lead byte with nothing after it, and bytes CP932 leaves undefined.
    registry.SetRaw(u"Cut", u"", kRegSz, {'A', 0x81});
    registry.SetRaw(u"Undefined", u"", kRegBinary, {0xFF, 0xA0, 0x80});
    EXPECT_EQ(ReadText(u"Cut").substr(0, 1), u"A");
    EXPECT_EQ(ReadText(u"Undefined").size(), 3u);
}

TEST_F(RegistryReaderTest, NumbersAreSigned32Bit) {
    registry.SetDword(u"Max", u"", 0xFFFFFFFF);
    registry.SetDword(u"Small", u"", 14);
    EXPECT_EQ(Read(u"Max", kReadAsNumber), RegVariant(-1));
    EXPECT_EQ(Read(u"Small", kReadAsNumber), RegVariant(14));
}

TEST_F(RegistryReaderTest, StoredTypeIsIgnoredAndBytesAreReadTheWayAsked) {
    registry.SetText(u"ShortText", u"", u"12");        // '1' '2' NUL fits four bytes
    registry.SetText(u"LongText", u"", u"Excel.Application.14");
    registry.SetDword(u"Number", u"", 0x00434241);     // "ABC" then NUL
    registry.SetDword(u"NoNul", u"", 0xFFFFFFFF);
    EXPECT_EQ(Read(u"ShortText", kReadAsNumber), RegVariant(0x3231));
    EXPECT_EQ(Read(u"LongText", kReadAsNumber), RegVariant(u""));
    EXPECT_EQ(ReadText(u"Number"), u"ABC");
    EXPECT_EQ(ReadText(u"NoNul"), std::u16string(4, u'\u30FB'));
}

TEST_F(RegistryReaderTest, OpensWithReadRightsOnly) {
    registry.SetText(u"Access.Application.14\\CLSID", u"", u"{73A4C9C1-D68D-11D0-98BF-00A0C90DC8D9}");
    registry.RestrictRights(u"Access.Application.14\\CLSID", kKeyRead);
    EXPECT_EQ(ReadText(u"Access.Application.14\\CLSID"), u"{73A4C9C1-D68D-11D0-98BF-00A0C90DC8D9}");
}

TEST_F(RegistryReaderTest, CallerArgumentsStayUnchanged) {
    registry.SetText(u"Key", u"", u"x");
    const HKey root = kHKeyClassesRoot;
    const std::int32_t type = kReadAsText;
    reader.RegGetValue(root, u"Key", u"", type, std::u16string());
    EXPECT_EQ(root, kHKeyClassesRoot);
    EXPECT_EQ(type, kReadAsText);
}

TEST(ClassesRootHandle, IsTheSignExtended32BitValue) {
    if constexpr (sizeof(HKey) == 8) {
        EXPECT_EQ(static_cast<std::uint64_t>(kHKeyClassesRoot), 0xFFFFFFFF80000000ull);
    } else {
        EXPECT_EQ(static_cast<std::uint32_t>(kHKeyClassesRoot), 0x80000000u);
    }
}

}  // namespace
}  // namespace runesuka
