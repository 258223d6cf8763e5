#include "sgvr/Context.h"

#include <cstring>
#include <new>
#include <utility>

#include "sgvr/BuiltinImages.h"
#include "sgvr/LibraryIds.h"
#include "sgvr/LibraryMemory.h"
#include "arith/ObjectHashes.h"
#include "image/TreeMemory.h"

namespace sgvr {

IdRegistries* Context::OthersOf(uint32_t id) {
    for (IdRegistries& o : others)
        if (o.id == id) return &o;
    return nullptr;
}

bool Context::WasAccepted(const uint8_t hash[kGostHashSize]) const {
    for (const Hash32& h : accepted)
        if (std::memcmp(h.bytes, hash, kGostHashSize) == 0) return true;
    return false;
}

Context* ContextOf(SGVR_CONTEXT handle) {
    Context* context = reinterpret_cast<Context*>(handle);
    return context != nullptr && context->magic == Context::kMagic ? context : nullptr;
}

namespace {

ByteView& BuiltinOverride() {
    static ByteView view;
    return view;
}

// Releases the caller's file-access interface (when it was handed over) and
// the record itself; a stale handle no longer passes ContextOf.
void DestroyContextRecord(LibraryUnique<Context> context) {
    if (context == nullptr) return;
    if (context->hasFiles && context->files.release != nullptr) context->files.release(context->files.self);
    context->magic = 0;
}

Context* BuildContext(const SGVR_FileAccess* fileAccess) {
    LibraryUnique<Context> context = MakeLibraryObject<Context>();
    if (context == nullptr) return nullptr;
    try {
        if (fileAccess != nullptr) {
            context->files = *fileAccess;
            context->hasFiles = true;
        }
        if (context->results.Load(ByteView(kParameterRegistryImage, kParameterRegistryImageSize)) != SGVR_OK)
            throw std::bad_alloc();
        ByteView builtin(kBuiltinRegistryImage, kBuiltinRegistryImageSize);
        if (BuiltinOverride().data != nullptr) builtin = BuiltinOverride();
        uint8_t hash[kGostHashSize];
        ComputeIdentifyingHash(builtin.data, builtin.size, nullptr, 0, hash);
        if (LoadKeyRegistry(builtin, kBuiltinRegistryId, hash, context->builtin) != SGVR_OK)
            throw std::bad_alloc();
        context->verifier = MakeLibraryObject<CGostVerifier>();
        if (context->verifier == nullptr || context->verifier->LoadDomainParameters() != 0) throw std::bad_alloc();
        return context.release();
    } catch (...) {
        // A failed creation takes the file-access interface with it only when
        // the caller handed it over; it did not, since none is returned.
        context->hasFiles = false;
        DestroyContextRecord(std::move(context));
        return nullptr;
    }
}

}  // namespace

void UseBuiltinRegistryImage(const uint8_t* image, size_t size) { BuiltinOverride() = ByteView(image, size); }

}  // namespace sgvr

using namespace sgvr;

extern "C" SGVR_CONTEXT SGVR_CreateContext(SGVR_AllocFn alloc, SGVR_FreeFn release, const SGVR_FileAccess* fileAccess,
                                           int treeStore) {
    if (!InstallLibraryMemory(alloc, release)) return nullptr;
    if (treeStore && !InstallTreeMemory(alloc, release)) return nullptr;
    return reinterpret_cast<SGVR_CONTEXT>(BuildContext(fileAccess));
}

extern "C" void SGVR_DestroyContext(SGVR_CONTEXT handle, int treeStore) {
    Context* context = ContextOf(handle);
    if (context == nullptr) return;
    DestroyContextRecord(LibraryUnique<Context>(context));
    if (treeStore) ShutdownTreeMemory();
}

extern "C" SGVR_RESULT SGVR_GetContextStatus(SGVR_CONTEXT handle) {
    if (!LibraryMemoryInstalled()) return SGVR_E_NOT_INITIALISED;
    const Context* context = ContextOf(handle);
    return context != nullptr ? context->status : SGVR_E_INVALID_ARG;
}
