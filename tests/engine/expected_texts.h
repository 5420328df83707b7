// The texts the window must show, spelled with escapes where the eye cannot
// tell full-width from half-width characters, independently of the program.
#pragma once

#include <string>

namespace runesuka::testing {

inline const std::u16string kTypeR = u"\uFF80\uFF72\uFF8C\uFF9F \uFF32";  // ﾀｲﾌﾟ Ｒ
inline const std::u16string kTypeV = u"\uFF80\uFF72\uFF8C\uFF9F \uFF36";  // ﾀｲﾌﾟ Ｖ
inline const std::u16string kUnknownType = u"\u4E0D \u660E";             // 不 明

inline const std::u16string kRuntimeXp = u"\u300C\uFF97\uFF9D\uFF80\uFF72\uFF91 \uFF38\uFF30\u300D";  // 「ﾗﾝﾀｲﾑ ＸＰ」
inline const std::u16string kRuntime2010 = u"\u300C\uFF97\uFF9D\uFF80\uFF72\uFF91 2010\u300D";

inline const std::u16string kReRunLine = u"\u3000インストール後\uFF64再度ルネスカを行って下さい。";
inline const std::u16string kFullWidthSpace = u"\u3000";

inline const std::u16string kOldAccess =
    u"クロナリスへ連絡してください。\r\n" + std::u16string(RUNESUKA_SUPPORT_PHONE) + u"\r\nAccessのバージョンが2003以下です。";
inline const std::u16string kExcelMissing = u"\u3000Excel のインストールが必要です。\r\n" + kReRunLine;
inline const std::u16string kAccessMissing = std::u16string(6, u'\u3000') + u" " + std::u16string(11, u'\u3000') +
                                             u"のインストールが必要です。\r\n" + kReRunLine;
inline const std::u16string kNotInstallable =
    u"\u3000\u3000\u3000\u3000 このCDではインストール出来ない可能性があります。\r\n"
    u"\u3000\u3000\u3000\u3000 お手数ですが、「タイプ不明の場合」をご参照頂くか、\r\n"
    u"\u3000\u3000\u3000\u3000 サポートへお問合せ下さい。";
inline const std::u16string kTypeFound = u"\r\n";

inline const std::u16string kTypeSentence = u"このパソコンのタイプは" + std::u16string(8, u'\u3000') + u"です。\r\n";

}  // namespace runesuka::testing
