// sgvrtool lint: checks patch packages against what the patcher requires of
// them, alone (FILE...), as the pair it embeds (--x86 FILE --x64 FILE), or
// inside a built program (its PATCHDATA resources 101 and 102).
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "CommandTable.h"
#include "PackageCheck.h"
#include "ToolFiles.h"
#include "package/PackageLint.h"
#include "package/PeResources.h"

namespace sgvrtool {
namespace {

struct Package {
    std::string label;     // what the report names
    std::string platform;  // required platform, or empty
    std::vector<uint8_t> bytes;
    msppkg::LintReport report;
};

bool LintOne(Package& p, const std::string& keys, const msppkg::LintOptions& base) {
    msppkg::LintOptions o = base;
    o.platform = p.platform;
    msppkg::LintPackage(p.bytes, o, p.report);
    const std::string name = o.fixId + ".msp";
    const CCheckVerdict v = CheckObject(keys, p.bytes, name, p.label);
    if (v.valid)
        p.report.notes.push_back("signature valid under " + name + " for the key registries in " + keys);
    else
    {
        char code[64];
        if (v.entryStatus != 0)
            std::snprintf(code, sizeof code, "0x%08X, status 0x%08X", v.code, v.entryStatus);
        else
            std::snprintf(code, sizeof code, "0x%08X", v.code);
        p.report.failures.push_back(std::string("signature not valid (") + code + "): " + v.detail);
    }
    return p.report.failures.empty();
}

}  // namespace

int RunLint(int argc, char** argv) {
    std::string keys, builtin, x86, x64;
    msppkg::LintOptions options;
    options.fixId = "hf41";
    options.productCode = "{D72DD679-A3EC-4FCF-AFAF-12E2552450B6}";
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const bool more = i + 1 < argc;
        if (!std::strcmp(argv[i], "--keys") && more) keys = argv[++i];
        else if (!std::strcmp(argv[i], "--builtin") && more) builtin = argv[++i];
        else if (!std::strcmp(argv[i], "--fix-id") && more) options.fixId = argv[++i];
        else if (!std::strcmp(argv[i], "--product") && more) options.productCode = argv[++i];
        else if (!std::strcmp(argv[i], "--x86") && more) x86 = argv[++i];
        else if (!std::strcmp(argv[i], "--x64") && more) x64 = argv[++i];
        else if (argv[i][0] == '-' && argv[i][1] != '\0') return UsageError(argv[0]);
        else files.push_back(argv[i]);
    }
    if (keys.empty() || (files.empty() && x86.empty() && x64.empty()) || x86.empty() != x64.empty())
        return UsageError(argv[0]);
    if (!builtin.empty() && !UseBuiltinRegistryFile(builtin)) {
        std::fprintf(stderr, "sgvrtool lint: cannot read %s\n", builtin.c_str());
        return 1;
    }
    // Groups of packages that must carry one patch GUID: a pair, or the two
    // resources of one program.
    std::vector<std::vector<Package>> groups;
    auto read = [&](const std::string& path, std::vector<uint8_t>& bytes) {
        if (ReadWholeFile(path, bytes)) return true;
        const CCheckVerdict v = CheckFile(keys, path, "");
        std::printf("FAIL %s: %s\n", path.c_str(), v.detail.c_str());
        return false;
    };
    int failed = 0;
    if (!x86.empty()) {
        std::vector<Package> pair(2);
        pair[0].label = x86;
        pair[0].platform = "x86";
        pair[1].label = x64;
        pair[1].platform = "x64";
        if (read(x86, pair[0].bytes) && read(x64, pair[1].bytes)) groups.push_back(pair);
        else ++failed;
    }
    for (const std::string& file : files) {
        std::vector<uint8_t> bytes;
        if (!read(file, bytes)) {
            ++failed;
            continue;
        }
        if (bytes.size() >= 2 && bytes[0] == 'M' && bytes[1] == 'Z') {
            std::vector<Package> pair(2);
            std::string error;
            bool ok = true;
            for (int k = 0; k < 2; ++k) {
                pair[k].label = file + " [PATCHDATA " + std::to_string(101 + k) + "]";
                pair[k].platform = k == 0 ? "x86" : "x64";
                if (!msppkg::FindResource(bytes, u"PATCHDATA", 101 + k, pair[k].bytes, error)) {
                    std::printf("FAIL %s: %s\n", pair[k].label.c_str(), error.c_str());
                    ok = false;
                }
            }
            if (ok) groups.push_back(pair);
            else ++failed;
        } else {
            std::vector<Package> one(1);
            one[0].label = file;
            one[0].bytes = bytes;
            groups.push_back(one);
        }
    }
    for (std::vector<Package>& group : groups) {
        for (Package& p : group) LintOne(p, keys, options);
        if (group.size() == 2 && !group[0].report.patchGuid.empty() && !group[1].report.patchGuid.empty() &&
            group[0].report.patchGuid != group[1].report.patchGuid)
            group[1].report.failures.push_back("patch GUID " + group[1].report.patchGuid +
                                               " differs from the other package's " + group[0].report.patchGuid);
        for (const Package& p : group) {
            if (p.report.failures.empty()) {
                std::printf("OK %s\n", p.label.c_str());
            } else {
                ++failed;
                for (const std::string& f : p.report.failures) std::printf("FAIL %s: %s\n", p.label.c_str(), f.c_str());
            }
            for (const std::string& n : p.report.notes) std::printf("  %s\n", n.c_str());
        }
    }
    return failed == 0 ? 0 : 1;
}

}  // namespace sgvrtool
