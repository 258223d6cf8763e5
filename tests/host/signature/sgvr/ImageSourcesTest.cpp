// Where an image's bytes come from (the buffer, a read callback, the
// file-access interface), what happens when memory runs out, and that every
// block the library takes comes back.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

#include "arith/GostHash.h"
#include "arith/ObjectHashes.h"
#include "sgvr/ImageHashing.h"
#include "TestPki.h"

using namespace sgvrtest;

namespace {

const Bytes kContent(70000, 0x61);  // more than two read chunks

SGVR_RESULT ReadFromBuffer(uintptr_t user, const void* buffer, uint32_t offset, void* dest, uint32_t length,
                           uint32_t* read) {
    if (user == 1) return SGVR_E_FILE_READ;  // the callback fails
    std::memcpy(dest, static_cast<const uint8_t*>(buffer) + offset, length);
    *read = length;
    return SGVR_OK;
}

// A file-access interface over a map of names to contents, with switches for failures.
struct FakeFiles {
    std::map<std::string, Bytes> files;
    bool failSize = false, failRead = false;
    int released = 0, open = 0;

    static int Open(void* self, const void* name, uint32_t size, void** file) {
        auto* f = static_cast<FakeFiles*>(self);
        auto it = f->files.find(std::string(static_cast<const char*>(name), size));
        if (it == f->files.end()) return 1;
        ++f->open;
        *file = &it->second;
        return 0;
    }
    static int Size(void* self, void* file, uint32_t* size) {
        if (static_cast<FakeFiles*>(self)->failSize) return 1;
        *size = static_cast<uint32_t>(static_cast<Bytes*>(file)->size());
        return 0;
    }
    static int Read(void* self, void* file, uint32_t offset, void* dest, uint32_t length, uint32_t* read) {
        if (static_cast<FakeFiles*>(self)->failRead) return 1;
        std::memcpy(dest, static_cast<Bytes*>(file)->data() + offset, length);
        *read = length;
        return 0;
    }
    static void Close(void* self, void*) { --static_cast<FakeFiles*>(self)->open; }
    static void Release(void* self) { ++static_cast<FakeFiles*>(self)->released; }

    SGVR_FileAccess Interface() { return {this, Open, Size, Read, Close, Release}; }
};

}  // namespace

TEST(ImageSources, ReadCallbackSuppliesTheBytes) {
    Hierarchy h;
    SGVR_CONTEXT context = NewContext();
    List regs;
    regs.AddRegistry(h.Root());
    regs.AddRegistry(h.Intermediate());
    ASSERT_EQ(SGVR_PrepareRegsSet(context, regs, 0), SGVR_OK);
    const Bytes pkg = Signed(kContent, h.oper);
    List objects;
    SGVR_ENTRY good = SGVR_ParList_AddObjectBuffer(objects, 0, pkg.data(), static_cast<uint32_t>(pkg.size()),
                                                   ReadFromBuffer, 0);
    SGVR_ENTRY bad = SGVR_ParList_AddObjectBuffer(objects, 0, pkg.data(), static_cast<uint32_t>(pkg.size()),
                                                  ReadFromBuffer, 1);
    EXPECT_EQ(SGVR_CheckObjects(context, objects, 0), SGVR_E_CONSISTENCY);
    EXPECT_EQ(objects.Status(good), SGVR_OK);
    EXPECT_EQ(objects.Status(bad), SGVR_E_READ_CALLBACK);
    SGVR_DestroyContext(context, 1);
}

TEST(ImageSources, FileEntriesGoThroughTheFileAccessInterface) {
    Hierarchy h;
    FakeFiles files;
    files.files["tl.pbv"] = h.Root();
    files.files["oper.pbv"] = h.Intermediate();
    files.files["pkg"] = Signed(kContent, h.oper);
    files.files["empty"] = Bytes();
    SGVR_FileAccess access = files.Interface();
    SGVR_CONTEXT context = SGVR_CreateContext(memory::Alloc, memory::Free, &access, 1);
    ASSERT_NE(context, nullptr);

    List regs;
    SGVR_ParList_AddRegistryFile(regs, 0, "tl.pbv", 6);
    SGVR_ParList_AddRegistryFile(regs, 0, "oper.pbv", 8);
    ASSERT_EQ(SGVR_PrepareRegsSet(context, regs, 0), SGVR_OK);

    List objects;
    SGVR_ENTRY good = SGVR_ParList_AddObjectFile(objects, 0, "pkg", 3);
    SGVR_ENTRY missing = SGVR_ParList_AddObjectFile(objects, 0, "nope", 4);
    SGVR_ENTRY empty = SGVR_ParList_AddObjectFile(objects, 0, "empty", 5);
    EXPECT_EQ(SGVR_CheckObjects(context, objects, 0), SGVR_E_CONSISTENCY);
    EXPECT_EQ(objects.Status(good), SGVR_OK);
    EXPECT_EQ(objects.Status(missing), SGVR_E_FILE_OPEN);
    EXPECT_EQ(objects.Status(empty), SGVR_E_IMAGE_MISSING);
    EXPECT_EQ(files.open, 0);  // every file opened was closed

    files.failSize = true;
    List sized;
    SGVR_ENTRY s = SGVR_ParList_AddObjectFile(sized, 0, "pkg", 3);
    EXPECT_EQ(SGVR_CheckObjects(context, sized, 0), SGVR_E_CONSISTENCY);
    EXPECT_EQ(sized.Status(s), SGVR_E_FILE_SIZE);
    files.failSize = false;
    files.failRead = true;
    List read;
    SGVR_ENTRY r = SGVR_ParList_AddObjectFile(read, 0, "pkg", 3);
    EXPECT_EQ(SGVR_CheckObjects(context, read, 0), SGVR_E_CONSISTENCY);
    EXPECT_EQ(read.Status(r), SGVR_E_FILE_READ);

    SGVR_DestroyContext(context, 1);
    EXPECT_EQ(files.released, 1);

    // Without the interface a file entry cannot be read at all.
    SGVR_CONTEXT plain = NewContext();
    List none;
    SGVR_ENTRY n = SGVR_ParList_AddObjectFile(none, 0, "pkg", 3);
    EXPECT_EQ(SGVR_CheckObjects(plain, none, 0), SGVR_E_CONSISTENCY);
    EXPECT_EQ(none.Status(n), SGVR_E_NO_FILE_ACCESS);
    SGVR_DestroyContext(plain, 1);
}

TEST(ImageSources, NoMemoryForAHashContext) {
    Hierarchy h;
    SGVR_CONTEXT context = NewContext();
    List regs;
    regs.AddRegistry(h.Root());
    regs.AddRegistry(h.Intermediate());
    ASSERT_EQ(SGVR_PrepareRegsSet(context, regs, 0), SGVR_OK);
    List objects;
    SGVR_ENTRY e = objects.AddObject(Signed(kContent, h.oper));
    memory::refuseSize = sizeof(sgvr::CSignedHasher);
    EXPECT_EQ(SGVR_CheckObjects(context, objects, 0), SGVR_E_CONSISTENCY);
    memory::Reset();
    EXPECT_EQ(objects.Status(e), SGVR_E_HASH_NO_MEMORY);
    SGVR_DestroyContext(context, 1);
}

// Every allocation of a whole check refused in turn: each run ends with a
// clean answer and gives back everything it took.
TEST(ImageSources, RefusedAllocationAtEveryPointLeaksNothing) {
    Hierarchy h;
    const Bytes root = h.Root(), inter = h.Intermediate();
    const Bytes third = Signed(RegistryBuilder(h.thirdId).HashList(h.thirdId, {IdentifyingHash(kContent)}).Image(),
                               h.oper);
    const Bytes pkg = Signed(Bytes(5000, 1), h.oper, {NameBytes(u"p")});
    const long before = memory::live;
    long total = -1;
    for (long refuse = 0;; ++refuse) {
        memory::Reset();
        memory::refuseAfter = refuse;
        SGVR_CONTEXT context = NewContext();
        SGVR_RESULT prepared = 0, checked = 0;
        if (context != nullptr) {
            SGVR_PARLIST regs = nullptr, objects = nullptr;
            if (SGVR_ParList_Create(&regs) == SGVR_OK) {
                SGVR_ParList_AddRegistryBuffer(regs, 0, root.data(), static_cast<uint32_t>(root.size()), nullptr, 0);
                SGVR_ParList_AddRegistryBuffer(regs, 0, inter.data(), static_cast<uint32_t>(inter.size()), nullptr, 0);
                SGVR_ParList_AddRegistryBuffer(regs, 0, third.data(), static_cast<uint32_t>(third.size()), nullptr, 0);
                prepared = SGVR_PrepareRegsSet(context, regs, 0);
                if (SGVR_ParList_Create(&objects) == SGVR_OK) {
                    SGVR_ENTRY e = SGVR_ParList_AddObjectBuffer(objects, 0, pkg.data(),
                                                                static_cast<uint32_t>(pkg.size()), nullptr, 0);
                    if (e != nullptr) SGVR_ParList_SetObjectName(objects, e, "p\0\0", 4);
                    SGVR_ParList_AddObjectBuffer(objects, 0, kContent.data(), static_cast<uint32_t>(kContent.size()),
                                                 nullptr, 0);
                    checked = SGVR_CheckObjects(context, objects, 0);
                    SGVR_ParList_Destroy(objects);
                }
                SGVR_ParList_Destroy(regs);
            }
            SGVR_DestroyContext(context, 1);
        }
        const bool complete = memory::count <= refuse;
        memory::Reset();
        ASSERT_EQ(memory::live, before) << "allocation " << refuse << " refused";
        if (complete) {
            EXPECT_EQ(prepared, SGVR_OK);
            EXPECT_EQ(checked, SGVR_OK);
            total = refuse;
            break;
        }
        for (SGVR_RESULT r : {prepared, checked})
            EXPECT_TRUE(r == 0 || r == SGVR_OK || r == SGVR_E_NO_MEMORY || r == SGVR_E_CONSISTENCY ||
                        r == SGVR_E_NO_OBJECT || r == SGVR_E_NO_MATCH || r == SGVR_E_IMAGE_UNREADABLE ||
                        r == SGVR_E_HASH_NO_MEMORY)
                << std::hex << r << " at allocation " << std::dec << refuse;
    }
    EXPECT_GT(total, 50);
}

namespace {

// An image whose bytes change after the first pass over them: the first read
// at offset 0 (and the reads after it) see `first`, every later pass `later`.
struct Shifting {
    Bytes first, later;
    int passes = 0;
    uint32_t longestRead = 0;

    uint32_t Read(uint32_t offset, void* dest, uint32_t length) {
        if (offset == 0) ++passes;
        if (length > longestRead) longestRead = length;
        const Bytes& b = passes <= 1 ? first : later;
        if (offset > b.size() || length > b.size() - offset) return 1;
        std::memcpy(dest, b.data() + offset, length);
        return 0;
    }
    static SGVR_RESULT Callback(uintptr_t user, const void*, uint32_t offset, void* dest, uint32_t length,
                                uint32_t* read) {
        if (reinterpret_cast<Shifting*>(user)->Read(offset, dest, length) != 0) return SGVR_E_FILE_READ;
        *read = length;
        return SGVR_OK;
    }
    // The same image as the one file of a file-access interface.
    static int Open(void* self, const void*, uint32_t, void** file) {
        *file = self;
        return 0;
    }
    static int Size(void* self, void*, uint32_t* size) {
        *size = static_cast<uint32_t>(static_cast<Shifting*>(self)->first.size());
        return 0;
    }
    static int ReadFile(void* self, void*, uint32_t offset, void* dest, uint32_t length, uint32_t* read) {
        if (static_cast<Shifting*>(self)->Read(offset, dest, length) != 0) return 1;
        *read = length;
        return 0;
    }
    static void Close(void*, void*) {}
};

}  // namespace

// The tree that is trusted must be the tree whose bytes were verified: an
// intermediate registry served first with a planted tree (carrying the genuine
// trailer) and then with the genuine bytes must not lend the planted tree the
// genuine signature, through a read callback or through the file interface.
TEST(ImageSources, ARegistryIsReadOnceSoChangingBytesCannotBorrowASignature) {
    Hierarchy h;
    const KeyPair planted = NewKey();
    const Bytes genuine = Signed(RegistryBuilder(0x7FFFFA).Key(h.oper, h.thirdId).Image(true), h.tl);
    Bytes forged = RegistryBuilder(0x7FFFFA).Key(planted, h.thirdId).Image(true);
    ASSERT_EQ(forged.size() + sgvr::kTrailerSize, genuine.size());
    forged.insert(forged.end(), genuine.end() - sgvr::kTrailerSize, genuine.end());
    const Bytes byPlanted = Signed(kContent, planted), byOper = Signed(kContent, h.oper);

    for (const bool throughFiles : {false, true}) {
        for (const bool forgedFirst : {true, false}) {
            SCOPED_TRACE(std::string(throughFiles ? "file interface" : "read callback") +
                         (forgedFirst ? ", planted tree first" : ", genuine bytes first"));
            Shifting inter{forgedFirst ? forged : genuine, forgedFirst ? genuine : forged};
            SGVR_FileAccess access{&inter, Shifting::Open, Shifting::Size, Shifting::ReadFile, Shifting::Close, nullptr};
            SGVR_CONTEXT context = SGVR_CreateContext(memory::Alloc, memory::Free, throughFiles ? &access : nullptr, 1);
            ASSERT_NE(context, nullptr);
            List regs;
            regs.AddRegistry(h.Root());
            SGVR_ENTRY e = throughFiles ? SGVR_ParList_AddRegistryFile(regs, 0, "oper.pbv", 8)
                                        : SGVR_ParList_AddRegistryBuffer(regs, 0, genuine.data(),
                                                                         static_cast<uint32_t>(genuine.size()),
                                                                         Shifting::Callback,
                                                                         reinterpret_cast<uintptr_t>(&inter));
            ASSERT_NE(e, nullptr);
            const SGVR_RESULT prepared = SGVR_PrepareRegsSet(context, regs, 0);
            EXPECT_EQ(inter.passes, 1) << "the registry was read more than once";
            List objects;
            SGVR_ENTRY planted_ = objects.AddObject(byPlanted);
            SGVR_ENTRY oper_ = objects.AddObject(byOper);
            SGVR_CheckObjects(context, objects, 0);
            EXPECT_NE(objects.Status(planted_), SGVR_OK) << "a package of the planted key passed";
            if (forgedFirst) {
                EXPECT_EQ(prepared, SGVR_E_SIGNATURE_MISMATCH);  // the planted bytes were the ones verified
                EXPECT_EQ(regs.Status(e), SGVR_E_REGISTRY_REJECTED);
            } else {
                EXPECT_EQ(prepared, SGVR_OK);
                EXPECT_EQ(objects.Status(oper_), SGVR_OK);
            }
            SGVR_DestroyContext(context, 1);
        }
    }
}

// A registry larger than one read chunk comes through the callback in chunks
// of at most 32767 bytes, once.
TEST(ImageSources, ALargeRegistryIsReadInChunksOnce) {
    Hierarchy h;
    RegistryBuilder builder(0x7FFFFA);
    for (uint32_t i = 0; i < 1000; ++i) builder.Key(h.oper, h.thirdId + i);
    const Bytes inter = Signed(builder.Image(true), h.tl);
    ASSERT_GT(inter.size(), 2u * sgvr::kImageChunk);
    Shifting source{inter, inter};
    SGVR_CONTEXT context = NewContext();
    List regs;
    regs.AddRegistry(h.Root());
    SGVR_ParList_AddRegistryBuffer(regs, 0, inter.data(), static_cast<uint32_t>(inter.size()), Shifting::Callback,
                                   reinterpret_cast<uintptr_t>(&source));
    EXPECT_EQ(SGVR_PrepareRegsSet(context, regs, 0), SGVR_OK);
    EXPECT_EQ(source.passes, 1);
    EXPECT_EQ(source.longestRead, sgvr::kImageChunk);
    SGVR_DestroyContext(context, 1);
}
