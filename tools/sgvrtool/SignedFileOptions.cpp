#include "SignedFileOptions.h"

#include <cstring>

namespace sgvrtool {

bool ParseSignedFileArgs(int argc, char** argv, CSignedFileArgs& out) {
    int i = 1;
    if (i < argc && std::strcmp(argv[i], "--object-name") == 0) {
        if (i + 1 >= argc) return false;
        out.hasName = true;
        out.name = argv[i + 1];
        i += 2;
    }
    if (argc - i != 2) return false;
    out.first = argv[i];
    out.file = argv[i + 1];
    return true;
}

}  // namespace sgvrtool
