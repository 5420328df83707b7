// runesuka-report: the check of ルネスカ for scripts and management tools,
// on this PC's registry (read rights only) or on registry export files and
// standard input.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "advapi32_registry.h"
#include "report.h"
#include "system_library.h"
#include "windows_code_page.h"

namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide text is UTF-16");

// Standard output or error: a console takes wide text as it is; anything
// else gets the console's output code page, or UTF-8 where there is none.
class OutputStream {
public:
    explicit OutputStream(DWORD which) : handle_(GetStdHandle(which)) {
        DWORD mode = 0;
        console_ = handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE && GetConsoleMode(handle_, &mode) != 0;
    }

    void Line(const std::u16string& text) const {
        if (handle_ == nullptr || handle_ == INVALID_HANDLE_VALUE) return;
        const std::u16string line = text + u"\r\n";
        DWORD written = 0;
        if (console_) {
            WriteConsoleW(handle_, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
            return;
        }
        const UINT consoleCodePage = GetConsoleOutputCP();
        const std::string bytes =
            runesuka::win32::WindowsCodePage(consoleCodePage != 0 ? consoleCodePage : CP_UTF8).ToAnsi(line);
        WriteFile(handle_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    }

private:
    HANDLE handle_;
    bool console_ = false;
};

// Why a file cannot be read, for after its name.
std::u16string ReadError() {
    const std::string code = std::to_string(GetLastError());
    return u"cannot be read (Windows error " + std::u16string(code.begin(), code.end()) + u")";
}

// A file or pipe read with ReadFile, a chunk at a time.
class HandleSource : public runesuka::ByteSource {
public:
    explicit HandleSource(HANDLE handle) : handle_(handle) {}

    std::size_t Read(char* buffer, std::size_t size) override {
        if (handle_ == nullptr || handle_ == INVALID_HANDLE_VALUE) return 0;
        DWORD got = 0;
        const DWORD wanted = static_cast<DWORD>(size < kMaxRead ? size : kMaxRead);
        if (::ReadFile(handle_, buffer, wanted, &got, nullptr) != FALSE) return got;
        // A pipe whose writer has closed it has ended.
        if (GetLastError() == ERROR_BROKEN_PIPE) return 0;
        throw runesuka::report::ReadFailure(ReadError());
    }

protected:
    static constexpr std::size_t kMaxRead = 1u << 20;
    HANDLE handle_;
};

class FileSource : public HandleSource {
public:
    using HandleSource::HandleSource;
    ~FileSource() override { CloseHandle(handle_); }
    bool Rewind() override { return SetFilePointer(handle_, 0, nullptr, FILE_BEGIN) == 0; }
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;
};

class WindowsHost : public runesuka::report::ReportHost {
public:
    explicit WindowsHost(wchar_t** args) : args_(args) {}

    runesuka::RegistryApi* LiveRegistry() override { return &registry_; }
    // A 64-bit program runs on 64-bit Windows only; a 32-bit one asks (Windows XP SP2 and later can answer).
    runesuka::RegistryViews LiveViews() override {
#ifdef _WIN64
        return runesuka::RegistryViews::Two;
#else
        BOOL wow64 = FALSE;
        return IsWow64Process(GetCurrentProcess(), &wow64) != FALSE && wow64 != FALSE ? runesuka::RegistryViews::Two
                                                                                     : runesuka::RegistryViews::One;
#endif
    }
    const runesuka::AnsiCodePage& CodePage() override { return codePage_; }

    std::unique_ptr<runesuka::ByteSource> OpenFile(std::size_t argument, std::u16string& error) override {
        const HANDLE file = CreateFileW(args_[argument], GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            error = ReadError();
            return nullptr;
        }
        return std::make_unique<FileSource>(file);
    }

    runesuka::ByteSource& StandardInput() override { return input_; }

    void Out(const std::u16string& line) override { out_.Line(line); }
    void Err(const std::u16string& line) override { err_.Line(line); }

private:
    wchar_t** args_;
    runesuka::win32::Advapi32Registry registry_;
    const runesuka::win32::WindowsCodePage codePage_;
    HandleSource input_{GetStdHandle(STD_INPUT_HANDLE)};
    const OutputStream out_{STD_OUTPUT_HANDLE};
    const OutputStream err_{STD_ERROR_HANDLE};
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    // As the window program: DLLs from System32 only, never from a CD's folder.
    runesuka::win32::RestrictDllSearch();
    WindowsHost host(argv + 1);
    std::vector<std::u16string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(reinterpret_cast<const char16_t*>(argv[i]));
    return runesuka::report::RunReport(args, host);
}
