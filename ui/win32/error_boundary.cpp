#include "error_boundary.h"

#include <string>

namespace runesuka::win32 {

void ReportErrorAndEnd(const char* what) {
    std::wstring text = L"実行時エラー:\r\n";
    const int length = MultiByteToWideChar(CP_UTF8, 0, what, -1, nullptr, 0);
    if (length > 1) {
        std::wstring detail(static_cast<std::size_t>(length - 1), L'\0');
        MultiByteToWideChar(CP_UTF8, 0, what, -1, detail.data(), length);
        text += detail;
    }
    MessageBoxW(nullptr, text.c_str(), L"ルネスカ", MB_OK | MB_ICONERROR | MB_TASKMODAL);
    ExitProcess(1);
}

}  // namespace runesuka::win32
