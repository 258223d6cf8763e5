// sgvrtool verify [--object-name NAME] PUBHEX FILE: checks a file's trailer against
// one public key, as the signature library does.
#include <cstdio>
#include <vector>

#include "arith/ArithStatus.h"
#include "CommandTable.h"
#include "arith/GostVerifier.h"
#include "HexText.h"
#include "arith/ObjectHashes.h"
#include "ObjectName.h"
#include "SignedFileOptions.h"
#include "ToolFiles.h"
#include "arith/TrailerSignature.h"
#include "VerdictOutput.h"

namespace sgvrtool {

int RunVerify(int argc, char** argv) {
    CSignedFileArgs args;
    std::vector<uint8_t> key, nameBytes, data;
    if (!ParseSignedFileArgs(argc, argv, args) || !ParseHex(args.first, 64, key)) return UsageError(argv[0]);
    if (args.hasName && !ObjectNameBytes(args.name, nameBytes)) {
        std::fprintf(stderr, "sgvrtool verify: the object name is not valid UTF-8\n");
        return 1;
    }
    if (!ReadWholeFile(args.file, data)) {
        std::fprintf(stderr, "sgvrtool verify: cannot read %s\n", args.file.c_str());
        return 1;
    }
    const sgvr::ByteView name{nameBytes.data(), nameBytes.size()};
    uint8_t hash[sgvr::kGostHashSize], trailer[sgvr::kTrailerSize];
    const uint32_t status =
        sgvr::ComputeSignedHash(data.data(), data.size(), &name, args.hasName ? 1 : 0, hash, trailer);
    if (status != sgvr::kStatusOk) {
        std::printf("INVALID no signature trailer (status 0x%08X)\n", static_cast<unsigned>(status));
        return 1;
    }
    sgvr::CGostVerifier verifier;
    verifier.LoadDomainParameters();
    return PrintVerdict(sgvr::VerifyTrailerWithKey(verifier, trailer, hash, key.data(), key.size()));
}

}  // namespace sgvrtool
