#include "PackageLint.h"

#include "CompoundFile.h"
#include "MsiStorage.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>

namespace msppkg {
namespace {

const uint8_t kPatchClass[16] = {0x86, 0x10, 0x0C, 0x00, 0x00, 0x00, 0x00, 0x00,
                                 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
const uint8_t kTransformClass[16] = {0x82, 0x10, 0x0C, 0x00, 0x00, 0x00, 0x00, 0x00,
                                     0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
const char kEntry[] = "RegisterHotfixesInfo";

constexpr uint32_t kPidTemplate = 7, kPidLastAuthor = 8, kPidRevision = 9;

std::u16string Wide(const std::string& s) { return std::u16string(s.begin(), s.end()); }

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string Hex(int32_t v) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(v));
    return text;
}

bool IsGuid(const std::string& s) {
    if (s.size() != 38 || s.front() != '{' || s.back() != '}') return false;
    for (size_t i = 1; i < 37; ++i) {
        const bool dash = i == 9 || i == 14 || i == 19 || i == 24;
        if (dash ? s[i] != '-' : !std::isxdigit(static_cast<unsigned char>(s[i]))) return false;
    }
    return true;
}

// Splits "a;b;c".
std::vector<std::string> Split(const std::string& s, char by) {
    std::vector<std::string> out;
    size_t start = 0;
    for (;;) {
        const size_t end = s.find(by, start);
        out.push_back(s.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) return out;
        start = end + 1;
    }
}

// Columns of a table in a transform: the standard columns of the target's
// table, then those the transform adds in its own _Columns.
std::vector<Column> TransformColumns(const MsiStorage& t, const std::string& table, std::vector<Column> standard,
                                     std::string& error) {
    const std::vector<Column> meta = {
        {"Table", StringColumn(true)}, {"Number", IntColumn(2, true)}, {"Name", StringColumn()}, {"Type", IntColumn(2)}};
    std::vector<Row> rows;
    if (!t.ReadTransformRows("_Columns", meta, rows, error)) return {};
    std::vector<Column> added;
    for (const Row& r : rows)
        if (r.cells[0].s == table && !r.cells[2].null) added.push_back({r.cells[2].s, static_cast<uint16_t>(r.cells[3].i)});
    // A table the transform creates is described by the transform alone.
    std::vector<Row> tables;
    if (!t.ReadTransformRows("_Tables", {{"Name", StringColumn(true)}}, tables, error)) return {};
    for (const Row& r : tables)
        if (r.cells[0].s == table) return added;
    for (const Column& c : added) {
        bool known = false;
        for (const Column& s : standard) known = known || s.name == c.name;
        if (!known) standard.push_back(c);
    }
    return standard;
}

int Index(const std::vector<Column>& columns, const std::string& name) {
    for (size_t i = 0; i < columns.size(); ++i)
        if (columns[i].name == name) return static_cast<int>(i);
    return -1;
}

struct Transform {
    std::string name;
    MsiStorage storage;
};

void CheckTrailer(const std::vector<uint8_t>& bytes, const CompoundFile& cf, LintReport& r) {
    const uint64_t extent = cf.Extent();
    if (extent > bytes.size()) {
        r.failures.push_back("the compound file is cut short (" + std::to_string(bytes.size()) + " of " +
                             std::to_string(extent) + " bytes)");
        return;
    }
    const uint64_t after = bytes.size() - extent;
    if (after == 0) {
        r.failures.push_back("not signed: no signature trailer after the compound file");
    } else if (after == kTrailerSize && EndsInTrailer(bytes.data(), bytes.size())) {
        r.notes.push_back("one 94-byte signature trailer after the compound file");
    } else if (after % kTrailerSize == 0 && EndsInTrailer(bytes.data(), bytes.size()) &&
               EndsInTrailer(bytes.data(), bytes.size() - kTrailerSize)) {
        r.failures.push_back("signed " + std::to_string(after / kTrailerSize) +
                             " times: more than one signature trailer after the compound file");
    } else {
        r.failures.push_back(std::to_string(after) +
                             " bytes after the compound file where exactly one 94-byte signature trailer belongs");
    }
}

void CheckMetadata(const MsiStorage& db, const LintOptions& o, LintReport& r) {
    std::vector<Row> rows;
    std::string error;
    if (!db.ReadTable("MsiPatchMetadata", rows, error)) {
        r.failures.push_back("no readable MsiPatchMetadata table (" + error + ")");
        return;
    }
    const std::vector<Column> cols = db.Columns("MsiPatchMetadata");
    const int company = Index(cols, "Company"), property = Index(cols, "Property"), value = Index(cols, "Value");
    if (property < 0 || value < 0) {
        r.failures.push_back("MsiPatchMetadata lacks its Property or Value column");
        return;
    }
    std::map<std::string, std::string> meta;
    for (const Row& row : rows)
        if (company < 0 || row.cells[company].null) meta[row.cells[property].s] = row.cells[value].s;
    if (meta["AllowRemoval"] != "1")
        r.failures.push_back("patch metadata AllowRemoval is \"" + meta["AllowRemoval"] + "\", not \"1\" (the patch "
                             "could not be removed)");
    if (meta["Classification"] != "Hotfix")
        r.failures.push_back("patch metadata Classification is \"" + meta["Classification"] + "\", not \"Hotfix\"");
    const std::string suffix = "(Patch " + o.fixId + ")";
    const std::string& display = meta["DisplayName"];
    if (display.size() < suffix.size() || display.compare(display.size() - suffix.size(), suffix.size(), suffix) != 0)
        r.failures.push_back("patch metadata DisplayName \"" + display + "\" does not end in \"" + suffix + "\"");
    else
        r.notes.push_back("display name \"" + display + "\"");
}

void CheckPatchInfo(const Transform& t, const LintOptions& o, const std::string& guid, LintReport& r) {
    std::string error;
    const std::vector<Column> cols =
        TransformColumns(t.storage, "PatchInfo", {{"PatchId", StringColumn(true)}, {"Letter", StringColumn()}}, error);
    std::vector<Row> rows;
    if (cols.empty() || !t.storage.ReadTransformRows("PatchInfo", cols, rows, error)) {
        r.failures.push_back("transform " + t.name + ": PatchInfo unreadable (" + error + ")");
        return;
    }
    const int id = Index(cols, "PatchId"), letter = Index(cols, "Letter");
    if (rows.size() != 1 || id < 0 || letter < 0) {
        r.failures.push_back("transform " + t.name + ": " + std::to_string(rows.size()) +
                             " PatchInfo rows, where the custom action needs exactly one");
        return;
    }
    std::string expected = guid.size() == 38 ? Lower(guid.substr(1, 36)) : std::string();
    if (rows[0].cells[id].s != expected)
        r.failures.push_back("PatchInfo PatchId \"" + rows[0].cells[id].s + "\" is not the patch GUID in lower case "
                             "without braces (\"" + expected + "\")");
    if (rows[0].cells[letter].s != o.fixId)
        r.failures.push_back("PatchInfo Letter \"" + rows[0].cells[letter].s + "\" is not the fix id \"" + o.fixId + "\"");
    if (rows[0].cells[id].s == expected && rows[0].cells[letter].s == o.fixId)
        r.notes.push_back("PatchInfo " + expected + " = " + o.fixId);
}

// The custom action and, where present, the reboot actions, over every transform.
void CheckActions(const std::vector<Transform>& transforms, LintReport& r) {
    bool found = false, scheduled = false;
    for (const Transform& t : transforms) {
        std::string error;
        const std::vector<Column> ca = TransformColumns(t.storage, "CustomAction",
                                                        {{"Action", StringColumn(true)},
                                                         {"Type", IntColumn(2)},
                                                         {"Source", StringColumn()},
                                                         {"Target", StringColumn()},
                                                         {"ExtendedType", IntColumn(4)}},
                                                        error);
        std::vector<Row> rows;
        if (ca.empty() || !t.storage.ReadTransformRows("CustomAction", ca, rows, error)) {
            r.failures.push_back("transform " + t.name + ": CustomAction unreadable (" + error + ")");
            continue;
        }
        for (const Row& row : rows) {
            if (row.cells[0].s != kEntry) continue;
            found = true;
            const int type = Index(ca, "Type"), source = Index(ca, "Source"), target = Index(ca, "Target");
            const int extended = Index(ca, "ExtendedType");
            if (type < 0 || row.cells[type].null || (row.cells[type].i & 0x3F) != 1)
                r.failures.push_back("custom action RegisterHotfixesInfo is not a DLL in the Binary table (type " +
                                     (type < 0 || row.cells[type].null ? std::string("null") : std::to_string(row.cells[type].i)) + ")");
            if (target < 0 || row.cells[target].s != kEntry)
                r.failures.push_back("custom action RegisterHotfixesInfo does not call the entry RegisterHotfixesInfo");
            std::vector<uint8_t> dll;
            if (source < 0 || !t.storage.Stream("Binary." + row.cells[source].s, dll) || dll.size() < 2 ||
                dll[0] != 'M' || dll[1] != 'Z')
                r.failures.push_back("transform " + t.name + ": no custom-action library (Binary." +
                                     (source < 0 ? std::string() : row.cells[source].s) + ") for RegisterHotfixesInfo");
            // A cell the row does not carry reads as null.
            const bool flagged =
                extended >= 0 && !row.cells[extended].null && (row.cells[extended].i & kPatchUninstallFlag);
            if (flagged)
                r.notes.push_back("custom action RegisterHotfixesInfo: patch-uninstall action (ExtendedType " +
                                  Hex(row.cells[extended].i) + ")");
            else
                r.failures.push_back("custom action RegisterHotfixesInfo is not marked as a patch-uninstall action "
                                     "(ExtendedType 0x00008000): Windows Installer would not run it when the patch "
                                     "is removed");
        }
        const std::vector<Column> seq = TransformColumns(
            t.storage, "InstallExecuteSequence",
            {{"Action", StringColumn(true)}, {"Condition", StringColumn()}, {"Sequence", IntColumn(2)}}, error);
        if (seq.empty() || !t.storage.ReadTransformRows("InstallExecuteSequence", seq, rows, error)) {
            r.failures.push_back("transform " + t.name + ": InstallExecuteSequence unreadable (" + error + ")");
            continue;
        }
        for (const Row& row : rows) {
            const std::string& action = row.cells[0].s;
            if (action == kEntry) scheduled = true;
            if (action == "ScheduleReboot" || action == "ForceReboot") {
                const std::string condition = Upper(row.cells[1].s);
                if (condition.find("NOT INSTALLONREBOOT") == std::string::npos)
                    r.failures.push_back("the reboot action " + action + " runs without the condition NOT "
                                         "INSTALLONREBOOT (condition \"" + row.cells[1].s + "\")");
                else
                    r.notes.push_back("reboot action " + action + " under \"" + row.cells[1].s + "\"");
            }
        }
    }
    if (!found) r.failures.push_back("no custom action RegisterHotfixesInfo in the transforms");
    else if (!scheduled) r.failures.push_back("custom action RegisterHotfixesInfo is not in InstallExecuteSequence");
}

}  // namespace

bool EndsInTrailer(const uint8_t* data, size_t size) {
    if (size < kTrailerSize) return false;
    const uint8_t* t = data + size - kTrailerSize;
    return t[0] == '\r' && t[1] == '\n' && t[2] == ';' && t[3] == ':' && t[92] == '%' && t[93] == '%';
}

void LintPackage(const std::vector<uint8_t>& bytes, const LintOptions& o, LintReport& r) {
    CompoundFile cf;
    std::string error;
    if (!cf.Open(bytes.data(), bytes.size(), error)) {
        r.failures.push_back(error);
        return;
    }
    CheckTrailer(bytes, cf, r);
    if (!std::equal(kPatchClass, kPatchClass + 16, cf.Entries()[0].clsid))
        r.failures.push_back("the root storage does not carry the patch class id {000C1086-0000-0000-C000-000000000046}");
    MsiStorage db;
    if (!db.Open(cf, 0, true, error)) {
        r.failures.push_back("not an installer database: " + error);
        return;
    }
    std::map<uint32_t, std::string> strings;
    std::map<uint32_t, int32_t> numbers;
    if (!db.Summary(strings, numbers, error)) {
        r.failures.push_back(error);
        return;
    }
    r.patchGuid = strings[kPidRevision];
    if (!IsGuid(r.patchGuid) || Upper(r.patchGuid) != r.patchGuid)
        r.failures.push_back("summary information revision number \"" + r.patchGuid +
                             "\" is no patch GUID in braces, upper case");
    else
        r.notes.push_back("patch GUID " + r.patchGuid);
    const std::vector<std::string> targets = Split(strings[kPidTemplate], ';');
    if (std::find(targets.begin(), targets.end(), Upper(o.productCode)) == targets.end())
        r.failures.push_back("the package does not target product " + o.productCode + " (targets \"" +
                             strings[kPidTemplate] + "\")");
    CheckMetadata(db, o, r);

    // The transforms named in LastAuthor: ":upgrade;:#patch".
    std::vector<Transform> transforms;
    for (const std::string& item : Split(strings[kPidLastAuthor], ';')) {
        const std::string name = !item.empty() && item[0] == ':' ? item.substr(1) : item;
        const uint32_t entry = cf.Find(0, Wide(name));
        if (name.empty() || entry == CompoundFile::kNone || cf.Entries()[entry].type != 1) {
            r.failures.push_back("no transform storage \"" + name + "\" as the summary information names");
            continue;
        }
        if (!std::equal(kTransformClass, kTransformClass + 16, cf.Entries()[entry].clsid))
            r.failures.push_back("transform " + name + " does not carry the transform class id");
        Transform t{name, MsiStorage()};
        if (!t.storage.Open(cf, entry, false, error)) {
            r.failures.push_back("transform " + name + ": " + error);
            continue;
        }
        transforms.push_back(std::move(t));
    }
    if (transforms.empty()) {
        r.failures.push_back("no transforms");
        return;
    }
    for (const Transform& t : transforms) {
        std::map<uint32_t, std::string> ts;
        std::map<uint32_t, int32_t> tn;
        if (!t.storage.Summary(ts, tn, error)) {
            r.failures.push_back("transform " + t.name + ": " + error);
            continue;
        }
        const std::string& platform = ts[kPidTemplate];
        const std::string found = platform == "Intel;1033" ? "x86" : platform == "x64;1033" ? "x64" : "";
        if (found.empty())
            r.failures.push_back("transform " + t.name + " is built for \"" + platform +
                                 "\", not Intel;1033 or x64;1033");
        else if (!o.platform.empty() && found != o.platform)
            r.failures.push_back("transform " + t.name + " is built for " + platform + ", the package for " +
                                 (o.platform == "x86" ? "Intel;1033 (resource 101)" : "x64;1033 (resource 102)") +
                                 " must be");
        if (r.platform.empty()) r.platform = found;
        if (Upper(ts[kPidRevision]).compare(0, 38, Upper(o.productCode)) != 0)
            r.failures.push_back("transform " + t.name + " validates against \"" + ts[kPidRevision].substr(0, 38) +
                                 "\", not product " + o.productCode);
    }
    if (!r.platform.empty()) r.notes.push_back("platform " + std::string(r.platform == "x86" ? "Intel;1033" : "x64;1033"));
    CheckPatchInfo(transforms[0], o, r.patchGuid, r);
    CheckActions(transforms, r);
}

}  // namespace msppkg
