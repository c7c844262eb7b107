// A container made on the fly from walked files: the data file's bytes as a
// stream (each file in turn, scrambled unless plain), and the index file
// once the stream has been read to its end. `pack` writes both to files,
// `build` compresses them straight into the installer.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "payload/sm3.h"
#include "tools/qvapack/host_file.h"
#include "tools/qvapack/lzma_encode.h"
#include "tools/qvapack/tool.h"

class ContainerStream : public LzmaInput {
public:
    // files as WalkFolder gives them; progress (may be null) advances by the bytes read.
    ContainerStream(const std::vector<WalkedFile>& files, bool plain, Progress* progress);

    // The data file's size: the sum of the files' sizes.
    uint64_t DataSize() const { return dataSize_; }
    // False (after printing "qvapack: FILE: PROBLEM") when a name is too
    // long for a record or the data passes the 32-bit offsets.
    bool CheckLimits(const std::string& folder) const;

    // The next bytes of the data file. False (reported) when a file cannot
    // be read or changed while being read.
    bool Read(uint8_t* buffer, size_t& size) override;
    // After Read gave 0: the index file, header and records.
    const std::string& Index() const { return index_; }

private:
    bool OpenNext();
    void FinishEntry();

    const std::vector<WalkedFile>& files_;
    bool plain_;
    Progress* progress_;
    uint64_t dataSize_ = 0;
    size_t next_ = 0;         // the file to open next
    HostFile current_;
    uint64_t currentLeft_ = 0;  // bytes of the open file still to come
    std::unique_ptr<Sm3Hasher> hasher_;
    int32_t offset_ = 0;
    std::string index_;
};
