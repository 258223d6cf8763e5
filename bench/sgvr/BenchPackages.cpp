#include "BenchPackages.h"

#include <cstdlib>
#include <fstream>
#include <string>

#include "GostSigner.h"
#include "arith/GostHash.h"
#include "arith/ObjectHashes.h"
#include "arith/TrailerSignature.h"
#include "sgvr/Sgvr.h"

namespace sgvrbench {

bool ReadKey(const char* path, uint8_t d[32]) {
    std::ifstream in(path);
    std::string prefix, hex;
    in >> prefix >> hex;
    if (hex.size() != 64) return false;
    for (int i = 0; i < 32; ++i) d[i] = static_cast<uint8_t>(std::stoul(hex.substr(2 * i, 2), nullptr, 16));
    return true;
}

Bytes Signed(Bytes content, const uint8_t d[32], const sgvr::ByteView* name) {
    uint8_t hash[32], sig[64], trailer[sgvr::kTrailerSize];
    sgvr::CGostHash::Compute(content.data(), content.size(), hash);
    if (name) sgvr::ApplyNames(hash, name, 1);
    sgvrtool::SignHash(d, hash, sig);
    sgvr::EncodeTrailer(sig, trailer);
    content.insert(content.end(), trailer, trailer + sizeof trailer);
    return content;
}

bool CheckPackage(const Bytes& tl, const Bytes& oper, const Bytes& package, const sgvr::ByteView* name) {
    SGVR_CONTEXT context = SGVR_CreateContext(std::malloc, std::free, nullptr, 1);
    SGVR_PARLIST regs = nullptr, objects = nullptr;
    SGVR_ParList_Create(&regs);
    SGVR_ParList_AddRegistryBuffer(regs, 0, tl.data(), static_cast<uint32_t>(tl.size()), nullptr, 0);
    SGVR_ParList_AddRegistryBuffer(regs, 0, oper.data(), static_cast<uint32_t>(oper.size()), nullptr, 0);
    bool ok = SGVR_PrepareRegsSet(context, regs, 0) == SGVR_OK;
    SGVR_ParList_Create(&objects);
    SGVR_ENTRY e = SGVR_ParList_AddObjectBuffer(objects, 0, package.data(), static_cast<uint32_t>(package.size()),
                                                nullptr, 0);
    if (name) SGVR_ParList_SetObjectName(objects, e, name->data, static_cast<uint32_t>(name->size));
    ok = ok && SGVR_CheckObjects(context, objects, 0) == SGVR_OK;
    SGVR_ParList_Destroy(objects);
    SGVR_ParList_Destroy(regs);
    SGVR_DestroyContext(context, 1);
    return ok;
}

}  // namespace sgvrbench
