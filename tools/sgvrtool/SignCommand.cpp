// sgvrtool sign [--replace] [--object-name NAME] KEYFILE FILE: appends the 94-byte
// trailer over the signed hash of the file (its bytes, then the object name as the
// checker hashes it). A file that already ends in a trailer is refused: a second
// trailer would be signed over the first and never verify. --replace signs the
// bytes before the existing trailer instead.
#include <cstdio>
#include <cstring>
#include <vector>

#include "CommandTable.h"
#include "arith/GostHash.h"
#include "GostSigner.h"
#include "KeyFile.h"
#include "arith/ObjectHashes.h"
#include "ObjectName.h"
#include "arith/SecureWipe.h"
#include "SignedFileOptions.h"
#include "ToolFiles.h"
#include "arith/TrailerSignature.h"

namespace sgvrtool {

namespace {

bool EndsInTrailer(const std::vector<uint8_t>& data) {
    if (data.size() < sgvr::kTrailerSize) return false;
    const uint8_t* t = data.data() + data.size() - sgvr::kTrailerSize;
    return t[0] == '\r' && t[1] == '\n' && t[2] == ';' && t[3] == ':' && t[sgvr::kTrailerSize - 2] == '%' &&
           t[sgvr::kTrailerSize - 1] == '%';
}

}  // namespace

int RunSign(int argc, char** argv) {
    // --replace may stand anywhere before the operands.
    bool replace = false;
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        if (i > 0 && std::strcmp(argv[i], "--replace") == 0)
            replace = true;
        else
            rest.push_back(argv[i]);
    }
    argc = static_cast<int>(rest.size());
    argv = rest.data();
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
    const bool hadTrailer = EndsInTrailer(data);
    if (hadTrailer && !replace) {
        std::fprintf(stderr,
                     "sgvrtool sign: %s is already signed (it ends in a signature trailer); "
                     "--replace signs it anew in place of that trailer\n",
                     args.file.c_str());
        return 1;
    }
    if (hadTrailer) data.resize(data.size() - sgvr::kTrailerSize);
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
    if (hadTrailer) {
        data.insert(data.end(), trailer, trailer + sizeof trailer);
        if (!WriteWholeFile(args.file, data)) {
            std::fprintf(stderr, "sgvrtool sign: cannot write %s\n", args.file.c_str());
            return 1;
        }
    } else if (!AppendToFile(args.file, trailer, sizeof trailer)) {
        std::fprintf(stderr, "sgvrtool sign: cannot append to %s\n", args.file.c_str());
        return 1;
    }
    return 0;
}

}  // namespace sgvrtool
