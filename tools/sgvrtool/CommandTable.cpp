#include "CommandTable.h"
#include "RegistryCommands.h"

namespace sgvrtool {

const CToolCommand kToolCommands[] = {
    {"hash", "FILE...",
     "print the GOST R 34.11-94 hash (test parameters) of each file; an empty file hashes with one zero "
     "block, so it differs from rhash --gost94",
     RunHash},
    {"keygen", "KEYFILE", "make a key pair on the test curve, write the private key, print the public key", RunKeygen},
    {"pubkey", "KEYFILE", "print the public key (x then y, 128 hex digits) of a key file", RunPubkey},
    {"sign", "[--object-name NAME] KEYFILE FILE", "append a signature trailer to FILE", RunSign},
    {"verify", "[--object-name NAME] PUBHEX FILE", "check the trailer of FILE against one public key", RunVerify},
    {"verify-raw", "PUBHEX HASHHEX SIGHEX", "verify a 32-byte hash and a 64-byte r||s signature", RunVerifyRaw},
    {"mkreg", "[--id ID] [--flag 0|1] [--codec LIST] [--check-block N] DESC OUT",
     "build a key registry image from a text description", CmdMkreg},
    {"dumpreg", "[--id ID] FILE", "print a key registry image as a text description", CmdDumpreg},
    {"mkroot", "[--serves ID] KEYFILE OUT",
     "build the built-in registry (id 0x7FFFFE, 120 bytes) holding the public key of KEYFILE for the root "
     "registries (0x7FFFFC); build with -DZEP_BUILTIN_REGISTRY=OUT to compile it in",
     RunMkroot},
    {"check", "[--builtin FILE] --keys DIR FILE...",
     "check files as the patcher does: DIR/tl.pbv then DIR/oper.pbv, each file under its lower-cased name; "
     "prints VALID or INVALID with the library's code per file; exit 0 only when all are valid",
     RunCheck},
};

const int kToolCommandCount = static_cast<int>(sizeof kToolCommands / sizeof kToolCommands[0]);

}  // namespace sgvrtool
