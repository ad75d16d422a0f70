#include "content_digest.h"

#include <cstring>

namespace {

constexpr uint64_t kC1 = 0x87c37b91114253d5ULL;
constexpr uint64_t kC2 = 0x4cf5ad432745937fULL;

uint64_t RotateLeft(uint64_t x, int bits)
{
    return (x << bits) | (x >> (64 - bits));
}

// Written out byte by byte so that the compiler makes it one load where it can.
uint64_t ReadLittleEndian64(const uint8_t* at)
{
    return uint64_t(at[0]) | uint64_t(at[1]) << 8 | uint64_t(at[2]) << 16 | uint64_t(at[3]) << 24 |
           uint64_t(at[4]) << 32 | uint64_t(at[5]) << 40 | uint64_t(at[6]) << 48 | uint64_t(at[7]) << 56;
}

uint64_t FinalMix(uint64_t k)
{
    k ^= k >> 33;
    k *= 0xff51afd7ed558ccdULL;
    k ^= k >> 33;
    k *= 0xc4ceb9fe1a85ec53ULL;
    k ^= k >> 33;
    return k;
}

}  // namespace

void ContentDigest::Mix(const uint8_t* block)
{
    uint64_t k1 = ReadLittleEndian64(block);
    uint64_t k2 = ReadLittleEndian64(block + 8);
    h1_ ^= RotateLeft(k1 * kC1, 31) * kC2;
    h1_ = (RotateLeft(h1_, 27) + h2_) * 5 + 0x52dce729;
    h2_ ^= RotateLeft(k2 * kC2, 33) * kC1;
    h2_ = (RotateLeft(h2_, 31) + h1_) * 5 + 0x38495ab5;
}

void ContentDigest::Add(const uint8_t* bytes, size_t size)
{
    length_ += size;
    if (pendingSize_ > 0) {
        const size_t taken = size < kBlock - pendingSize_ ? size : kBlock - pendingSize_;
        memcpy(pending_ + pendingSize_, bytes, taken);
        pendingSize_ += taken;
        bytes += taken;
        size -= taken;
        if (pendingSize_ < kBlock)
            return;
        Mix(pending_);
        pendingSize_ = 0;
    }
    for (; size >= kBlock; bytes += kBlock, size -= kBlock)
        Mix(bytes);
    memcpy(pending_, bytes, size);
    pendingSize_ = size;
}

Digest128 ContentDigest::Finish() const
{
    uint64_t h1 = h1_;
    uint64_t h2 = h2_;
    uint8_t tail[kBlock] = {};
    memcpy(tail, pending_, pendingSize_);
    if (pendingSize_ > 8)
        h2 ^= RotateLeft(ReadLittleEndian64(tail + 8) * kC2, 33) * kC1;
    if (pendingSize_ > 0)
        h1 ^= RotateLeft(ReadLittleEndian64(tail) * kC1, 31) * kC2;
    h1 ^= length_;
    h2 ^= length_;
    h1 += h2;
    h2 += h1;
    h1 = FinalMix(h1);
    h2 = FinalMix(h2);
    h1 += h2;
    h2 += h1;
    return Digest128{h1, h2};
}
