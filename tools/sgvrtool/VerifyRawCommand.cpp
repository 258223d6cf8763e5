// sgvrtool verify-raw PUBHEX HASHHEX SIGHEX: a bare hash and r || s record.
#include <vector>

#include "CommandTable.h"
#include "arith/GostVerifier.h"
#include "HexText.h"
#include "VerdictOutput.h"

namespace sgvrtool {

int RunVerifyRaw(int argc, char** argv) {
    std::vector<uint8_t> key, hash, sig;
    if (argc != 4 || !ParseHex(argv[1], 64, key) || !ParseHex(argv[2], 32, hash) || !ParseHex(argv[3], 64, sig))
        return UsageError(argv[0]);
    sgvr::CGostVerifier verifier;
    verifier.LoadDomainParameters();
    int rc = verifier.SetPublicKey(key.data(), key.size());
    if (rc == 0) rc = verifier.Verify(hash.data(), hash.size(), sig.data(), sig.size());
    return PrintVerdict(rc);
}

}  // namespace sgvrtool
