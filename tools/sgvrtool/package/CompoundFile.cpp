#include "CompoundFile.h"

#include "PackageCursor.h"

#include <set>

namespace msppkg {
namespace {

const uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kMaxRegular = 0xFFFFFFFA;

uint32_t U32At(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace

bool CompoundFile::ReadSector(uint32_t sector, std::vector<uint8_t>& out) const {
    if (sector > kMaxRegular) return false;
    const uint64_t offset = (static_cast<uint64_t>(sector) + 1) * sectorSize_;
    if (offset > size_ || size_ - offset < sectorSize_) return false;
    out.insert(out.end(), data_ + offset, data_ + offset + sectorSize_);
    return true;
}

bool CompoundFile::Chain(const std::vector<uint32_t>& table, uint32_t start, std::vector<uint32_t>& out) const {
    out.clear();
    for (uint32_t s = start; s != kEndOfChain;) {
        if (s >= table.size() || out.size() > table.size()) return false;  // out of range or a loop
        out.push_back(s);
        s = table[s];
    }
    return true;
}

bool CompoundFile::Open(const uint8_t* data, size_t size, std::string& error) {
    data_ = data;
    size_ = size;
    fat_.clear();
    miniFat_.clear();
    miniStream_.clear();
    entries_.clear();
    ByteCursor header(ByteView(data, size < 512 ? size : 512));
    uint8_t signature[8];
    if (!header.ReadBytes(signature, 8) || std::char_traits<char>::compare(reinterpret_cast<const char*>(signature),
                                                                          reinterpret_cast<const char*>(kSignature), 8)) {
        error = "not a compound file (no D0 CF 11 E0 A1 B1 1A E1 signature)";
        return false;
    }
    if (header.Remaining() < 504) {
        error = "compound file header cut short";
        return false;
    }
    const uint8_t* h = data;
    const uint16_t major = static_cast<uint16_t>(h[0x1A] | (h[0x1B] << 8));
    const uint16_t shift = static_cast<uint16_t>(h[0x1E] | (h[0x1F] << 8));
    const uint16_t miniShift = static_cast<uint16_t>(h[0x20] | (h[0x21] << 8));
    if (!((major == 3 && shift == 9) || (major == 4 && shift == 12)) || miniShift != 6) {
        error = "unsupported compound file version or sector size";
        return false;
    }
    sectorSize_ = 1u << shift;
    miniSectorSize_ = 1u << miniShift;
    const uint32_t fatSectors = U32At(h + 0x2C);
    const uint32_t firstDir = U32At(h + 0x30);
    miniCutoff_ = U32At(h + 0x38);
    const uint32_t firstMiniFat = U32At(h + 0x3C);
    uint32_t difatNext = U32At(h + 0x44);
    const uint32_t difatCount = U32At(h + 0x48);
    const uint64_t maxSectors = size / sectorSize_;
    if (fatSectors > maxSectors || difatCount > maxSectors) {
        error = "allocation table larger than the file";
        return false;
    }
    // The sectors of the allocation table: 109 in the header, the rest in
    // the DIFAT chain.
    std::vector<uint32_t> fatLocations;
    for (uint32_t i = 0; i < 109 && fatLocations.size() < fatSectors; ++i) fatLocations.push_back(U32At(h + 0x4C + 4 * i));
    std::vector<uint8_t> sector;
    for (uint32_t n = 0; fatLocations.size() < fatSectors; ++n) {
        sector.clear();
        if (n >= difatCount || !ReadSector(difatNext, sector)) {
            error = "allocation table locations unreadable";
            return false;
        }
        const uint32_t perSector = sectorSize_ / 4 - 1;
        for (uint32_t i = 0; i < perSector && fatLocations.size() < fatSectors; ++i)
            fatLocations.push_back(U32At(sector.data() + 4 * i));
        difatNext = U32At(sector.data() + 4 * perSector);
    }
    for (uint32_t location : fatLocations) {
        sector.clear();
        if (!ReadSector(location, sector)) {
            error = "allocation table sector beyond the end of the file";
            return false;
        }
        ByteCursor c(ByteView(sector.data(), sector.size()));
        uint32_t v;
        while (c.ReadU32(v)) fat_.push_back(v);
    }
    uint64_t last = 0;
    for (size_t i = 0; i < fat_.size(); ++i)
        if (fat_[i] != 0xFFFFFFFF) last = i + 1;
    extent_ = (last + 1) * sectorSize_;

    std::vector<uint32_t> chain;
    if (!Chain(fat_, firstDir, chain)) {
        error = "directory chain broken";
        return false;
    }
    std::vector<uint8_t> directory;
    for (uint32_t s : chain)
        if (!ReadSector(s, directory)) {
            error = "directory sector beyond the end of the file";
            return false;
        }
    for (size_t off = 0; off + 128 <= directory.size(); off += 128) {
        const uint8_t* d = directory.data() + off;
        CfbEntry e;
        const uint16_t nameBytes = static_cast<uint16_t>(d[0x40] | (d[0x41] << 8));
        for (uint16_t i = 0; i + 2 < nameBytes && i < 62; i += 2) e.name.push_back(static_cast<char16_t>(d[i] | (d[i + 1] << 8)));
        e.type = d[0x42];
        e.left = U32At(d + 0x44);
        e.right = U32At(d + 0x48);
        e.child = U32At(d + 0x4C);
        for (int i = 0; i < 16; ++i) e.clsid[i] = d[0x50 + i];
        e.start = U32At(d + 0x74);
        e.size = U32At(d + 0x78);
        if (major == 4) e.size |= static_cast<uint64_t>(U32At(d + 0x7C)) << 32;
        entries_.push_back(e);
    }
    if (entries_.empty() || entries_[0].type != 5) {
        error = "no root storage";
        return false;
    }
    if (firstMiniFat != kEndOfChain) {
        if (!Chain(fat_, firstMiniFat, chain)) {
            error = "mini allocation table chain broken";
            return false;
        }
        std::vector<uint8_t> bytes;
        for (uint32_t s : chain)
            if (!ReadSector(s, bytes)) {
                error = "mini allocation table beyond the end of the file";
                return false;
            }
        ByteCursor c(ByteView(bytes.data(), bytes.size()));
        uint32_t v;
        while (c.ReadU32(v)) miniFat_.push_back(v);
    }
    if (!Chain(fat_, entries_[0].start, chain)) {
        error = "mini stream chain broken";
        return false;
    }
    for (uint32_t s : chain)
        if (!ReadSector(s, miniStream_)) {
            error = "mini stream beyond the end of the file";
            return false;
        }
    return true;
}

std::vector<uint32_t> CompoundFile::Children(uint32_t storage) const {
    std::vector<uint32_t> out;
    if (storage >= entries_.size()) return out;
    std::vector<uint32_t> pending{entries_[storage].child};
    std::set<uint32_t> seen;
    while (!pending.empty()) {
        const uint32_t id = pending.back();
        pending.pop_back();
        if (id >= entries_.size() || !seen.insert(id).second) continue;
        out.push_back(id);
        pending.push_back(entries_[id].left);
        pending.push_back(entries_[id].right);
    }
    return out;
}

uint32_t CompoundFile::Find(uint32_t storage, const std::u16string& name) const {
    for (uint32_t id : Children(storage))
        if (entries_[id].name == name) return id;
    return kNone;
}

bool CompoundFile::ReadStream(uint32_t entry, std::vector<uint8_t>& out, std::string& error) const {
    out.clear();
    if (entry >= entries_.size() || entries_[entry].type != 2) {
        error = "not a stream";
        return false;
    }
    const CfbEntry& e = entries_[entry];
    std::vector<uint32_t> chain;
    if (e.size < miniCutoff_) {
        if (!Chain(miniFat_, e.start, chain) && e.size != 0) {
            error = "mini sector chain broken";
            return false;
        }
        for (uint32_t s : chain) {
            const uint64_t offset = static_cast<uint64_t>(s) * miniSectorSize_;
            if (offset + miniSectorSize_ > miniStream_.size()) {
                error = "mini sector beyond the mini stream";
                return false;
            }
            out.insert(out.end(), miniStream_.begin() + offset, miniStream_.begin() + offset + miniSectorSize_);
        }
    } else {
        if (!Chain(fat_, e.start, chain)) {
            error = "sector chain broken";
            return false;
        }
        for (uint32_t s : chain)
            if (!ReadSector(s, out)) {
                error = "sector beyond the end of the file";
                return false;
            }
    }
    if (out.size() < e.size) {
        error = "stream shorter than its size";
        return false;
    }
    out.resize(e.size);
    return true;
}

}  // namespace msppkg
