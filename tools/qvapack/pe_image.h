// The parts of a PE executable that a new resource section touches: the
// headers, the section table and the data directories, read from the stub,
// and the checksum of a written image.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/qvapack/host_file.h"

constexpr uint16_t kMachineI386 = 0x014C;
constexpr uint16_t kMachineAmd64 = 0x8664;

enum DataDirectoryIndex {
    kDirResource = 2,
    kDirSecurity = 4,  // the Authenticode signature: a file offset, not an address
    kDirBaseReloc = 5,
};

struct PeSection {
    std::string name;
    uint32_t virtualSize = 0;
    uint32_t virtualAddress = 0;
    uint32_t rawSize = 0;
    uint32_t rawOffset = 0;
    uint32_t characteristics = 0;
};

struct PeDirectory {
    uint32_t address = 0;
    uint32_t size = 0;
};

class PeImage {
public:
    // Reads and checks the headers of file (length bytes). False with
    // problem set when it is no PE image this tool can rewrite.
    bool Read(HostFile& file, int64_t length, std::string& problem);

    uint16_t Machine() const { return machine_; }
    uint32_t FileAlignment() const { return fileAlignment_; }
    uint32_t SectionAlignment() const { return sectionAlignment_; }
    uint32_t SizeOfHeaders() const { return sizeOfHeaders_; }
    std::vector<PeSection>& Sections() { return sections_; }
    const std::vector<PeSection>& Sections() const { return sections_; }
    PeDirectory Directory(int index) const;
    void SetDirectory(int index, PeDirectory directory);
    // The section whose addresses hold rva, or -1.
    int SectionOf(uint32_t rva) const;
    // The file offset of size bytes at rva, all inside one section's file
    // data; false when they are not.
    bool FileOffsetOf(uint32_t rva, uint32_t size, uint64_t& offset) const;

    // The headers as they must be written for the current sections and
    // directories: section table, image size, initialized-data size;
    // checksum zero.
    std::vector<uint8_t> Headers() const;
    // The offset of the checksum field in the headers.
    uint32_t ChecksumOffset() const { return optionalOffset_ + 64; }

private:
    std::vector<uint8_t> headers_;  // as read: the first SizeOfHeaders bytes
    uint16_t machine_ = 0;
    bool pe32Plus_ = false;
    uint32_t optionalOffset_ = 0;
    uint32_t sectionTableOffset_ = 0;
    uint32_t directoryOffset_ = 0;
    uint32_t directoryCount_ = 0;
    uint32_t fileAlignment_ = 0;
    uint32_t sectionAlignment_ = 0;
    uint32_t sizeOfHeaders_ = 0;
    std::vector<PeSection> sections_;
    std::vector<PeDirectory> directories_;
    uint32_t initializedRaw_ = 0;  // the stub's file bytes of initialized-data sections
};

// The PE checksum of the file as it is on disk (its checksum field at
// checksumOffset counted as zero); false when it cannot be read.
bool ComputePeChecksum(HostFile& file, uint32_t checksumOffset, uint32_t& checksum);

inline uint32_t AlignUp(uint32_t value, uint32_t alignment)
{
    return alignment ? (value + alignment - 1) / alignment * alignment : value;
}
