#include "tools/qvapack/container_stream.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "payload/container.h"

namespace {

// Every stored name starts with this byte, which readers drop.
constexpr char kNameLead = '\\';

void PutInt32(uint8_t* p, int32_t value)
{
    const uint32_t v = static_cast<uint32_t>(value);
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

}  // namespace

ContainerStream::ContainerStream(const std::vector<WalkedFile>& files, bool plain, Progress* progress)
    : files_(files), plain_(plain), progress_(progress)
{
    for (const WalkedFile& file : files_)
        dataSize_ += file.size;
    index_.assign(kIndexHeaderSize, '\0');
    std::memcpy(&index_[0], kContainerSignature, sizeof kContainerSignature);
}

bool ContainerStream::CheckLimits(const std::string& folder) const
{
    for (const WalkedFile& file : files_)
        if (1 + file.name.size() >= static_cast<size_t>(kRecordNameSize))
            return Fail(file.hostPath, "name longer than 258 bytes in code page 936") == 0;
    if (dataSize_ > static_cast<uint64_t>(std::numeric_limits<int32_t>::max()))
        return Fail(folder, std::to_string(dataSize_) +
                                " bytes: too large for the container and resource format "
                                "(offsets and sizes are 32-bit, at most 2 GiB - 1 bytes)") == 0;
    return true;
}

bool ContainerStream::OpenNext()
{
    const WalkedFile& file = files_[next_++];
    if (!current_.OpenRead(file.hostPath))
        return Fail(file.hostPath, "cannot be read: " + LastHostError()) == 0;
    currentLeft_ = file.size;
    hasher_.reset(new Sm3Hasher);
    return true;
}

void ContainerStream::FinishEntry()
{
    const WalkedFile& file = files_[next_ - 1];
    uint8_t record[kIndexRecordSize] = {};
    record[0] = plain_ ? 0 : kScrambledFlag;
    record[kRecordNameOffset] = kNameLead;
    std::memcpy(record + kRecordNameOffset + 1, file.name.data(), file.name.size());
    hasher_->Final(record + kRecordDigestOffset);
    PutInt32(record + kRecordDataOffset, offset_);
    PutInt32(record + kRecordSizeOffset, static_cast<int32_t>(file.size));
    offset_ += static_cast<int32_t>(file.size);
    if (!plain_)
        for (int b = 1; b < kIndexRecordSize; ++b)
            record[b] = ScrambleByte(record[b]);
    index_.append(reinterpret_cast<const char*>(record), sizeof record);
    current_.Close();
}

bool ContainerStream::Read(uint8_t* buffer, size_t& size)
{
    size_t filled = 0;
    while (filled < size) {
        if (!current_.IsOpen()) {
            if (next_ == files_.size())
                break;
            if (!OpenNext())
                return false;
        }
        const size_t want = static_cast<size_t>(std::min<uint64_t>(size - filled, currentLeft_));
        const size_t got = want ? current_.Read(buffer + filled, want) : 0;
        const WalkedFile& file = files_[next_ - 1];
        if (got < want)
            return Fail(file.hostPath, "changed while being packed (it became shorter) or cannot be read") == 0;
        if (currentLeft_ == got) {
            uint8_t extra;
            if (current_.Read(&extra, 1) != 0)
                return Fail(file.hostPath, "changed while being packed (it became longer)") == 0;
        }
        hasher_->Update(buffer + filled, got);
        if (!plain_)
            for (size_t i = filled; i < filled + got; ++i)
                buffer[i] = ScrambleByte(buffer[i]);
        filled += got;
        currentLeft_ -= got;
        if (progress_)
            progress_->Advance(got);
        if (currentLeft_ == 0)
            FinishEntry();
    }
    size = filled;
    return true;
}
