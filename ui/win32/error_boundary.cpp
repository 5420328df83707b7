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

// An exception that no handler takes, such as one thrown out of a destructor
// while another unwinds, ends the program through this libstdc++ hook. It is
// reported as at a window procedure. libstdc++'s own version writes the
// exception's type to the standard error, which a window program does not
// have, and brings the demangler and printf with it: about 75 KB, a quarter
// of the i686 program.
#if defined(__GLIBCXX__)
void __gnu_cxx::__verbose_terminate_handler() {
    runesuka::win32::Guarded([] {
        if (const std::exception_ptr pending = std::current_exception()) std::rethrow_exception(pending);
    });
    runesuka::win32::ReportErrorAndEnd("unknown error");
}
#endif
