// The bootstrap sgvrtool makes the registries compiled into the signature
// library, so it cannot link that library: it has no check or lint command.
#include <cstdio>

#include "CommandTable.h"

namespace sgvrtool {

int RunCheck(int, char**) {
    std::fprintf(stderr, "sgvrtool check: not in the bootstrap tool; use sgvrtool\n");
    return kExitUsage;
}

int RunLint(int, char**) {
    std::fprintf(stderr, "sgvrtool lint: not in the bootstrap tool; use sgvrtool\n");
    return kExitUsage;
}

}  // namespace sgvrtool
