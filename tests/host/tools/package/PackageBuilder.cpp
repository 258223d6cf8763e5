#include "PackageBuilder.h"

#include <cstring>

namespace pkgtest {
namespace {

const char kMime[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz._";

int MimeIndex(char c) {
    const char* p = std::strchr(kMime, c);
    return c != 0 && p ? static_cast<int>(p - kMime) : -1;
}

constexpr uint32_t kFree = 0xFFFFFFFF, kEnd = 0xFFFFFFFE, kFatSector = 0xFFFFFFFD;

uint32_t SectorsFor(size_t size) { return static_cast<uint32_t>((size + 511) / 512); }

}  // namespace

void Put16(Bytes& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(Bytes& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

uint32_t FirstSectorOf(const std::vector<CfbNode>& nodes, size_t node) {
    uint32_t sector = 1 + SectorsFor(nodes.size() * 128);
    for (size_t i = 0; i < node; ++i)
        if (nodes[i].type == 2) sector += SectorsFor(nodes[i].data.size());
    return sector;
}

Bytes BuildCompoundFile(std::vector<CfbNode> nodes) {
    const uint32_t dirSectors = SectorsFor(nodes.size() * 128);
    std::vector<uint32_t> fat(128, kFree);
    fat[0] = kFatSector;
    for (uint32_t i = 0; i < dirSectors; ++i) fat[1 + i] = i + 1 == dirSectors ? kEnd : 2 + i;
    std::vector<uint32_t> starts(nodes.size(), kEnd);
    Bytes body;
    for (size_t n = 0; n < nodes.size(); ++n) {
        if (nodes[n].type != 2 || nodes[n].data.empty()) continue;
        const uint32_t first = FirstSectorOf(nodes, n), count = SectorsFor(nodes[n].data.size());
        starts[n] = first;
        for (uint32_t i = 0; i < count; ++i) fat[first + i] = i + 1 == count ? kEnd : first + i + 1;
        Bytes data = nodes[n].data;
        data.resize(count * 512, 0);
        body.insert(body.end(), data.begin(), data.end());
    }
    Bytes out(512, 0);
    const uint8_t signature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    std::memcpy(out.data(), signature, 8);
    auto set16 = [&](size_t at, uint16_t v) { out[at] = v & 0xFF; out[at + 1] = v >> 8; };
    auto set32 = [&](size_t at, uint32_t v) { for (int i = 0; i < 4; ++i) out[at + i] = (v >> (8 * i)) & 0xFF; };
    set16(0x18, 0x3E);
    set16(0x1A, 3);
    set16(0x1C, 0xFFFE);
    set16(0x1E, 9);
    set16(0x20, 6);
    set32(0x2C, 1);
    set32(0x30, 1);
    set32(0x38, 0);  // no mini stream: every stream in regular sectors
    set32(0x3C, kEnd);
    set32(0x44, kEnd);
    set32(0x4C, 0);
    for (int i = 1; i < 109; ++i) set32(0x4C + 4 * i, kFree);
    for (uint32_t v : fat) Put32(out, v);
    Bytes directory(dirSectors * 512, 0);
    for (size_t n = 0; n < nodes.size(); ++n) {
        uint8_t* d = directory.data() + n * 128;
        const std::u16string& name = n == 0 ? u"Root Entry" : nodes[n].name;
        for (size_t i = 0; i < name.size() && i < 31; ++i) {
            d[2 * i] = name[i] & 0xFF;
            d[2 * i + 1] = name[i] >> 8;
        }
        const uint16_t nameBytes = static_cast<uint16_t>(2 * (name.size() + 1));
        d[0x40] = nameBytes & 0xFF;
        d[0x41] = nameBytes >> 8;
        d[0x42] = static_cast<uint8_t>(n == 0 ? 5 : nodes[n].type);
        auto put = [&](size_t at, uint32_t v) { for (int i = 0; i < 4; ++i) d[at + i] = (v >> (8 * i)) & 0xFF; };
        put(0x44, kFree);
        put(0x48, kFree);
        put(0x4C, kFree);
        std::memcpy(d + 0x50, nodes[n].clsid, 16);
        put(0x74, starts[n]);
        put(0x78, static_cast<uint32_t>(nodes[n].type == 2 ? nodes[n].data.size() : 0));
    }
    // Children as a chain of right siblings: a valid, if unbalanced, tree.
    for (size_t n = 0; n < nodes.size(); ++n) {
        const std::vector<int>& c = nodes[n].children;
        if (c.empty()) continue;
        uint8_t* d = directory.data() + n * 128;
        for (int i = 0; i < 4; ++i) d[0x4C + i] = (static_cast<uint32_t>(c[0]) >> (8 * i)) & 0xFF;
        for (size_t k = 0; k + 1 < c.size(); ++k) {
            uint8_t* s = directory.data() + c[k] * 128;
            for (int i = 0; i < 4; ++i) s[0x48 + i] = (static_cast<uint32_t>(c[k + 1]) >> (8 * i)) & 0xFF;
        }
    }
    out.insert(out.end(), directory.begin(), directory.end());
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

std::u16string EncodeStreamName(const std::string& name, bool table) {
    std::u16string out;
    if (table) out.push_back(0x4840);
    for (size_t i = 0; i < name.size(); ++i) {
        const int first = MimeIndex(name[i]);
        if (first < 0) {
            out.push_back(static_cast<char16_t>(static_cast<unsigned char>(name[i])));
            continue;
        }
        const int second = i + 1 < name.size() ? MimeIndex(name[i + 1]) : -1;
        if (second >= 0) {
            out.push_back(static_cast<char16_t>(0x3800 + first + (second << 6)));
            ++i;
        } else {
            out.push_back(static_cast<char16_t>(0x4800 + first));
        }
    }
    return out;
}

uint32_t StringPool::Id(const std::string& s) {
    for (size_t i = 0; i < strings.size(); ++i)
        if (strings[i] == s) return static_cast<uint32_t>(i + 1);
    strings.push_back(s);
    return static_cast<uint32_t>(strings.size());
}

Bytes StringPool::PoolStream() const {
    Bytes b;
    Put32(b, 1252u | (longRefs ? 0x80000000u : 0));
    for (const std::string& s : strings) {
        Put16(b, static_cast<uint32_t>(s.size()));
        Put16(b, 1);
    }
    return b;
}

Bytes StringPool::DataStream() const {
    Bytes b;
    for (const std::string& s : strings) b.insert(b.end(), s.begin(), s.end());
    return b;
}

void StringPool::PutRef(Bytes& b, const std::string& s) {
    const uint32_t id = s.empty() ? 0 : Id(s);
    Put16(b, id & 0xFFFF);
    if (longRefs) b.push_back(static_cast<uint8_t>(id >> 16));
}

Bytes SummaryStream(const std::vector<std::pair<uint32_t, std::string>>& strings,
                    const std::vector<std::pair<uint32_t, int32_t>>& numbers) {
    Bytes values;
    std::vector<std::pair<uint32_t, uint32_t>> table;
    const uint32_t count = static_cast<uint32_t>(strings.size() + numbers.size());
    for (const auto& s : strings) {
        table.push_back({s.first, 8 + 8 * count + static_cast<uint32_t>(values.size())});
        Put32(values, 30);
        Put32(values, static_cast<uint32_t>(s.second.size() + 1));
        values.insert(values.end(), s.second.begin(), s.second.end());
        values.push_back(0);
        while (values.size() % 4) values.push_back(0);
    }
    for (const auto& n : numbers) {
        table.push_back({n.first, 8 + 8 * count + static_cast<uint32_t>(values.size())});
        Put32(values, 3);
        Put32(values, static_cast<uint32_t>(n.second));
    }
    Bytes out;
    Put16(out, 0xFFFE);
    Put16(out, 0);
    Put32(out, 0x00020006);
    out.resize(out.size() + 16, 0);
    Put32(out, 1);
    const uint8_t fmtid[16] = {0xE0, 0x85, 0x9F, 0xF2, 0xF9, 0x4F, 0x68, 0x10,
                               0xAB, 0x91, 0x08, 0x00, 0x2B, 0x27, 0xB3, 0xD9};
    out.insert(out.end(), fmtid, fmtid + 16);
    Put32(out, 48);
    Put32(out, 8 + 8 * count + static_cast<uint32_t>(values.size()));
    Put32(out, count);
    for (const auto& t : table) {
        Put32(out, t.first);
        Put32(out, t.second);
    }
    out.insert(out.end(), values.begin(), values.end());
    return out;
}

void AddStream(std::vector<CfbNode>& nodes, int storage, const std::u16string& name, const Bytes& data) {
    CfbNode n;
    n.name = name;
    n.type = 2;
    n.data = data;
    nodes.push_back(n);
    nodes[storage].children.push_back(static_cast<int>(nodes.size() - 1));
}

}  // namespace pkgtest
