// sgvrtool sign [--object-name NAME] KEYFILE FILE: appends the 94-byte trailer over
// the signed hash of the file (its bytes, then the object name as the checker hashes it).
#include <cstdio>
#include <vector>

#include "CommandTable.h"
#include "GostHash.h"
#include "GostSigner.h"
#include "KeyFile.h"
#include "ObjectHashes.h"
#include "ObjectName.h"
#include "SecureWipe.h"
#include "SignedFileOptions.h"
#include "ToolFiles.h"
#include "TrailerSignature.h"

namespace sgvrtool {

int RunSign(int argc, char** argv) {
    CSignedFileArgs args;
    if (!ParseSignedFileArgs(argc, argv, args)) return UsageError(argv[0]);
    std::vector<uint8_t> nameBytes;
    if (args.hasName && !ObjectNameBytes(args.name, nameBytes)) {
        std::fprintf(stderr, "sgvrtool sign: the object name is not valid UTF-8\n");
        return 1;
    }
    std::vector<uint8_t> data;
    if (!ReadWholeFile(args.file, data)) {
        std::fprintf(stderr, "sgvrtool sign: cannot read %s\n", args.file.c_str());
        return 1;
    }
    uint8_t hash[sgvr::kGostHashSize];
    sgvr::CGostHash::Compute(data.data(), data.size(), hash);
    if (args.hasName) {
        const sgvr::ByteView name{nameBytes.data(), nameBytes.size()};
        sgvr::ApplyNames(hash, &name, 1);
    }
    uint8_t d[kPrivateKeySize], sig[64];
    if (!ReadKeyFile(args.first, d)) {
        std::fprintf(stderr, "sgvrtool sign: %s is no usable key file\n", args.first.c_str());
        return 1;
    }
    const bool signedOk = SignHash(d, hash, sig);
    sgvr::SecureWipe(d, sizeof d);
    if (!signedOk) {
        std::fprintf(stderr, "sgvrtool sign: signing failed (key out of range or no random data)\n");
        return 1;
    }
    uint8_t trailer[sgvr::kTrailerSize];
    sgvr::EncodeTrailer(sig, trailer);
    if (!AppendToFile(args.file, trailer, sizeof trailer)) {
        std::fprintf(stderr, "sgvrtool sign: cannot append to %s\n", args.file.c_str());
        return 1;
    }
    return 0;
}

}  // namespace sgvrtool
