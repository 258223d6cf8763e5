// sgvrtool check [--builtin FILE] --keys DIR FILE...: the patcher's package
// check on the build machine. Each file is checked on its own, as the patcher
// checks one package: registries DIR/tl.pbv then DIR/oper.pbv, then the file
// under its lower-cased file name.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "BuiltinImages.h"
#include "CommandTable.h"
#include "ObjectName.h"
#include "Sgvr.h"
#include "ToolFiles.h"

namespace sgvrtool {
namespace {

struct Verdict {
    SGVR_RESULT code = SGVR_OK;
    SGVR_RESULT entryStatus = SGVR_OK;
    std::string note;
};

struct ListOwner {
    SGVR_PARLIST list = nullptr;
    ~ListOwner() { SGVR_ParList_Destroy(list); }
};

Verdict CheckOne(SGVR_CONTEXT context, const std::string& keys, const std::string& file) {
    Verdict v;
    ListOwner registries, objects;
    std::vector<uint8_t> images[3];
    const char* names[2] = {"tl.pbv", "oper.pbv"};
    if ((v.code = SGVR_ParList_Create(&registries.list)) != SGVR_OK) return v;
    for (int i = 0; i < 2; ++i) {
        const std::string path = keys + "/" + names[i];
        if (!ReadWholeFile(path, images[i]) || images[i].empty()) {
            v.code = SGVR_E_IMAGE_MISSING;
            v.note = "cannot read " + path;
            return v;
        }
        if (SGVR_ParList_AddRegistryBuffer(registries.list, 0, images[i].data(), static_cast<uint32_t>(images[i].size()),
                                           nullptr, 0) == nullptr) {
            v.code = SGVR_ParList_GetStatus(registries.list);
            v.note = "cannot add " + path;
            return v;
        }
    }
    if ((v.code = SGVR_PrepareRegsSet(context, registries.list, 0)) != SGVR_OK) {
        v.note = "key registries refused";
        return v;
    }
    std::vector<uint8_t> name;
    if (!ReadWholeFile(file, images[2]) || !ObjectNameBytes(file, name)) {
        v.code = SGVR_E_IMAGE_MISSING;
        v.note = "cannot read the file";
        return v;
    }
    if ((v.code = SGVR_ParList_Create(&objects.list)) != SGVR_OK) return v;
    SGVR_ENTRY entry = SGVR_ParList_AddObjectBuffer(objects.list, 0, images[2].data(),
                                                    static_cast<uint32_t>(images[2].size()), nullptr, 0);
    if (entry == nullptr) {
        v.code = SGVR_ParList_GetStatus(objects.list);
        v.note = "the library refused the file";
        return v;
    }
    if ((v.code = SGVR_ParList_SetObjectName(objects.list, entry, name.data(), static_cast<uint32_t>(name.size()))) !=
        SGVR_OK)
        return v;
    v.code = SGVR_CheckObjects(context, objects.list, 0);
    if (v.code != SGVR_OK) SGVR_ParList_FirstFailed(objects.list, &v.entryStatus);
    return v;
}

}  // namespace

int RunCheck(int argc, char** argv) {
    std::string keys, builtin;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--keys") == 0 && i + 1 < argc)
            keys = argv[++i];
        else if (std::strcmp(argv[i], "--builtin") == 0 && i + 1 < argc)
            builtin = argv[++i];
        else if (argv[i][0] == '-' && argv[i][1] != '\0')
            return UsageError(argv[0]);
        else
            files.push_back(argv[i]);
    }
    if (keys.empty() || files.empty()) return UsageError(argv[0]);
    std::vector<uint8_t> builtinImage;
    if (!builtin.empty()) {
        if (!ReadWholeFile(builtin, builtinImage) || builtinImage.empty()) {
            std::fprintf(stderr, "sgvrtool check: cannot read %s\n", builtin.c_str());
            return 1;
        }
        sgvr::UseBuiltinRegistryImage(builtinImage.data(), builtinImage.size());
    }
    int failed = 0;
    for (const std::string& file : files) {
        SGVR_CONTEXT context = SGVR_CreateContext(std::malloc, std::free, nullptr, 1);
        if (context == nullptr) {
            std::fprintf(stderr, "sgvrtool check: the signature library cannot start (built-in registry unreadable?)\n");
            return 1;
        }
        const Verdict v = CheckOne(context, keys, file);
        SGVR_DestroyContext(context, 1);
        if (v.code == SGVR_OK) {
            std::printf("VALID 0x%08X %s\n", static_cast<unsigned>(v.code), file.c_str());
            continue;
        }
        ++failed;
        std::printf("INVALID 0x%08X %s", static_cast<unsigned>(v.code), file.c_str());
        if (v.code == SGVR_E_CONSISTENCY) std::printf(" (status 0x%08X)", static_cast<unsigned>(v.entryStatus));
        if (!v.note.empty()) std::printf(" (%s)", v.note.c_str());
        std::printf("\n");
    }
    return failed == 0 ? 0 : 1;
}

}  // namespace sgvrtool
