// sgvrtool keygen KEYFILE: new key pair; the private key goes to a new file (0600).
#include <cstdio>

#include "CommandTable.h"
#include "GostSigner.h"
#include "HexText.h"
#include "KeyFile.h"
#include "arith/SecureWipe.h"

namespace sgvrtool {

int RunKeygen(int argc, char** argv) {
    if (argc != 2) return UsageError(argv[0]);
    uint8_t d[kPrivateKeySize], pub[64];
    if (!GenerateKeyPair(d, pub)) {
        std::fprintf(stderr, "sgvrtool keygen: no random data from the system\n");
        return 1;
    }
    const bool written = WriteKeyFile(argv[1], d);
    sgvr::SecureWipe(d, sizeof d);
    if (!written) {
        std::fprintf(stderr, "sgvrtool keygen: cannot create %s (it must not exist yet)\n", argv[1]);
        return 1;
    }
    std::printf("%s\n", ToHex(pub, sizeof pub).c_str());
    return 0;
}

}  // namespace sgvrtool
