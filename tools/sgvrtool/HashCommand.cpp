// sgvrtool hash FILE...: 64 hex digits, two blanks, the file name (as rhash prints).
#include <cstdio>
#include <vector>

#include "CommandTable.h"
#include "arith/GostHash.h"
#include "HexText.h"
#include "ToolFiles.h"

namespace sgvrtool {

int RunHash(int argc, char** argv) {
    if (argc < 2) return UsageError(argv[0]);
    int rc = 0;
    for (int i = 1; i < argc; ++i) {
        std::vector<uint8_t> data;
        if (!ReadWholeFile(argv[i], data)) {
            std::fprintf(stderr, "sgvrtool hash: cannot read %s\n", argv[i]);
            rc = 1;
            continue;
        }
        uint8_t h[sgvr::kGostHashSize];
        sgvr::CGostHash::Compute(data.data(), data.size(), h);
        std::printf("%s  %s\n", ToHex(h, sizeof h).c_str(), argv[i]);
    }
    return rc;
}

}  // namespace sgvrtool
