// SM3 (GB/T 32905-2016) through libgcrypt.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int kSm3Size = 32;

void ComputeSm3(const void* data, size_t size, uint8_t digest[kSm3Size]);

// Incremental form for data that does not fit one buffer.
class Sm3Hasher {
public:
    Sm3Hasher();
    ~Sm3Hasher();
    Sm3Hasher(const Sm3Hasher&) = delete;
    Sm3Hasher& operator=(const Sm3Hasher&) = delete;
    // False when libgcrypt could not set up the digest.
    bool Ok() const { return handle_ != nullptr; }
    void Update(const void* data, size_t size);
    void Final(uint8_t digest[kSm3Size]);

private:
    void* handle_ = nullptr;
};
