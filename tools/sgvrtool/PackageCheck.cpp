#include "PackageCheck.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "sgvr/BuiltinImages.h"
#include "ObjectName.h"
#include "sgvr/Sgvr.h"

namespace sgvrtool {
namespace {

struct ListOwner {
    SGVR_PARLIST list = nullptr;
    ~ListOwner() { SGVR_ParList_Destroy(list); }
};

struct ContextOwner {
    SGVR_CONTEXT context = SGVR_CreateContext(std::malloc, std::free, nullptr, 1);
    ~ContextOwner() {
        if (context != nullptr) SGVR_DestroyContext(context, 1);
    }
};

std::vector<uint8_t> g_builtin;

// Reads a whole file; errno tells why it could not.
bool Load(const std::string& path, std::vector<uint8_t>& out, int& error) {
    errno = 0;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) {
        error = errno;
        return false;
    }
    out.clear();
    uint8_t chunk[10240];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) out.insert(out.end(), chunk, chunk + n);
    const bool failed = std::ferror(f) != 0;
    error = failed ? (errno != 0 ? errno : EIO) : 0;
    std::fclose(f);
    return !failed;
}

std::string Hex(uint32_t v) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", v);
    return text;
}

}  // namespace

uint32_t CheckerCodeForErrno(int error) {
    switch (error) {
        case 0: return 0;
        case ENOENT: return 0x80010102;
        case ENOTDIR: return 0x80010103;
        case EACCES: case EPERM: return 0x80000045;
        case ENOMEM: return 0x80000041;
        case EBUSY: return 0x80010104;
        case EINVAL: return 0x80000046;
        case ENOSPC: return 0x80000062;
        case ENAMETOOLONG: return 0x80010109;
        case EEXIST: return 0x80010105;
        default: return 0x80010100;
    }
}

const char* CheckerCodeWords(uint32_t code) {
    switch (code) {
        case 0x80010102: return "file not found";
        case 0x80010103: return "path not found";
        case 0x80000045: return "access denied";
        case 0x80000041: return "not enough memory";
        case 0x80010104: return "file in use";
        case 0x80000046: return "invalid parameter";
        case 0x80000062: return "disk full";
        case 0x80010109: return "invalid name";
        case 0x80010105: return "already exists";
        case 0x80000040: return "the image could not be added";
        case 0x8000005A: return "the signature library failed";
        default: return "cannot be read";
    }
}

const char* ResultWords(uint32_t code) {
    switch (code) {
        case SGVR_OK: return "valid";
        case SGVR_E_NOT_INITIALISED: return "the library is not initialised";
        case SGVR_E_INVALID_ARG: return "invalid argument (an empty file?)";
        case SGVR_E_NO_MEMORY: return "out of memory";
        case SGVR_E_NO_OBJECT: return "nothing to check";
        case SGVR_E_CONSISTENCY: return "not every entry could be verified";
        case SGVR_E_REGISTRY_REJECTED: return "a key registry was rejected (wrong id in its tree, or unreadable)";
        case SGVR_E_NO_MATCH: return "no registry or registry entry matched";
        case SGVR_E_SECOND_UNFLAGGED: return "a second registry of one id without the registry flag";
        case SGVR_E_AMBIGUOUS_INDEX: return "an index hint with more than one registry of the id";
        case SGVR_E_INDEX_BEYOND_LIST: return "an index hint beyond the hash list";
        case SGVR_S_UNDER_CHECK: return "not checked to the end (no hash could be made)";
        case SGVR_S_NOT_CHECKED: return "not checked";
        case SGVR_E_NO_TRAILER: return "no signature trailer (not signed)";
        case SGVR_E_SIGNATURE_MISMATCH: return "the signature does not verify (altered, signed under another name, "
                                               "or with a key these registries do not trust)";
        case SGVR_E_SIGNATURE_UNUSABLE: return "the signature trailer is malformed";
        case SGVR_E_HASH_NO_MEMORY: return "out of memory while hashing";
        case SGVR_E_READ_CALLBACK: return "the bytes could not be read";
        case SGVR_E_IMAGE_MISSING: return "the image is missing";
        case SGVR_E_IMAGE_NOT_REGISTRY: return "not a key registry image";
        case SGVR_E_IMAGE_VERSION: return "unsupported registry image version";
        case SGVR_E_IMAGE_WRONG_ID: return "registry of an id that is not required";
        case SGVR_E_IMAGE_UNREADABLE: return "the registry image is damaged";
        case SGVR_E_NO_KEY: return "no key to verify with";
        default: return "unknown result";
    }
}

bool UseBuiltinRegistryFile(const std::string& path) {
    int error = 0;
    if (!Load(path, g_builtin, error) || g_builtin.empty()) return false;
    sgvr::UseBuiltinRegistryImage(g_builtin.data(), g_builtin.size());
    return true;
}

CCheckVerdict CheckObject(const std::string& keys, const std::vector<uint8_t>& image, const std::string& objectName,
                          const std::string& label) {
    CCheckVerdict v;
    ContextOwner owner;
    if (owner.context == nullptr) {
        v.code = SGVR_E_NOT_INITIALISED;
        v.detail = "the signature library cannot start (built-in registry unreadable?)";
        return v;
    }
    ListOwner registries, objects;
    std::vector<uint8_t> images[2];
    const char* names[2] = {"tl.pbv", "oper.pbv"};
    uint16_t indexes[2] = {0, 0};
    if ((v.code = SGVR_ParList_Create(&registries.list)) != SGVR_OK) return v;
    for (int i = 0; i < 2; ++i) {
        const std::string path = keys + "/" + names[i];
        int error = 0;
        if (!Load(path, images[i], error)) {
            // As the patcher: the first registry that cannot be read ends the check.
            v.code = CheckerCodeForErrno(error);
            v.detail = "key registry " + path + ": cannot read " + path + ": " + CheckerCodeWords(v.code);
            return v;
        }
        SGVR_ENTRY entry = SGVR_ParList_AddRegistryBuffer(registries.list, 0, images[i].data(),
                                                          static_cast<uint32_t>(images[i].size()), nullptr, 0);
        if (entry == nullptr) {
            v.code = SGVR_ParList_GetStatus(registries.list);
            v.detail = "key registry " + path + ": cannot be added: " + ResultWords(v.code);
            return v;
        }
        indexes[i] = SGVR_ParList_GetIndex(registries.list, entry);
    }
    if ((v.code = SGVR_PrepareRegsSet(owner.context, registries.list, 0)) != SGVR_OK) {
        SGVR_RESULT status = SGVR_OK;
        const uint16_t failed = SGVR_ParList_FirstFailed(registries.list, &status);
        std::string who = "the key registries";
        for (int i = 0; i < 2; ++i)
            if (failed != 0 && failed == indexes[i]) who = "key registry " + keys + "/" + names[i];
        v.entryStatus = failed != 0 ? status : 0;
        v.detail = who + " refused: " + ResultWords(failed != 0 ? status : v.code);
        if (failed != 0) v.detail += " (status " + Hex(status) + ")";
        return v;
    }
    std::vector<uint8_t> name;
    if (!ObjectNameBytes(objectName, name)) {
        v.code = SGVR_E_INVALID_ARG;
        v.detail = "the object name is not valid UTF-8";
        return v;
    }
    if ((v.code = SGVR_ParList_Create(&objects.list)) != SGVR_OK) return v;
    SGVR_ENTRY entry = SGVR_ParList_AddObjectBuffer(objects.list, 0, image.data(), static_cast<uint32_t>(image.size()),
                                                    nullptr, 0);
    if (entry == nullptr) {
        v.code = SGVR_ParList_GetStatus(objects.list);
        v.detail = label + ": the library refused the file: " + ResultWords(v.code);
        return v;
    }
    if ((v.code = SGVR_ParList_SetObjectName(objects.list, entry, name.data(), static_cast<uint32_t>(name.size()))) !=
        SGVR_OK)
        return v;
    v.code = SGVR_CheckObjects(owner.context, objects.list, 0);
    v.valid = v.code == SGVR_OK;
    if (!v.valid) {
        SGVR_RESULT status = v.code;
        if (SGVR_ParList_FirstFailed(objects.list, &status) != 0) v.entryStatus = status;
        v.detail = label + " as \"" + objectName + "\": " + ResultWords(v.entryStatus != 0 ? v.entryStatus : v.code);
    }
    return v;
}

CCheckVerdict CheckFile(const std::string& keys, const std::string& path, const std::string& objectName) {
    std::vector<uint8_t> image;
    int error = 0;
    if (!Load(path, image, error)) {
        CCheckVerdict v;
        v.code = CheckerCodeForErrno(error);
        v.detail = "cannot read " + path + ": " + CheckerCodeWords(v.code);
        return v;
    }
    const std::string name = objectName.empty() ? path : objectName;
    const size_t slash = name.find_last_of("/\\");
    return CheckObject(keys, image, slash == std::string::npos ? name : name.substr(slash + 1), path);
}

std::string VerdictLine(const CCheckVerdict& v, const std::string& label) {
    std::string line = (v.valid ? "VALID " : "INVALID ") + Hex(v.code) + " " + label;
    if (v.valid) return line;
    if (v.entryStatus != 0 && v.code == SGVR_E_CONSISTENCY) line += " (status " + Hex(v.entryStatus) + ")";
    if (!v.detail.empty()) line += " (" + v.detail + ")";
    return line;
}

}  // namespace sgvrtool
