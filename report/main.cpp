// runesuka-report where there is no Windows registry: only --from-reg serves.
// Arguments, output and file names are UTF-8; REGEDIT4 files are CP932.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "iconv_code_page.h"
#include "report.h"

namespace {

// A file descriptor read with read(2), a chunk at a time: a small file takes
// an open, two reads and a close, and nothing more.
class DescriptorSource : public runesuka::ByteSource {
public:
    DescriptorSource(int descriptor, const runesuka::AnsiCodePage& utf8) : descriptor_(descriptor), utf8_(utf8) {}

    std::size_t Read(char* buffer, std::size_t size) override {
        for (;;) {
            const ssize_t got = ::read(descriptor_, buffer, size);
            if (got >= 0) return static_cast<std::size_t>(got);
            if (errno != EINTR) throw runesuka::report::ReadFailure(Why(utf8_));
        }
    }

    static std::u16string Why(const runesuka::AnsiCodePage& utf8) {
        return u"cannot be read: " + utf8.FromAnsi(std::strerror(errno));
    }

protected:
    int descriptor_;

private:
    const runesuka::AnsiCodePage& utf8_;
};

class FileSource : public DescriptorSource {
public:
    using DescriptorSource::DescriptorSource;
    ~FileSource() override { ::close(descriptor_); }
    bool Rewind() override { return ::lseek(descriptor_, 0, SEEK_SET) == 0; }
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;
};

class PosixHost : public runesuka::report::ReportHost {
public:
    explicit PosixHost(char** args) : args_(args) {}

    runesuka::RegistryApi* LiveRegistry() override { return nullptr; }
    runesuka::RegistryViews LiveViews() override { return runesuka::RegistryViews::One; }
    const runesuka::AnsiCodePage& CodePage() override { return cp932_; }

    std::unique_ptr<runesuka::ByteSource> OpenFile(std::size_t argument, std::u16string& error) override {
        const int file = ::open(args_[argument], O_RDONLY | O_CLOEXEC);
        if (file < 0) {
            error = DescriptorSource::Why(utf8_);
            return nullptr;
        }
        return std::make_unique<FileSource>(file, utf8_);
    }

    runesuka::ByteSource& StandardInput() override { return stdin_; }

    void Out(const std::u16string& line) override { Write(stdout, line); }
    void Err(const std::u16string& line) override { Write(stderr, line); }

    std::u16string Decode(const char* arg) const { return utf8_.FromAnsi(arg); }

private:
    // One line a machine, many machines a run: the bytes' storage is reused.
    void Write(std::FILE* stream, const std::u16string& line) {
        utf8_.ToAnsi(line, bytes_);
        bytes_ += '\n';
        std::fwrite(bytes_.data(), 1, bytes_.size(), stream);
    }

    char** args_;
    const runesuka::IconvCodePage cp932_{"CP932"};
    const runesuka::IconvCodePage utf8_{"UTF-8"};
    DescriptorSource stdin_{STDIN_FILENO, utf8_};
    std::string bytes_;
};

}  // namespace

int main(int argc, char** argv) {
    PosixHost host(argv + 1);
    std::vector<std::u16string> args;
    for (int i = 1; i < argc; ++i) args.push_back(host.Decode(argv[i]));
    return runesuka::report::RunReport(args, host);
}
