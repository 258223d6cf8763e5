// The package reader and the lint against packages built byte by byte, so
// every requirement can be broken on its own, and damaged files must give a
// refusal, never a hang or a read past the end.
#include "CompoundFile.h"
#include "MsiStorage.h"
#include "PackageBuilder.h"
#include "PackageLint.h"
#include "PeResources.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace pkgtest;

namespace {

const char kGuid[] = "{A623E528-4926-4E76-92A1-A9220E993BE6}";
const char kProduct[] = "{D72DD679-A3EC-4FCF-AFAF-12E2552450B6}";
const uint8_t kPatchClass[16] = {0x86, 0x10, 0x0C, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46};
const uint8_t kTransformClass[16] = {0x82, 0x10, 0x0C, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46};

struct PatchSpec {
    std::string letter = "hf41";
    std::string platform = "Intel;1033";
    std::string display = "ZEP 8 private fix (Patch hf41)";
    std::string allowRemoval = "1";
    bool extendedType = true;
    int patchInfoRows = 1;
    bool reboot = false;
    std::string rebootCondition;
    int trailers = 1;
};

void Table(std::vector<CfbNode>& nodes, int storage, const std::string& name, const Bytes& data) {
    AddStream(nodes, storage, EncodeStreamName(name, true), data);
}

Bytes MakePatch(const PatchSpec& s) {
    std::vector<CfbNode> nodes(1);
    std::copy(kPatchClass, kPatchClass + 16, nodes[0].clsid);
    // The patch database: MsiPatchMetadata (Company, Property, Value), column by column.
    StringPool db;
    const std::vector<std::pair<std::string, std::string>> meta = {
        {"AllowRemoval", s.allowRemoval}, {"Classification", "Hotfix"}, {"DisplayName", s.display}};
    Bytes metadata;
    for (size_t i = 0; i < meta.size(); ++i) db.PutRef(metadata, "");
    for (const auto& m : meta) db.PutRef(metadata, m.first);
    for (const auto& m : meta) db.PutRef(metadata, m.second);
    Bytes columns;  // Table, Number, Name, Type: three rows, column by column
    for (int i = 0; i < 3; ++i) db.PutRef(columns, "MsiPatchMetadata");
    for (int i = 1; i <= 3; ++i) Put16(columns, 0x8000 + i);
    db.PutRef(columns, "Company");
    db.PutRef(columns, "Property");
    db.PutRef(columns, "Value");
    for (uint32_t type : {0x1D48u, 0x2D48u, 0x0F00u}) Put16(columns, 0x8000 + type);
    Bytes tables;
    db.PutRef(tables, "MsiPatchMetadata");
    Table(nodes, 0, "MsiPatchMetadata", metadata);
    Table(nodes, 0, "_Columns", columns);
    Table(nodes, 0, "_Tables", tables);
    AddStream(nodes, 0, u"\x05SummaryInformation",
              SummaryStream({{7, kProduct}, {8, ":T"}, {9, kGuid}}, {{15, 4}}));
    Table(nodes, 0, "_StringPool", db.PoolStream());
    Table(nodes, 0, "_StringData", db.DataStream());

    // The transform T: PatchInfo (a table it creates), the custom action, its sequence row.
    CfbNode t;
    t.name = u"T";
    t.type = 1;
    std::copy(kTransformClass, kTransformClass + 16, t.clsid);
    nodes.push_back(t);
    const int storage = static_cast<int>(nodes.size() - 1);
    nodes[0].children.push_back(storage);
    StringPool tp;
    Bytes tt, tc, pi, ca, seq;
    Put16(tt, (1 << 8) | 1);
    tp.PutRef(tt, "PatchInfo");
    const std::pair<const char*, uint32_t> patchInfoColumns[] = {{"PatchId", 0x2D48}, {"Letter", 0x0D48}};
    for (const auto& c : patchInfoColumns) {
        Put16(tc, (4 << 8) | 1);
        tp.PutRef(tc, "PatchInfo");
        Put16(tc, 0);
        tp.PutRef(tc, c.first);
        Put16(tc, 0x8000 + c.second);
    }
    for (int i = 0; i < s.patchInfoRows; ++i) {
        Put16(pi, (2 << 8) | 1);
        tp.PutRef(pi, i == 0 ? "a623e528-4926-4e76-92a1-a9220e993be6" : "00000000-0000-0000-0000-000000000001");
        tp.PutRef(pi, s.letter);
    }
    Put16(ca, ((s.extendedType ? 5 : 4) << 8) | 1);
    tp.PutRef(ca, "RegisterHotfixesInfo");
    Put16(ca, 0x8000 + 1);
    tp.PutRef(ca, "PatchDll");
    tp.PutRef(ca, "RegisterHotfixesInfo");
    if (s.extendedType) Put32(ca, 0x8000u ^ 0x80000000u);
    Put16(seq, (3 << 8) | 1);
    tp.PutRef(seq, "RegisterHotfixesInfo");
    tp.PutRef(seq, "");
    Put16(seq, 0x8000 + 1550);
    if (s.reboot) {
        Put16(seq, (3 << 8) | 1);
        tp.PutRef(seq, "ScheduleReboot");
        tp.PutRef(seq, s.rebootCondition);
        Put16(seq, 0x8000 + 6600);
    }
    Table(nodes, storage, "_Tables", tt);
    Table(nodes, storage, "_Columns", tc);
    Table(nodes, storage, "PatchInfo", pi);
    Table(nodes, storage, "CustomAction", ca);
    Table(nodes, storage, "InstallExecuteSequence", seq);
    AddStream(nodes, storage, EncodeStreamName("Binary.PatchDll", false), Bytes{'M', 'Z', 0x90, 0});
    AddStream(nodes, storage, u"\x05SummaryInformation",
              SummaryStream({{7, s.platform}, {9, std::string(kProduct) + "8.1.0.831;"}}, {}));
    Table(nodes, storage, "_StringPool", tp.PoolStream());
    Table(nodes, storage, "_StringData", tp.DataStream());

    Bytes file = BuildCompoundFile(nodes);
    for (int i = 0; i < s.trailers; ++i) {
        const std::string trailer = "\r\n;:" + std::string(88, 'A') + "%%";
        file.insert(file.end(), trailer.begin(), trailer.end());
    }
    return file;
}

msppkg::LintReport Lint(const Bytes& file, const std::string& platform = "x86") {
    msppkg::LintReport report;
    msppkg::LintPackage(file, {"hf41", kProduct, platform}, report);
    return report;
}

bool Reports(const msppkg::LintReport& r, const std::string& text) {
    for (const std::string& f : r.failures)
        if (f.find(text) != std::string::npos) return true;
    return false;
}

std::string Failures(const msppkg::LintReport& r) {
    std::string all;
    for (const std::string& f : r.failures) all += f + "\n";
    return all;
}

}  // namespace

TEST(PackageLintTest, AConformingPackagePassesAndReportsTheRemovalFlag) {
    const msppkg::LintReport r = Lint(MakePatch({}));
    EXPECT_TRUE(r.failures.empty()) << Failures(r);
    EXPECT_EQ(r.patchGuid, kGuid);
    EXPECT_EQ(r.platform, "x86");
    EXPECT_NE(std::find(r.notes.begin(), r.notes.end(),
                        "custom action RegisterHotfixesInfo: patch-uninstall action (ExtendedType 0x00008000)"),
              r.notes.end());
}

TEST(PackageLintTest, EachBrokenRequirementIsNamed) {
    PatchSpec unflagged;
    unflagged.extendedType = false;
    EXPECT_TRUE(Reports(Lint(MakePatch(unflagged)), "not marked as a patch-uninstall action"));

    PatchSpec reboot;
    reboot.reboot = true;
    reboot.rebootCondition = "REPLACEDINUSEFILES";
    EXPECT_TRUE(Reports(Lint(MakePatch(reboot)), "the reboot action ScheduleReboot runs without the condition"));
    reboot.rebootCondition = "REPLACEDINUSEFILES AND NOT INSTALLONREBOOT";
    EXPECT_TRUE(Lint(MakePatch(reboot)).failures.empty()) << Failures(Lint(MakePatch(reboot)));

    PatchSpec twoRows;
    twoRows.patchInfoRows = 2;
    EXPECT_TRUE(Reports(Lint(MakePatch(twoRows)), "2 PatchInfo rows"));

    PatchSpec letter;
    letter.letter = "hf27";
    EXPECT_TRUE(Reports(Lint(MakePatch(letter)), "PatchInfo Letter \"hf27\" is not the fix id \"hf41\""));

    PatchSpec removal;
    removal.allowRemoval = "0";
    EXPECT_TRUE(Reports(Lint(MakePatch(removal)), "AllowRemoval is \"0\""));

    PatchSpec display;
    display.display = "ZEP 8 private fix";
    EXPECT_TRUE(Reports(Lint(MakePatch(display)), "does not end in \"(Patch hf41)\""));

    EXPECT_TRUE(Reports(Lint(MakePatch({}), "x64"), "the package for x64;1033 (resource 102) must be"));
    PatchSpec platform;
    platform.platform = "Alpha;1033";
    EXPECT_TRUE(Reports(Lint(MakePatch(platform), ""), "is built for \"Alpha;1033\""));

    msppkg::LintReport other;
    msppkg::LintPackage(MakePatch({}), {"hf41", "{11111111-2222-3333-4444-555555555555}", "x86"}, other);
    EXPECT_TRUE(Reports(other, "does not target product {11111111-2222-3333-4444-555555555555}"));
    EXPECT_TRUE(Reports(other, "validates against"));
}

TEST(PackageLintTest, TrailersAreCounted) {
    PatchSpec none;
    none.trailers = 0;
    EXPECT_TRUE(Reports(Lint(MakePatch(none)), "not signed: no signature trailer"));
    PatchSpec two;
    two.trailers = 2;
    EXPECT_TRUE(Reports(Lint(MakePatch(two)), "signed 2 times"));
    Bytes junk = MakePatch(none);
    junk.insert(junk.end(), 10, 'x');
    EXPECT_TRUE(Reports(Lint(junk), "10 bytes after the compound file"));
}

TEST(PackageLintTest, DamagedFilesAreRefusedWithoutReadingPastTheEnd) {
    const Bytes good = MakePatch({});
    // Every prefix of the file: a verdict each time (ASan would catch a
    // read past the end in the instrumented build).
    for (size_t size = 0; size < good.size(); size += 97) {
        const Bytes cut(good.begin(), good.begin() + static_cast<long>(size));
        EXPECT_FALSE(Lint(cut).failures.empty()) << size;
    }
    EXPECT_TRUE(Reports(Lint(Bytes{'N', 'A', 'M', 'E', '='}), "not a compound file"));
}

TEST(CompoundFileTest, StreamsReadBackAndChainsThatLoopAreRefused) {
    std::vector<CfbNode> nodes(1);
    Bytes big(1300);
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<uint8_t>(i * 7);
    AddStream(nodes, 0, u"big", big);
    AddStream(nodes, 0, u"small", Bytes{1, 2, 3});
    Bytes file = BuildCompoundFile(nodes);
    msppkg::CompoundFile cf;
    std::string error;
    ASSERT_TRUE(cf.Open(file.data(), file.size(), error)) << error;
    EXPECT_EQ(cf.Extent(), file.size());
    Bytes out;
    ASSERT_TRUE(cf.ReadStream(cf.Find(0, u"big"), out, error)) << error;
    EXPECT_EQ(out, big);
    ASSERT_TRUE(cf.ReadStream(cf.Find(0, u"small"), out, error));
    EXPECT_EQ(out, (Bytes{1, 2, 3}));
    EXPECT_EQ(cf.Find(0, u"absent"), msppkg::CompoundFile::kNone);

    // The last sector of "big" points back to its first: a loop.
    const uint32_t first = FirstSectorOf(nodes, 1);
    Bytes looped = file;
    const size_t fatEntry = 512 + 4 * (first + 2);
    for (int i = 0; i < 4; ++i) looped[fatEntry + i] = static_cast<uint8_t>(first >> (8 * i));
    ASSERT_TRUE(cf.Open(looped.data(), looped.size(), error)) << error;
    EXPECT_FALSE(cf.ReadStream(cf.Find(0, u"big"), out, error));

    // A chain into a sector beyond the end of the file.
    Bytes beyond = file;
    for (int i = 0; i < 4; ++i) beyond[fatEntry + i] = static_cast<uint8_t>(0x7000u >> (8 * i));
    ASSERT_TRUE(cf.Open(beyond.data(), beyond.size(), error));
    EXPECT_FALSE(cf.ReadStream(cf.Find(0, u"big"), out, error));

    // Siblings pointing at each other: each child listed once.
    Bytes cyclic = file;
    const size_t smallEntry = 512 * 2 + 128 * 2;  // directory sector 1, entry 2
    cyclic[smallEntry + 0x48] = 1;
    for (int i = 1; i < 4; ++i) cyclic[smallEntry + 0x48 + i] = 0;
    ASSERT_TRUE(cf.Open(cyclic.data(), cyclic.size(), error));
    EXPECT_EQ(cf.Children(0).size(), 2u);
}

TEST(MsiStorageTest, TransformRowsFollowTheirMasks) {
    StringPool pool;
    pool.longRefs = true;  // 3-byte string references
    Bytes rows;
    // Whole row, then an update of column 2 only (keys always present), then
    // a deletion (mask 0: keys only).
    Put16(rows, (3 << 8) | 1);
    pool.PutRef(rows, "Key1");
    pool.PutRef(rows, "first");
    Put32(rows, 7u ^ 0x80000000u);
    Put16(rows, 1u << 2);
    pool.PutRef(rows, "Key2");
    Put32(rows, static_cast<uint32_t>(-5) ^ 0x80000000u);
    Put16(rows, 0);
    pool.PutRef(rows, "Key3");
    std::vector<CfbNode> nodes(1);
    AddStream(nodes, 0, EncodeStreamName("Things", true), rows);
    AddStream(nodes, 0, EncodeStreamName("_StringPool", true), pool.PoolStream());
    AddStream(nodes, 0, EncodeStreamName("_StringData", true), pool.DataStream());
    const Bytes file = BuildCompoundFile(nodes);
    msppkg::CompoundFile cf;
    std::string error;
    ASSERT_TRUE(cf.Open(file.data(), file.size(), error));
    msppkg::MsiStorage t;
    ASSERT_TRUE(t.Open(cf, 0, false, error)) << error;
    const std::vector<msppkg::Column> columns = {
        {"Key", msppkg::StringColumn(true)}, {"Text", msppkg::StringColumn()}, {"Number", msppkg::IntColumn(4)}};
    std::vector<msppkg::Row> out;
    ASSERT_TRUE(t.ReadTransformRows("Things", columns, out, error)) << error;
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0].cells[0].s, "Key1");
    EXPECT_EQ(out[0].cells[1].s, "first");
    EXPECT_EQ(out[0].cells[2].i, 7);
    EXPECT_EQ(out[1].cells[0].s, "Key2");
    EXPECT_TRUE(out[1].cells[1].null);
    EXPECT_EQ(out[1].cells[2].i, -5);
    EXPECT_EQ(out[2].cells[0].s, "Key3");
    EXPECT_TRUE(out[2].cells[2].null);

    // One byte short: the last row is refused as cut short.
    Bytes cut = rows;
    cut.resize(cut.size() - 1);
    std::vector<CfbNode> damaged(1);
    AddStream(damaged, 0, EncodeStreamName("Things", true), cut);
    AddStream(damaged, 0, EncodeStreamName("_StringPool", true), pool.PoolStream());
    AddStream(damaged, 0, EncodeStreamName("_StringData", true), pool.DataStream());
    const Bytes damagedFile = BuildCompoundFile(damaged);
    ASSERT_TRUE(cf.Open(damagedFile.data(), damagedFile.size(), error));
    ASSERT_TRUE(t.Open(cf, 0, false, error));
    EXPECT_FALSE(t.ReadTransformRows("Things", columns, out, error));
    EXPECT_NE(error.find("cut short"), std::string::npos) << error;
}

TEST(MsiStorageTest, StreamNamesDecode) {
    bool table = false;
    EXPECT_EQ(msppkg::DecodeStreamName(EncodeStreamName("_StringPool", true), table), "_StringPool");
    EXPECT_TRUE(table);
    EXPECT_EQ(msppkg::DecodeStreamName(EncodeStreamName("Binary.PatchDll", false), table), "Binary.PatchDll");
    EXPECT_FALSE(table);
    EXPECT_EQ(msppkg::DecodeStreamName(u"\x05SummaryInformation", table), "\x05SummaryInformation");
}

namespace {

// A PE32 image with one section holding a resource tree:
// type "PATCHDATA" -> id 101 -> language 0 -> data.
Bytes MakePe(const Bytes& payload, uint32_t id) {
    Bytes rsrc;
    auto dir = [&](uint16_t named, uint16_t ids) {
        Put32(rsrc, 0);
        Put32(rsrc, 0);
        Put16(rsrc, 0);
        Put16(rsrc, 0);
        Put16(rsrc, named);
        Put16(rsrc, ids);
    };
    // 0: root, 24: name dir, 48: language dir, 72: data entry, 88: name, 112: data
    dir(1, 0);
    Put32(rsrc, 0x80000000u | 88);
    Put32(rsrc, 0x80000000u | 24);
    dir(0, 1);
    Put32(rsrc, id);
    Put32(rsrc, 0x80000000u | 48);
    dir(0, 1);
    Put32(rsrc, 0);
    Put32(rsrc, 72);
    Put32(rsrc, 0x1000 + 112);
    Put32(rsrc, static_cast<uint32_t>(payload.size()));
    Put32(rsrc, 0);
    Put32(rsrc, 0);
    const std::u16string type = u"PATCHDATA";
    Put16(rsrc, static_cast<uint32_t>(type.size()));
    for (char16_t c : type) Put16(rsrc, c);
    rsrc.resize(112, 0);
    rsrc.insert(rsrc.end(), payload.begin(), payload.end());

    Bytes pe(0x200, 0);
    pe[0] = 'M';
    pe[1] = 'Z';
    pe[0x3C] = 0x40;
    const char sig[] = {'P', 'E', 0, 0};
    std::copy(sig, sig + 4, pe.begin() + 0x40);
    auto set16 = [&](size_t at, uint16_t v) { pe[at] = v & 0xFF; pe[at + 1] = v >> 8; };
    auto set32 = [&](size_t at, uint32_t v) { for (int i = 0; i < 4; ++i) pe[at + i] = (v >> (8 * i)) & 0xFF; };
    set16(0x44, 0x14C);
    set16(0x46, 1);
    set16(0x54, 224);  // optional header size
    set16(0x58, 0x10B);
    const size_t dirs = 0x58 + 96;
    set32(dirs + 16, 0x1000);
    set32(dirs + 20, static_cast<uint32_t>(rsrc.size()));
    const size_t section = 0x58 + 224;
    set32(section + 8, static_cast<uint32_t>(rsrc.size()));
    set32(section + 12, 0x1000);
    set32(section + 16, static_cast<uint32_t>(rsrc.size()));
    set32(section + 20, 0x200);
    pe.resize(0x200 + rsrc.size());
    std::copy(rsrc.begin(), rsrc.end(), pe.begin() + 0x200);
    return pe;
}

}  // namespace

TEST(PeResourcesTest, FindsTheResourceByTypeNameAndId) {
    const Bytes payload = {'d', 'a', 't', 'a'};
    const Bytes pe = MakePe(payload, 101);
    Bytes out;
    std::string error;
    ASSERT_TRUE(msppkg::FindResource(pe, u"PATCHDATA", 101, out, error)) << error;
    EXPECT_EQ(out, payload);
    EXPECT_FALSE(msppkg::FindResource(pe, u"PATCHDATA", 102, out, error));
    EXPECT_FALSE(msppkg::FindResource(pe, u"OTHER", 101, out, error));
    // A data entry whose size runs past the file.
    Bytes longer = pe;
    longer[0x200 + 72 + 4] = 0xFF;
    longer[0x200 + 72 + 5] = 0xFF;
    EXPECT_FALSE(msppkg::FindResource(longer, u"PATCHDATA", 101, out, error));
    for (size_t size = 0; size < pe.size(); size += 13)
        EXPECT_FALSE(msppkg::FindResource(Bytes(pe.begin(), pe.begin() + static_cast<long>(size)), u"PATCHDATA", 101,
                                          out, error));
}
