// The fuzz input as a read-only stdio stream, the way the programs read standard input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "fuzz/check.h"

namespace fuzzing {

// Owns a private copy of the bytes, so that the stream never reads the caller's buffer.
class InputStream {
  public:
    InputStream(const std::uint8_t* data, std::size_t size) : bytes_(data, data + size) {
        // An empty stream is opened on a one-byte buffer of length zero.
        bytes_.push_back(0);
        file_ = fmemopen(bytes_.data(), size, "r");
        if (!file_ && size == 0) file_ = std::fopen("/dev/null", "r");
        FUZZ_CHECK(file_ != nullptr);
    }
    ~InputStream() { std::fclose(file_); }
    InputStream(const InputStream&) = delete;
    InputStream& operator=(const InputStream&) = delete;

    std::FILE* get() const { return file_; }

  private:
    std::vector<std::uint8_t> bytes_;
    std::FILE* file_ = nullptr;
};

}  // namespace fuzzing
