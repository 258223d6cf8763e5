// sgvrtool mkroot [--serves ID] KEYFILE OUT: the built-in registry (id 0x7FFFFE)
// that a vendor compiles into the signature library: one key entry holding the
// public key of KEYFILE, serving the root registries (0x7FFFFC).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "CommandTable.h"
#include "GostSigner.h"
#include "KeyFile.h"
#include "image/RegistryImage.h"
#include "image/RegistryImageWriter.h"
#include "arith/SecureWipe.h"
#include "ToolFiles.h"

namespace sgvrtool {

int RunMkroot(int argc, char** argv) {
    uint32_t serves = 0x7FFFFC;
    int i = 1;
    if (i + 1 < argc && std::strcmp(argv[i], "--serves") == 0) {
        char* end = nullptr;
        const unsigned long v = std::strtoul(argv[i + 1], &end, 0);
        if (*end != '\0' || v == 0 || v > sgvr::kRegistryIdMask) return UsageError(argv[0]);
        serves = static_cast<uint32_t>(v);
        i += 2;
    }
    if (argc - i != 2) return UsageError(argv[0]);
    uint8_t d[kPrivateKeySize], pub[64];
    const bool ok = ReadKeyFile(argv[i], d) && DerivePublicKey(d, pub);
    sgvr::SecureWipe(d, sizeof d);
    if (!ok) {
        std::fprintf(stderr, "sgvrtool mkroot: %s is no usable key file\n", argv[i]);
        return 1;
    }
    sgvr::NodePtr top = sgvr::Node::Create(0);
    sgvr::Node& root = top->AddChild(0x01160000);
    sgvr::Node& key = root.AddChild(0x2A1E0001, sgvr::Value::FromBytes(pub, sizeof pub));
    key.SetAttribute(0x091E0001, sgvr::Value::FromU32(serves));
    sgvr::WriteOptions options;
    options.registryId = 0x7FFFFE;
    std::vector<uint8_t> image;
    std::string error;
    if (!sgvr::WriteRegistryImage(*top, options, image, error) || !WriteWholeFile(argv[i + 1], image)) {
        std::fprintf(stderr, "sgvrtool mkroot: cannot write %s %s\n", argv[i + 1], error.c_str());
        return 1;
    }
    return 0;
}

}  // namespace sgvrtool
