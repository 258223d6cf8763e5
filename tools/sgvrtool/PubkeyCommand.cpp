// sgvrtool pubkey KEYFILE: the public key of a key file, x then y.
#include <cstdio>

#include "CommandTable.h"
#include "GostSigner.h"
#include "HexText.h"
#include "KeyFile.h"
#include "arith/SecureWipe.h"

namespace sgvrtool {

int RunPubkey(int argc, char** argv) {
    if (argc != 2) return UsageError(argv[0]);
    uint8_t d[kPrivateKeySize], pub[64];
    const bool ok = ReadKeyFile(argv[1], d) && DerivePublicKey(d, pub);
    sgvr::SecureWipe(d, sizeof d);
    if (!ok) {
        std::fprintf(stderr, "sgvrtool pubkey: %s is no usable key file\n", argv[1]);
        return 1;
    }
    std::printf("%s\n", ToHex(pub, sizeof pub).c_str());
    return 0;
}

}  // namespace sgvrtool
