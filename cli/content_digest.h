// A 128-bit digest of a file's bytes (MurmurHash3, x64 128-bit variant), fed in pieces of
// any size: two files compare by their sizes and digests without either being kept.
#pragma once

#include <cstddef>
#include <cstdint>

struct Digest128 {
    uint64_t low = 0;
    uint64_t high = 0;
    bool operator==(const Digest128& other) const { return low == other.low && high == other.high; }
    bool operator!=(const Digest128& other) const { return !(*this == other); }
};

class ContentDigest {
public:
    void Add(const uint8_t* bytes, size_t size);
    // The digest of everything added, as one run of bytes however it was cut.
    Digest128 Finish() const;

private:
    static constexpr size_t kBlock = 16;
    void Mix(const uint8_t* block);

    uint64_t h1_ = 0;
    uint64_t h2_ = 0;
    uint64_t length_ = 0;
    uint8_t pending_[kBlock] = {};
    size_t pendingSize_ = 0;
};
