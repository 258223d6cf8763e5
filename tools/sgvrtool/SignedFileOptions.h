#pragma once
// The "[--object-name NAME] A B" argument form of sign and verify.
#include <string>

namespace sgvrtool {

struct CSignedFileArgs {
    bool hasName = false;
    std::string name;
    std::string first;   // key file or public key
    std::string file;
};

bool ParseSignedFileArgs(int argc, char** argv, CSignedFileArgs& out);

}  // namespace sgvrtool
