#pragma once
// Read-only view of an OLE compound file (the container of .msi and .msp
// packages) held in memory. Every read of the untrusted bytes goes through a
// bounds-checked cursor; sector chains are followed with a step limit, so a
// looping or damaged chain is an error, never a hang or a read past the end.
#include <cstdint>
#include <string>
#include <vector>

namespace msppkg {

struct CfbEntry {
    std::u16string name;
    uint8_t type = 0;  // 1 storage, 2 stream, 5 root
    uint32_t left = 0xFFFFFFFF, right = 0xFFFFFFFF, child = 0xFFFFFFFF;
    uint8_t clsid[16] = {};
    uint32_t start = 0;
    uint64_t size = 0;
};

class CompoundFile {
public:
    static constexpr uint32_t kNone = 0xFFFFFFFF;

    // false with a reason when the bytes are not a readable compound file.
    bool Open(const uint8_t* data, size_t size, std::string& error);

    const std::vector<CfbEntry>& Entries() const { return entries_; }
    // The entries directly inside a storage (0 is the root storage).
    std::vector<uint32_t> Children(uint32_t storage) const;
    uint32_t Find(uint32_t storage, const std::u16string& name) const;
    bool ReadStream(uint32_t entry, std::vector<uint8_t>& out, std::string& error) const;
    // Bytes the compound file itself takes: header and every sector up to
    // the last one its allocation table uses.
    uint64_t Extent() const { return extent_; }

private:
    bool Chain(const std::vector<uint32_t>& table, uint32_t start, std::vector<uint32_t>& out) const;
    bool ReadSector(uint32_t sector, std::vector<uint8_t>& out) const;

    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
    uint32_t sectorSize_ = 512, miniSectorSize_ = 64, miniCutoff_ = 4096;
    std::vector<uint32_t> fat_, miniFat_;
    std::vector<uint8_t> miniStream_;
    std::vector<CfbEntry> entries_;
    uint64_t extent_ = 0;
};

}  // namespace msppkg
