#include <gtest/gtest.h>

#include <stdexcept>

#include "iconv_code_page.h"

namespace runesuka {
namespace {

TEST(IconvCodePage, JapaneseTextRoundTripsThroughCp932) {
    const IconvCodePage cp932("CP932");
    const std::u16string text = u"ﾀｲﾌﾟ Ｒ　最終使用は 2010「ﾗﾝﾀｲﾑ ＸＰ」､";
    const std::string ansi = cp932.ToAnsi(text);
    EXPECT_EQ(ansi.substr(0, 5), "\xC0\xB2\xCC\xDF ");  // half-width katakana: one byte each
    EXPECT_EQ(cp932.FromAnsi(ansi), text);
}

TEST(IconvCodePage, WhatTheCodePageLacksBecomesItsDefaultCharacter) {
    const IconvCodePage cp932("CP932");
    EXPECT_EQ(cp932.ToAnsi(u"a\u00E9b\U0001F600c"), "a?b?c");
    EXPECT_EQ(cp932.FromAnsi(std::string("a\xFF" "b\x81", 4)), u"a\u30FBb\u30FB");
}

TEST(IconvCodePage, UnknownCodePageIsRefused) {
    EXPECT_THROW(IconvCodePage("NO-SUCH-CODE-PAGE"), std::runtime_error);
}

}  // namespace
}  // namespace runesuka
