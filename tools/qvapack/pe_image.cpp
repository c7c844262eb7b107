#include "tools/qvapack/pe_image.h"

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

constexpr uint32_t kSectionHeaderSize = 40;
constexpr uint32_t kScnInitializedData = 0x00000040;

uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t Get32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}
void Put32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace

bool PeImage::Read(HostFile& file, int64_t length, std::string& problem)
{
    uint8_t dos[64];
    if (length < static_cast<int64_t>(sizeof dos) || !file.ReadAt(0, dos, sizeof dos) || dos[0] != 'M' ||
        dos[1] != 'Z') {
        problem = "not a PE file (no MZ header)";
        return false;
    }
    const uint32_t peOffset = Get32(dos + 0x3C);
    uint8_t coff[24];
    if (peOffset > 0x10000 || peOffset + sizeof coff > static_cast<uint64_t>(length) ||
        !file.ReadAt(peOffset, coff, sizeof coff) || std::memcmp(coff, "PE\0\0", 4) != 0) {
        problem = "not a PE file (no PE signature)";
        return false;
    }
    machine_ = Get16(coff + 4);
    const uint16_t sectionCount = Get16(coff + 6);
    const uint32_t symbolTable = Get32(coff + 12);
    const uint16_t optionalSize = Get16(coff + 20);
    optionalOffset_ = peOffset + 24;
    uint8_t magic[2];
    if (!file.ReadAt(optionalOffset_, magic, 2)) {
        problem = "not a PE file (no optional header)";
        return false;
    }
    if (Get16(magic) != 0x10B && Get16(magic) != 0x20B) {
        problem = "not a PE executable (unknown optional header)";
        return false;
    }
    pe32Plus_ = Get16(magic) == 0x20B;
    if (machine_ != kMachineI386 && machine_ != kMachineAmd64) {
        char text[64];
        std::snprintf(text, sizeof text, "machine 0x%04X", machine_);
        problem = std::string("a PE file for ") + text + ", not for x86 (i386) or x86-64";
        return false;
    }
    if ((machine_ == kMachineI386) == pe32Plus_) {
        problem = "not a PE executable (machine and header kind disagree)";
        return false;
    }

    // The headers, read whole: everything below is checked against them.
    uint8_t fixed[64];
    if (!file.ReadAt(optionalOffset_, fixed, sizeof fixed)) {
        problem = "not a PE file (optional header cut short)";
        return false;
    }
    sectionAlignment_ = Get32(fixed + 32);
    fileAlignment_ = Get32(fixed + 36);
    sizeOfHeaders_ = Get32(fixed + 60);
    sectionTableOffset_ = optionalOffset_ + optionalSize;
    const uint64_t tableEnd = static_cast<uint64_t>(sectionTableOffset_) + sectionCount * kSectionHeaderSize;
    if (sizeOfHeaders_ > static_cast<uint64_t>(length) || sizeOfHeaders_ > (1u << 20) || tableEnd > sizeOfHeaders_ ||
        fileAlignment_ < 512 || (fileAlignment_ & (fileAlignment_ - 1)) || sectionAlignment_ < fileAlignment_ ||
        (sectionAlignment_ & (sectionAlignment_ - 1))) {
        problem = "not a PE executable this tool can rewrite (bad header sizes or alignments)";
        return false;
    }
    headers_.resize(sizeOfHeaders_);
    if (!file.ReadAt(0, headers_.data(), headers_.size())) {
        problem = "cannot be read";
        return false;
    }
    const uint32_t countOffset = optionalOffset_ + (pe32Plus_ ? 108 : 92);
    if (countOffset + 4 > sectionTableOffset_) {
        problem = "not a PE executable (optional header too short)";
        return false;
    }
    directoryOffset_ = countOffset + 4;
    directoryCount_ = Get32(&headers_[countOffset]);
    if (directoryCount_ > 16 || directoryOffset_ + directoryCount_ * 8 > sectionTableOffset_) {
        problem = "not a PE executable (bad data directories)";
        return false;
    }
    directories_.clear();
    for (uint32_t i = 0; i < directoryCount_; ++i)
        directories_.push_back({Get32(&headers_[directoryOffset_ + 8 * i]), Get32(&headers_[directoryOffset_ + 8 * i + 4])});

    sections_.clear();
    for (uint32_t i = 0; i < sectionCount; ++i) {
        const uint8_t* h = &headers_[sectionTableOffset_ + i * kSectionHeaderSize];
        PeSection section;
        section.name.assign(reinterpret_cast<const char*>(h), strnlen(reinterpret_cast<const char*>(h), 8));
        section.virtualSize = Get32(h + 8);
        section.virtualAddress = Get32(h + 12);
        section.rawSize = Get32(h + 16);
        section.rawOffset = Get32(h + 20);
        section.characteristics = Get32(h + 36);
        if (section.rawSize && static_cast<uint64_t>(section.rawOffset) + section.rawSize > static_cast<uint64_t>(length)) {
            problem = "cut short: section " + section.name + " runs past the end of the file";
            return false;
        }
        if (i > 0 && section.virtualAddress < sections_.back().virtualAddress + sections_.back().virtualSize) {
            problem = "not a PE executable this tool can rewrite (sections out of order)";
            return false;
        }
        sections_.push_back(section);
        if (section.characteristics & kScnInitializedData)
            initializedRaw_ += section.rawSize;
    }
    if (symbolTable != 0) {
        problem = "carries a symbol table (link the stub with -s)";
        return false;
    }
    return true;
}

PeDirectory PeImage::Directory(int index) const
{
    return static_cast<size_t>(index) < directories_.size() ? directories_[index] : PeDirectory{};
}

void PeImage::SetDirectory(int index, PeDirectory directory)
{
    if (static_cast<size_t>(index) < directories_.size())
        directories_[index] = directory;
}

int PeImage::SectionOf(uint32_t rva) const
{
    for (size_t i = 0; i < sections_.size(); ++i) {
        const PeSection& s = sections_[i];
        const uint32_t extent = s.virtualSize > s.rawSize ? s.virtualSize : s.rawSize;
        if (rva >= s.virtualAddress && rva - s.virtualAddress < extent)
            return static_cast<int>(i);
    }
    return -1;
}

bool PeImage::FileOffsetOf(uint32_t rva, uint32_t size, uint64_t& offset) const
{
    const int index = SectionOf(rva);
    if (index < 0)
        return false;
    const PeSection& s = sections_[index];
    const uint64_t within = rva - s.virtualAddress;
    if (within + size > s.rawSize)
        return false;
    offset = s.rawOffset + within;
    return true;
}

std::vector<uint8_t> PeImage::Headers() const
{
    std::vector<uint8_t> headers = headers_;
    uint32_t imageEnd = AlignUp(sizeOfHeaders_, sectionAlignment_);
    uint32_t initializedData = 0;
    for (size_t i = 0; i < sections_.size(); ++i) {
        const PeSection& s = sections_[i];
        uint8_t* h = &headers[sectionTableOffset_ + i * kSectionHeaderSize];
        Put32(h + 8, s.virtualSize);
        Put32(h + 12, s.virtualAddress);
        Put32(h + 16, s.rawSize);
        Put32(h + 20, s.rawOffset);
        const uint32_t end = AlignUp(s.virtualAddress + (s.virtualSize ? s.virtualSize : s.rawSize), sectionAlignment_);
        if (end > imageEnd)
            imageEnd = end;
        if (s.characteristics & kScnInitializedData)
            initializedData += s.rawSize;
    }
    // The linker's own count, moved by what the sections gained or lost.
    Put32(&headers[optionalOffset_ + 8], Get32(&headers_[optionalOffset_ + 8]) + initializedData - initializedRaw_);
    Put32(&headers[optionalOffset_ + 56], imageEnd);
    Put32(&headers[ChecksumOffset()], 0);
    for (uint32_t i = 0; i < directoryCount_; ++i) {
        Put32(&headers[directoryOffset_ + 8 * i], directories_[i].address);
        Put32(&headers[directoryOffset_ + 8 * i + 4], directories_[i].size);
    }
    return headers;
}

bool ComputePeChecksum(HostFile& file, uint32_t checksumOffset, uint32_t& checksum)
{
    const int64_t length = file.Length();
    if (length < 0 || !file.Seek(0))
        return false;
    constexpr size_t kChunk = 1 << 20;  // even, so words never straddle chunks
    std::unique_ptr<uint8_t[]> chunk(new uint8_t[kChunk + 1]);
    uint64_t sum = 0;
    uint64_t position = 0;
    for (size_t got; (got = file.Read(chunk.get(), kChunk)) > 0; position += got) {
        if (checksumOffset >= position && checksumOffset + 4 <= position + got)
            std::memset(chunk.get() + (checksumOffset - position), 0, 4);
        if (got % 2)
            chunk[got] = 0;
        for (size_t i = 0; i < got; i += 2) {
            sum += static_cast<uint32_t>(chunk[i] | chunk[i + 1] << 8);
            sum = (sum & 0xFFFF) + (sum >> 16);
        }
    }
    if (position != static_cast<uint64_t>(length))
        return false;
    sum = (sum & 0xFFFF) + (sum >> 16);
    checksum = static_cast<uint32_t>(sum + static_cast<uint64_t>(length));
    return true;
}
