#pragma once
// The patcher's package check on the build machine: the key registries
// DIR/tl.pbv and DIR/oper.pbv, then one object under its object name, with
// the failing file and the reason in words.
#include <cstdint>
#include <string>
#include <vector>

namespace sgvrtool {

struct CCheckVerdict {
    bool valid = false;
    uint32_t code = 0;         // library code, or the checker's code for an unreadable file
    uint32_t entryStatus = 0;  // the failing entry's own status, when the library names one
    std::string detail;        // which file failed and why, in words
};

// The checker's code for a file that cannot be read (0x80010102 not found,
// 0x80010103 path not found, 0x80000045 access denied, ...), as the patcher
// maps the system's error.
uint32_t CheckerCodeForErrno(int error);
const char* CheckerCodeWords(uint32_t code);
// The library's result codes in words.
const char* ResultWords(uint32_t code);

// Loads the built-in registry image to use instead of the compiled-in one;
// false when it cannot be read.
bool UseBuiltinRegistryFile(const std::string& path);

CCheckVerdict CheckObject(const std::string& keysDir, const std::vector<uint8_t>& image, const std::string& objectName,
                          const std::string& label);
// Reads the file and checks it under objectName (empty: its lower-cased file name).
CCheckVerdict CheckFile(const std::string& keysDir, const std::string& path, const std::string& objectName);

std::string VerdictLine(const CCheckVerdict& v, const std::string& label);

}  // namespace sgvrtool
