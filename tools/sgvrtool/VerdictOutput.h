#pragma once
#include <cstdio>

namespace sgvrtool {

// "VALID code 0" (exit 0) or "INVALID code N" with the small result code (exit 1).
inline int PrintVerdict(int smallResult) {
    std::printf("%s code %d\n", smallResult == 0 ? "VALID" : "INVALID", smallResult);
    return smallResult == 0 ? 0 : 1;
}

}  // namespace sgvrtool
