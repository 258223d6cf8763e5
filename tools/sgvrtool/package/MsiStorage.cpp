#include "MsiStorage.h"

#include "PackageCursor.h"

#include <algorithm>

namespace msppkg {
namespace {

const char kMime[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz._";

bool IsBinary(uint16_t type) { return (type & 0x0F00) == 0x0900; }
bool IsString(uint16_t type) { return (type & 0x0800) != 0 && !IsBinary(type); }

}  // namespace

uint16_t StringColumn(bool key) { return static_cast<uint16_t>(0x0D48 | kTypeNullable | (key ? kTypeKey : 0)); }
uint16_t IntColumn(int size, bool key) {
    return static_cast<uint16_t>(0x0100 | size | kTypeNullable | (key ? kTypeKey : 0));
}

std::string DecodeStreamName(const std::u16string& encoded, bool& isTable) {
    std::string out;
    isTable = false;
    for (size_t i = 0; i < encoded.size(); ++i) {
        const char16_t c = encoded[i];
        if (i == 0 && c == 0x4840) {
            isTable = true;
        } else if (c >= 0x3800 && c < 0x4800) {
            out.push_back(kMime[(c - 0x3800) & 0x3F]);
            out.push_back(kMime[((c - 0x3800) >> 6) & 0x3F]);
        } else if (c >= 0x4800 && c < 0x4840) {
            out.push_back(kMime[c - 0x4800]);
        } else if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back('?');
        }
    }
    return out;
}

bool MsiStorage::Stream(const std::string& name, std::vector<uint8_t>& out) const {
    auto it = streams_.find(name);
    std::string error;
    return it != streams_.end() && cf_->ReadStream(it->second, out, error);
}

std::vector<std::string> MsiStorage::TableStreams() const {
    std::vector<std::string> out;
    for (const auto& t : tables_) out.push_back(t.first);
    return out;
}

bool MsiStorage::Open(const CompoundFile& cf, uint32_t storage, bool database, std::string& error) {
    cf_ = &cf;
    storage_ = storage;
    streams_.clear();
    tables_.clear();
    strings_.assign(1, std::string());
    columns_.clear();
    for (uint32_t id : cf.Children(storage)) {
        const CfbEntry& e = cf.Entries()[id];
        if (e.type != 2) continue;
        bool table = false;
        const std::string name = DecodeStreamName(e.name, table);
        (table ? tables_ : streams_)[name] = id;
    }
    auto pool = tables_.find("_StringPool");
    auto data = tables_.find("_StringData");
    if (pool == tables_.end() || data == tables_.end()) {
        error = "no string pool";
        return false;
    }
    std::vector<uint8_t> poolBytes, dataBytes;
    if (!cf.ReadStream(pool->second, poolBytes, error) || !cf.ReadStream(data->second, dataBytes, error)) return false;
    ByteCursor p(ByteView(poolBytes.data(), poolBytes.size()));
    ByteCursor d(ByteView(dataBytes.data(), dataBytes.size()));
    uint32_t codepage = 0;
    if (!p.ReadU32(codepage)) {
        error = "string pool cut short";
        return false;
    }
    refSize_ = (codepage & 0x80000000u) ? 3 : 2;
    uint16_t length = 0, refs = 0;
    while (p.ReadU16(length) && p.ReadU16(refs)) {
        uint32_t size = length;
        // A string of 64 KiB or more: a null entry whose count holds the
        // length's high word, then the low word in the next entry.
        if (length == 0 && refs != 0) {
            uint16_t low = 0, count = 0;
            if (!p.ReadU16(low) || !p.ReadU16(count)) break;
            size = (static_cast<uint32_t>(refs) << 16) | low;
        }
        ByteView bytes;
        if (!d.Take(size, bytes)) {
            error = "string data shorter than the pool says";
            return false;
        }
        strings_.emplace_back(reinterpret_cast<const char*>(bytes.data), bytes.size);
    }
    // _Columns: Table, Number, Name, Type, stored column by column.
    auto columns = tables_.find("_Columns");
    if (database && columns != tables_.end()) {
        std::vector<uint8_t> bytes;
        if (!cf.ReadStream(columns->second, bytes, error)) return false;
        const size_t rowSize = refSize_ * 2 + 4;
        const size_t n = bytes.size() / rowSize;
        for (size_t r = 0; r < n; ++r) {
            Cell table, number, name, type;
            DecodeCell(bytes.data() + r * refSize_, {"", StringColumn(true)}, table);
            DecodeCell(bytes.data() + n * refSize_ + r * 2, {"", IntColumn(2, true)}, number);
            DecodeCell(bytes.data() + n * (refSize_ + 2) + r * refSize_, {"", StringColumn()}, name);
            DecodeCell(bytes.data() + n * (2 * refSize_ + 2) + r * 2, {"", IntColumn(2)}, type);
            columns_[table.s].push_back({name.s, static_cast<uint16_t>(type.i)});
            (void)number;  // rows are stored in key order: by table, then by number
        }
    }
    return true;
}

std::vector<Column> MsiStorage::ColumnsOf(const std::string& table) const {
    auto it = columns_.find(table);
    return it == columns_.end() ? std::vector<Column>() : it->second;
}

size_t MsiStorage::CellSize(const Column& c) const {
    if (IsBinary(c.type)) return 2;
    if (IsString(c.type)) return refSize_;
    return (c.type & 0xFF) == 4 ? 4 : 2;
}

bool MsiStorage::DecodeCell(const uint8_t* p, const Column& c, Cell& out) const {
    out = Cell();
    if (IsBinary(c.type)) return true;  // the data is a stream of its own
    if (IsString(c.type)) {
        uint32_t id = p[0] | (p[1] << 8);
        if (refSize_ == 3) id |= static_cast<uint32_t>(p[2]) << 16;
        out.text = true;
        if (id == 0) return true;
        if (id >= strings_.size()) return false;
        out.null = false;
        out.s = strings_[id];
        return true;
    }
    if ((c.type & 0xFF) == 4) {
        const uint32_t raw = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                             (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
        if (raw == 0) return true;
        out.null = false;
        out.i = static_cast<int32_t>(raw ^ 0x80000000u);
        return true;
    }
    const uint16_t raw = static_cast<uint16_t>(p[0] | (p[1] << 8));
    if (raw == 0) return true;
    out.null = false;
    out.i = static_cast<int32_t>(raw) - 0x8000;
    return true;
}

bool MsiStorage::ReadTable(const std::string& table, std::vector<Row>& rows, std::string& error) const {
    rows.clear();
    const std::vector<Column> cols = ColumnsOf(table);
    auto it = tables_.find(table);
    if (cols.empty() || it == tables_.end()) {
        error = "no table " + table;
        return false;
    }
    std::vector<uint8_t> bytes;
    if (!cf_->ReadStream(it->second, bytes, error)) return false;
    size_t rowSize = 0;
    for (const Column& c : cols) rowSize += CellSize(c);
    if (rowSize == 0 || bytes.size() % rowSize != 0) {
        error = "table " + table + " has a size that is no multiple of its row";
        return false;
    }
    const size_t n = bytes.size() / rowSize;
    rows.resize(n);
    size_t offset = 0;
    for (const Column& c : cols) {
        const size_t size = CellSize(c);
        for (size_t r = 0; r < n; ++r) {
            Cell cell;
            if (!DecodeCell(bytes.data() + offset + r * size, c, cell)) {
                error = "table " + table + " refers to a string the pool lacks";
                return false;
            }
            rows[r].cells.push_back(cell);
        }
        offset += n * size;
    }
    return true;
}

bool MsiStorage::ReadTransformRows(const std::string& table, const std::vector<Column>& columns,
                                   std::vector<Row>& rows, std::string& error) const {
    rows.clear();
    auto it = tables_.find(table);
    if (it == tables_.end()) return true;
    std::vector<uint8_t> bytes;
    if (!cf_->ReadStream(it->second, bytes, error)) return false;
    ByteCursor c(ByteView(bytes.data(), bytes.size()));
    uint16_t mask = 0;
    while (c.ReadU16(mask)) {
        Row row;
        row.mask = mask;
        row.cells.resize(columns.size());
        // Low bit set: the first (mask >> 8) columns follow in order;
        // otherwise the keys and the columns whose bit is set.
        const size_t full = (mask & 1) ? static_cast<size_t>(mask >> 8) : 0;
        if (full > columns.size()) {
            error = "a row of " + table + " has more columns than the table";
            return false;
        }
        for (size_t i = 0; i < columns.size(); ++i) {
            const bool present = (mask & 1) ? i < full
                                            : ((columns[i].type & kTypeKey) != 0 || (i < 16 && (mask & (1u << i))));
            if (!present) continue;
            ByteView cell;
            if (!c.Take(CellSize(columns[i]), cell)) {
                error = "a row of " + table + " is cut short";
                return false;
            }
            if (!DecodeCell(cell.data, columns[i], row.cells[i])) {
                error = "a row of " + table + " refers to a string the pool lacks";
                return false;
            }
        }
        rows.push_back(row);
    }
    if (!c.AtEnd()) {
        error = "the rows of " + table + " end in a partial mask";
        return false;
    }
    return true;
}

bool MsiStorage::Summary(std::map<uint32_t, std::string>& strings, std::map<uint32_t, int32_t>& numbers,
                         std::string& error) const {
    std::vector<uint8_t> bytes;
    if (!Stream("\x05SummaryInformation", bytes)) {
        error = "no summary information";
        return false;
    }
    ByteCursor c(ByteView(bytes.data(), bytes.size()));
    uint8_t skip[28];
    uint8_t fmtid[16];
    uint32_t sectionOffset = 0, sectionSize = 0, count = 0;
    if (!c.ReadBytes(skip, 28) || !c.ReadBytes(fmtid, 16) || !c.ReadU32(sectionOffset) ||
        sectionOffset >= bytes.size()) {
        error = "summary information cut short";
        return false;
    }
    const ByteView section(bytes.data() + sectionOffset, bytes.size() - sectionOffset);
    ByteCursor s(section);
    if (!s.ReadU32(sectionSize) || !s.ReadU32(count)) {
        error = "summary information section cut short";
        return false;
    }
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t id = 0, offset = 0, type = 0;
        if (!s.ReadU32(id) || !s.ReadU32(offset) || offset >= section.size) {
            error = "summary information property table cut short";
            return false;
        }
        ByteCursor v(ByteView(section.data + offset, section.size - offset));
        if (!v.ReadU32(type)) return false;
        if (type == 30) {
            uint32_t length = 0;
            ByteView text;
            if (!v.ReadU32(length) || !v.Take(length, text)) {
                error = "summary information string cut short";
                return false;
            }
            std::string value(reinterpret_cast<const char*>(text.data), text.size);
            while (!value.empty() && value.back() == '\0') value.pop_back();
            strings[id] = value;
        } else if (type == 3) {
            uint32_t n = 0;
            if (v.ReadU32(n)) numbers[id] = static_cast<int32_t>(n);
        } else if (type == 2) {
            uint16_t n = 0;
            if (v.ReadU16(n)) numbers[id] = static_cast<int16_t>(n);
        }
    }
    return true;
}

}  // namespace msppkg
