#pragma once
// Builds small compound files, installer string pools, tables and
// transforms in memory, so the package reader and the lint meet exactly the
// damage a test wants.
#include <cstdint>
#include <string>
#include <vector>

namespace pkgtest {

using Bytes = std::vector<uint8_t>;

void Put16(Bytes& b, uint32_t v);
void Put32(Bytes& b, uint32_t v);

struct CfbNode {
    std::u16string name;
    int type = 2;  // 1 storage, 2 stream
    Bytes data;
    std::vector<int> children;  // indexes into the node list (storages)
    uint8_t clsid[16] = {};
};

// nodes[0] is the root storage. Every stream is kept in regular sectors (the
// mini-stream cutoff is written as 0). Sector map of the result: 0 the
// allocation table, then the directory, then the streams in node order.
Bytes BuildCompoundFile(std::vector<CfbNode> nodes);
// The sector at which node's data starts in a file built as above.
uint32_t FirstSectorOf(const std::vector<CfbNode>& nodes, size_t node);

// Installer stream names: the table mark 0x4840 and the two-in-one encoding.
std::u16string EncodeStreamName(const std::string& name, bool table);

// A string pool: ids 1.. in order; refs of 3 bytes when longRefs.
struct StringPool {
    std::vector<std::string> strings;
    bool longRefs = false;
    uint32_t Id(const std::string& s);  // adds when new
    Bytes PoolStream() const;
    Bytes DataStream() const;
    void PutRef(Bytes& b, const std::string& s);
};

// A summary information stream with string (VT_LPSTR) and VT_I4 properties.
Bytes SummaryStream(const std::vector<std::pair<uint32_t, std::string>>& strings,
                    const std::vector<std::pair<uint32_t, int32_t>>& numbers);

// Adds a stream to a storage node.
void AddStream(std::vector<CfbNode>& nodes, int storage, const std::u16string& name, const Bytes& data);

}  // namespace pkgtest
