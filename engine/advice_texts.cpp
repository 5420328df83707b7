#include "advice_texts.h"

#include "support_phone.h"

namespace runesuka {
namespace {

const std::u16string kReRun = u"　インストール後､再度ルネスカを行って下さい。";

}  // namespace

const std::u16string kOldAccessAdvice =
    std::u16string(u"クロナリスへ連絡してください。\r\n") + kSupportPhone + u"\r\nAccessのバージョンが2003以下です。";

const std::u16string kExcelMissingAdvice = u"　Excel のインストールが必要です。\r\n" + kReRun;

// The leading spaces leave room for the runtime name laid over this line.
const std::u16string kAccessMissingAdvice =
    u"　　　　　　 　　　　　　　　　　　のインストールが必要です。\r\n" + kReRun;

const std::u16string kNotInstallableAdvice =
    u"　　　　 このCDではインストール出来ない可能性があります。\r\n"
    u"　　　　 お手数ですが、「タイプ不明の場合」をご参照頂くか、\r\n"
    u"　　　　 サポートへお問合せ下さい。";

const std::u16string kTypeFoundAdvice = u"\r\n";

}  // namespace runesuka
