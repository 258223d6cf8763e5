// Fuzz target: arbitrary key registries and objects through SGVR_PrepareRegsSet
// and SGVR_CheckObjects. The harness signs what the fuzzer supplies with the
// keys of a fixed hierarchy, so that the bytes get past the signature checks
// into the tree reader, the entry queries and the hash lists; every block the
// library takes must come back.
//
// Input: a flags byte, then two chunks each with a 16-bit little-endian
// length (an intermediate registry image, a third-layer registry image), then
// the object's bytes.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "arith/GostHash.h"
#include "GostSigner.h"
#include "arith/ObjectHashes.h"
#include "image/RegistryImageWriter.h"
#include "sgvr/Sgvr.h"
#include "arith/TrailerSignature.h"

namespace {

long g_live = 0;
void* Alloc(size_t n) {
    void* p = std::malloc(n);
    if (p != nullptr) ++g_live;
    return p;
}
void Free(void* p) {
    if (p == nullptr) return;
    --g_live;
    std::free(p);
}

struct Key {
    uint8_t d[32];
    uint8_t q[64];
};

Key MakeKey(uint8_t seed) {
    Key k{};
    k.d[31] = seed;
    k.d[0] = 0x11;
    sgvrtool::DerivePublicKey(k.d, k.q);
    return k;
}

// Deterministic signature (fixed nonce), so that a run can be replayed.
std::vector<uint8_t> Signed(const uint8_t* data, size_t size, const Key& key, const uint8_t* name, size_t nameSize) {
    std::vector<uint8_t> out(data, data + size);
    uint8_t hash[32], sig[64], k[32] = {0x05}, trailer[sgvr::kTrailerSize];
    sgvr::CGostHash::Compute(out.data(), out.size(), hash);
    if (nameSize != 0) {
        const sgvr::ByteView span{name, nameSize};
        sgvr::ApplyNames(hash, &span, 1);
    }
    k[31] = 0x77;
    if (!sgvrtool::SignHashWithNonce(key.d, hash, k, sig)) std::memset(sig, 0, sizeof sig);
    sgvr::EncodeTrailer(sig, trailer);
    out.insert(out.end(), trailer, trailer + sizeof trailer);
    return out;
}

std::vector<uint8_t> Registry(uint32_t id, const Key& key, uint32_t serves) {
    sgvr::NodePtr top = sgvr::Node::Create(0);
    sgvr::Node& root = top->AddChild(0x01160000);
    root.AddChild(0x2A1E0001, sgvr::Value::FromBytes(key.q, 64)).AddAttribute(0x091E0001, sgvr::Value::FromU32(serves));
    sgvr::WriteOptions options;
    options.registryId = id;
    std::vector<uint8_t> image;
    std::string error;
    sgvr::WriteRegistryImage(*top, options, image, error);
    return image;
}

Key BuiltinKey() {
    Key k{};
    FILE* f = std::fopen(ZEP_TEST_KEY_DIR "/test-builtin-root.key", "r");
    char hex[65] = {};
    if (f == nullptr || std::fscanf(f, "gost2001-test-private %64s", hex) != 1) std::abort();
    std::fclose(f);
    for (int i = 0; i < 32; ++i) {
        const char pair[3] = {hex[2 * i], hex[2 * i + 1], 0};
        k.d[i] = static_cast<uint8_t>(std::strtoul(pair, nullptr, 16));
    }
    if (!sgvrtool::DerivePublicKey(k.d, k.q)) std::abort();
    return k;
}

bool Chunk(const uint8_t*& data, size_t& size, const uint8_t*& chunk, size_t& chunkSize) {
    if (size < 2) return false;
    chunkSize = data[0] | data[1] << 8;
    data += 2;
    size -= 2;
    if (chunkSize > size) chunkSize = size;
    chunk = data;
    data += chunkSize;
    size -= chunkSize;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const uint8_t flags = data[0];
    ++data;
    --size;
    const uint8_t *inter = nullptr, *third = nullptr;
    size_t interSize = 0, thirdSize = 0;
    if (!Chunk(data, size, inter, interSize) || !Chunk(data, size, third, thirdSize)) return 0;

    static const Key tl = MakeKey(1), oper = MakeKey(2);
    // The root registry, signed with the TEST key of the compiled-in registry.
    static const std::vector<uint8_t> rootImage = [] {
        const std::vector<uint8_t> image = Registry(0x7FFFFC, tl, 0x7FFFFA);
        return Signed(image.data(), image.size(), BuiltinKey(), nullptr, 0);
    }();

    SGVR_CONTEXT context = SGVR_CreateContext(Alloc, Free, nullptr, 1);
    if (context == nullptr) std::abort();
    SGVR_PARLIST regs = nullptr, objects = nullptr;
    SGVR_ParList_Create(&regs);
    SGVR_ParList_Create(&objects);

    // Registries: the fuzzer's intermediate (signed by tl unless flag 1 says
    // leave it as it is), its third-layer registry (signed by oper), and the
    // genuine ones for the rest of the chain.
    std::vector<uint8_t> interImage = (flags & 1) ? std::vector<uint8_t>(inter, inter + interSize)
                                                  : Signed(inter, interSize, tl, nullptr, 0);
    std::vector<uint8_t> thirdImage = (flags & 2) ? std::vector<uint8_t>(third, third + thirdSize)
                                                  : Signed(third, thirdSize, oper, nullptr, 0);
    SGVR_ParList_AddRegistryBuffer(regs, 0, rootImage.data(), static_cast<uint32_t>(rootImage.size()), nullptr, 0);
    SGVR_ParList_AddRegistryBuffer(regs, 0, interImage.data(), static_cast<uint32_t>(interImage.size()), nullptr, 0);
    SGVR_ParList_AddRegistryBuffer(regs, 0, thirdImage.data(), static_cast<uint32_t>(thirdImage.size()), nullptr, 0);
    if (flags & 4) {
        const uint32_t condition = flags >> 5;
        SGVR_ParList_SetParam(regs, nullptr, 7, &condition, 4);
        SGVR_ParList_SetParam(objects, nullptr, 7, &condition, 4);
    }
    const SGVR_RESULT prepared = SGVR_PrepareRegsSet(context, regs, (flags & 8) ? 0x100 : 0);

    const uint8_t name[] = {'p', 0, 0, 0};
    std::vector<uint8_t> object = (flags & 16) ? Signed(data, size, oper, name, sizeof name)
                                               : std::vector<uint8_t>(data, data + size);
    SGVR_ENTRY e = SGVR_ParList_AddObjectBuffer(objects, 0, object.empty() ? nullptr : object.data(),
                                                static_cast<uint32_t>(object.size()), nullptr, 0);
    if (e != nullptr) {
        SGVR_ParList_SetObjectName(objects, e, name, sizeof name);
        if (flags & 32) {
            const uint32_t id = 0x100, hint = flags >> 6;
            SGVR_ParList_SetParam(objects, e, 4, &id, 4);
            SGVR_ParList_SetParam(objects, e, 6, &hint, 4);
        }
    }
    const SGVR_RESULT checked = SGVR_CheckObjects(context, objects, 0);
    // Replaying a corpus with SGVR_FUZZ_VERBOSE set shows how far each input got.
    if (std::getenv("SGVR_FUZZ_VERBOSE") != nullptr)
        std::fprintf(stderr, "prepare %08X check %08X\n", static_cast<unsigned>(prepared), static_cast<unsigned>(checked));
    SGVR_RESULT status;
    for (uint16_t i = SGVR_ParList_FirstFailed(objects, &status); i != 0; i = SGVR_ParList_NextFailed(objects, i, &status)) {
    }
    SGVR_ParList_Destroy(objects);
    SGVR_ParList_Destroy(regs);
    SGVR_DestroyContext(context, 1);
    if (g_live != 0) std::abort();  // a block the library did not give back
    return 0;
}
