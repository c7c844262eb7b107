#include "payload/sm3.h"

#include <gcrypt.h>

namespace {

// libgcrypt wants gcry_check_version before first use; a function-local static
// runs it once, thread-safely.
bool InitGcrypt()
{
    static const bool ready = [] {
        gcry_check_version(nullptr);
        gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
        return true;
    }();
    return ready;
}

}  // namespace

void ComputeSm3(const void* data, size_t size, uint8_t digest[kSm3Size])
{
    InitGcrypt();
    gcry_md_hash_buffer(GCRY_MD_SM3, digest, data, size);
}

Sm3Hasher::Sm3Hasher()
{
    InitGcrypt();
    gcry_md_hd_t md = nullptr;
    if (gcry_md_open(&md, GCRY_MD_SM3, 0) == 0)
        handle_ = md;
}

Sm3Hasher::~Sm3Hasher()
{
    if (handle_)
        gcry_md_close(static_cast<gcry_md_hd_t>(handle_));
}

void Sm3Hasher::Update(const void* data, size_t size)
{
    if (handle_)
        gcry_md_write(static_cast<gcry_md_hd_t>(handle_), data, size);
}

void Sm3Hasher::Final(uint8_t digest[kSm3Size])
{
    if (!handle_)
        return;
    const unsigned char* result = gcry_md_read(static_cast<gcry_md_hd_t>(handle_), GCRY_MD_SM3);
    for (int i = 0; i < kSm3Size; ++i)
        digest[i] = result[i];
}
