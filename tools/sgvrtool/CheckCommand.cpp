// sgvrtool check [--builtin FILE] [--object-name NAME] --keys DIR FILE...: the
// patcher's package check on the build machine. Each file is checked on its
// own, as the patcher checks one package: registries DIR/tl.pbv then
// DIR/oper.pbv, then the file under its object name (by default its
// lower-cased file name; the patcher writes its package as <id>.msp).
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "CommandTable.h"
#include "PackageCheck.h"

namespace sgvrtool {

int RunCheck(int argc, char** argv) {
    std::string keys, builtin, objectName;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--keys") == 0 && i + 1 < argc)
            keys = argv[++i];
        else if (std::strcmp(argv[i], "--builtin") == 0 && i + 1 < argc)
            builtin = argv[++i];
        else if (std::strcmp(argv[i], "--object-name") == 0 && i + 1 < argc)
            objectName = argv[++i];
        else if (argv[i][0] == '-' && argv[i][1] != '\0')
            return UsageError(argv[0]);
        else
            files.push_back(argv[i]);
    }
    if (keys.empty() || files.empty()) return UsageError(argv[0]);
    if (!builtin.empty() && !UseBuiltinRegistryFile(builtin)) {
        std::fprintf(stderr, "sgvrtool check: cannot read %s\n", builtin.c_str());
        return 1;
    }
    int failed = 0;
    for (const std::string& file : files) {
        const CCheckVerdict v = CheckFile(keys, file, objectName);
        if (!v.valid) ++failed;
        std::printf("%s\n", VerdictLine(v, file).c_str());
    }
    return failed == 0 ? 0 : 1;
}

}  // namespace sgvrtool
