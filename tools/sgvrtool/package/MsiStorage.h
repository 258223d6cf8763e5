#pragma once
// The Windows Installer layer over one storage of a compound file: encoded
// stream names, the string pool, tables stored column by column (a database)
// and row by row with change masks (a transform), and the summary
// information property set.
#include "CompoundFile.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace msppkg {

struct Cell {
    bool null = true;
    bool text = false;
    std::string s;
    int32_t i = 0;
};

struct Column {
    std::string name;
    uint16_t type = 0;  // the type word as _Columns holds it
};

struct Row {
    uint16_t mask = 0;        // transform rows: the change mask
    std::vector<Cell> cells;  // one per column; absent columns stay null
};

// Column type words, as in _Columns.
constexpr uint16_t kTypeKey = 0x2000;
constexpr uint16_t kTypeNullable = 0x1000;
uint16_t StringColumn(bool key = false);
uint16_t IntColumn(int size, bool key = false);

// Name of a stream as the installer encodes it; table streams carry a mark.
std::string DecodeStreamName(const std::u16string& encoded, bool& isTable);

class MsiStorage {
public:
    // storage: the entry of a storage in cf (0 for the package itself).
    // database: tables stored column by column, described by _Columns; a
    // transform (false) stores rows that need the target's columns.
    bool Open(const CompoundFile& cf, uint32_t storage, bool database, std::string& error);

    bool HasTable(const std::string& table) const { return tables_.count(table) != 0; }
    bool Stream(const std::string& name, std::vector<uint8_t>& out) const;
    std::vector<std::string> TableStreams() const;

    // Columns of a table per the storage's own _Columns (empty when it has none).
    std::vector<Column> Columns(const std::string& table) const { return ColumnsOf(table); }
    // A database table, stored column by column.
    bool ReadTable(const std::string& table, std::vector<Row>& rows, std::string& error) const;
    // A transform's rows for table, decoded with the given columns (those of
    // the target plus those the transform adds).
    bool ReadTransformRows(const std::string& table, const std::vector<Column>& columns, std::vector<Row>& rows,
                           std::string& error) const;

    // Summary information: strings (VT_LPSTR) and numbers by property id.
    bool Summary(std::map<uint32_t, std::string>& strings, std::map<uint32_t, int32_t>& numbers,
                 std::string& error) const;

private:
    std::vector<Column> ColumnsOf(const std::string& table) const;
    bool DecodeCell(const uint8_t* p, const Column& c, Cell& out) const;
    size_t CellSize(const Column& c) const;

    const CompoundFile* cf_ = nullptr;
    uint32_t storage_ = 0;
    std::map<std::string, uint32_t> streams_, tables_;
    std::vector<std::string> strings_;  // id n at index n; 0 is null
    size_t refSize_ = 2;
    std::map<std::string, std::vector<Column>> columns_;
};

}  // namespace msppkg
