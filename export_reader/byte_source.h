// Bytes read a chunk at a time: a file or a pipe, never held whole.
#pragma once

#include <cstddef>

namespace runesuka {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Up to `size` bytes into `buffer`; 0 only at the end. A source that
    // cannot go on throws.
    virtual std::size_t Read(char* buffer, std::size_t size) = 0;
    // Starts the bytes again from the first; false where they cannot be read
    // again, as from a pipe.
    virtual bool Rewind() { return false; }
};

}  // namespace runesuka
