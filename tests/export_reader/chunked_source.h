// Bytes in memory handed out in chunks of the sizes given, in turn, so that
// reads cut lines, UTF-16 units and double-byte characters anywhere.
#pragma once

#include <algorithm>
#include <cstring>
#include <string_view>
#include <utility>
#include <vector>

#include "byte_source.h"

namespace runesuka::testing {

inline const std::vector<std::size_t> kMixedChunks = {1, 2, 3, 4093};

class ChunkedSource : public ByteSource {
public:
    explicit ChunkedSource(std::string_view bytes, std::vector<std::size_t> sizes = kMixedChunks, bool pipe = false)
        : all_(bytes), bytes_(bytes), sizes_(std::move(sizes)), pipe_(pipe) {}

    std::size_t Read(char* buffer, std::size_t size) override {
        const std::size_t got = std::min({size, bytes_.size(), sizes_[next_++ % sizes_.size()]});
        std::memcpy(buffer, bytes_.data(), got);
        bytes_.remove_prefix(got);
        return got;
    }

    // A file starts again; a pipe cannot.
    bool Rewind() override {
        if (pipe_) return false;
        bytes_ = all_;
        ++rewinds;
        return true;
    }

    int rewinds = 0;

private:
    std::string_view all_;
    std::string_view bytes_;
    std::vector<std::size_t> sizes_;
    bool pipe_;
    std::size_t next_ = 0;
};

}  // namespace runesuka::testing
