#include "PeResources.h"

#include "PackageCursor.h"

namespace msppkg {
namespace {

struct Section {
    uint32_t rva = 0, virtualSize = 0, rawOffset = 0, rawSize = 0;
};

bool U32(const std::vector<uint8_t>& b, uint64_t at, uint32_t& v) {
    if (at > b.size() || b.size() - at < 4) return false;
    ByteCursor c(ByteView(b.data() + at, 4));
    return c.ReadU32(v);
}

bool U16(const std::vector<uint8_t>& b, uint64_t at, uint16_t& v) {
    if (at > b.size() || b.size() - at < 2) return false;
    ByteCursor c(ByteView(b.data() + at, 2));
    return c.ReadU16(v);
}

// One level of the resource tree: the entry whose id (or name) matches.
bool FindEntry(const std::vector<uint8_t>& b, uint64_t rsrc, uint64_t rsrcSize, uint32_t dir, bool byName,
               const std::u16string& name, uint32_t id, bool any, uint32_t& target) {
    uint16_t named = 0, ids = 0;
    if (dir > rsrcSize || !U16(b, rsrc + dir + 12, named) || !U16(b, rsrc + dir + 14, ids)) return false;
    for (uint32_t i = 0; i < static_cast<uint32_t>(named) + ids; ++i) {
        uint32_t key = 0, value = 0;
        if (!U32(b, rsrc + dir + 16 + 8 * i, key) || !U32(b, rsrc + dir + 20 + 8 * i, value)) return false;
        bool match = any;
        if (!any && byName && (key & 0x80000000u)) {
            const uint32_t at = key & 0x7FFFFFFFu;
            uint16_t length = 0;
            if (at > rsrcSize || !U16(b, rsrc + at, length)) return false;
            std::u16string text;
            for (uint16_t k = 0; k < length; ++k) {
                uint16_t ch = 0;
                if (!U16(b, rsrc + at + 2 + 2 * k, ch)) return false;
                text.push_back(static_cast<char16_t>(ch));
            }
            match = text == name;
        } else if (!any && !byName && !(key & 0x80000000u)) {
            match = key == id;
        }
        if (match) {
            target = value;
            return true;
        }
    }
    return false;
}

}  // namespace

bool FindResource(const std::vector<uint8_t>& b, const std::u16string& type, uint32_t name,
                  std::vector<uint8_t>& out, std::string& error) {
    uint32_t peOffset = 0, signature = 0;
    uint16_t machine = 0, sections = 0, optionalSize = 0, magic = 0;
    if (b.size() < 64 || b[0] != 'M' || b[1] != 'Z' || !U32(b, 0x3C, peOffset) || !U32(b, peOffset, signature) ||
        signature != 0x00004550 || !U16(b, peOffset + 4, machine) || !U16(b, peOffset + 6, sections) ||
        !U16(b, peOffset + 20, optionalSize) || !U16(b, peOffset + 24, magic)) {
        error = "not a Windows program file (no PE header)";
        return false;
    }
    const uint64_t optional = static_cast<uint64_t>(peOffset) + 24;
    // The resource directory is data directory 2.
    const uint64_t directories = optional + (magic == 0x20B ? 112 : 96);
    uint32_t rsrcRva = 0, rsrcSize = 0;
    if (!U32(b, directories + 16, rsrcRva) || !U32(b, directories + 20, rsrcSize) || rsrcRva == 0) {
        error = "the program has no resources";
        return false;
    }
    std::vector<Section> table;
    const uint64_t first = optional + optionalSize;
    for (uint16_t i = 0; i < sections; ++i) {
        Section s;
        const uint64_t at = first + 40ull * i;
        if (!U32(b, at + 8, s.virtualSize) || !U32(b, at + 12, s.rva) || !U32(b, at + 16, s.rawSize) ||
            !U32(b, at + 20, s.rawOffset)) {
            error = "section table cut short";
            return false;
        }
        table.push_back(s);
    }
    auto toOffset = [&](uint32_t rva, uint64_t& offset) {
        for (const Section& s : table) {
            const uint32_t span = s.rawSize > s.virtualSize ? s.rawSize : s.virtualSize;
            if (rva >= s.rva && rva - s.rva < span && rva - s.rva < s.rawSize) {
                offset = static_cast<uint64_t>(s.rawOffset) + (rva - s.rva);
                return offset < b.size();
            }
        }
        return false;
    };
    uint64_t rsrc = 0;
    if (!toOffset(rsrcRva, rsrc)) {
        error = "resource directory outside the file";
        return false;
    }
    uint32_t level = 0;
    if (!FindEntry(b, rsrc, rsrcSize, 0, true, type, 0, false, level) || !(level & 0x80000000u) ||
        !FindEntry(b, rsrc, rsrcSize, level & 0x7FFFFFFFu, false, u"", name, false, level) ||
        !(level & 0x80000000u) || !FindEntry(b, rsrc, rsrcSize, level & 0x7FFFFFFFu, false, u"", 0, true, level) ||
        (level & 0x80000000u)) {
        error = "no resource " + std::to_string(name) + " of that type";
        return false;
    }
    uint32_t dataRva = 0, dataSize = 0;
    uint64_t data = 0;
    if (level > rsrcSize || !U32(b, rsrc + level, dataRva) || !U32(b, rsrc + level + 4, dataSize) ||
        !toOffset(dataRva, data) || data + dataSize > b.size()) {
        error = "resource data outside the file";
        return false;
    }
    out.assign(b.begin() + static_cast<long>(data), b.begin() + static_cast<long>(data + dataSize));
    return true;
}

}  // namespace msppkg
