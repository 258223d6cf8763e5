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
    {"sign", "[--replace] [--object-name NAME] KEYFILE FILE",
     "append a signature trailer to FILE; an already signed FILE is refused unless --replace (then the new "
     "trailer takes the old one's place). Without --object-name the signature covers no name (key "
     "registries); a package must be signed under the name the patcher checks it by (<fix id>.msp)",
     RunSign},
    {"verify", "[--object-name NAME] PUBHEX FILE", "check the trailer of FILE against one public key", RunVerify},
    {"verify-raw", "PUBHEX HASHHEX SIGHEX", "verify a 32-byte hash and a 64-byte r||s signature", RunVerifyRaw},
    {"mkreg", "[--id ID] [--flag 0|1] [--codec LIST] [--check-block N] DESC OUT",
     "build a key registry image from a text description; the registry id is required (--id or a "
     "\"registry ID\" line in DESC)",
     CmdMkreg},
    {"dumpreg", "[--id ID] FILE", "print a key registry image as a text description", CmdDumpreg},
    {"mkroot", "[--serves ID] KEYFILE OUT",
     "build the built-in registry (id 0x7FFFFE, 120 bytes) holding the public key of KEYFILE for the root "
     "registries (0x7FFFFC); build with -DZEP_BUILTIN_REGISTRY=OUT to compile it in",
     RunMkroot},
    {"check", "[--builtin FILE] [--object-name NAME] --keys DIR FILE...",
     "check files as the patcher does: DIR/tl.pbv then DIR/oper.pbv, then each file under NAME (default: its "
     "lower-cased file name; the patcher checks its package as <fix id>.msp); prints VALID or INVALID with the "
     "library's code per file, and for a failure which registry or file failed and why; a file that cannot be "
     "read gets the patcher's code (0x80010102 file not found, 0x80010103 path not found, 0x80000045 access "
     "denied); exit 0 only when all are valid",
     RunCheck},
    {"lint", "[--builtin FILE] --keys DIR [--fix-id ID] [--product CODE] {--x86 FILE --x64 FILE | FILE...}",
     "check patch packages against what the patcher requires of them: a compound file followed by exactly one "
     "94-byte trailer that verifies under ID.msp (default hf41) against DIR/tl.pbv and DIR/oper.pbv; the patch "
     "GUID (summary revision number), the same in both packages of a pair; the target product CODE; platform "
     "Intel;1033 (--x86, resource 101) or x64;1033 (--x64, resource 102); AllowRemoval=1, "
     "Classification=Hotfix, DisplayName ending in \"(Patch ID)\"; one PatchInfo row (lower-case GUID, letter "
     "ID); the custom action RegisterHotfixesInfo from the Binary table, scheduled and marked for patch removal "
     "(ExtendedType 0x8000); a reboot action only under NOT INSTALLONREBOOT. A FILE that is a built program "
     "(hf41.exe) is checked through its PATCHDATA resources 101 and 102. Prints OK or one FAIL line per broken "
     "requirement per package, then what was found; exit 0 only when all pass",
     RunLint},
};

const int kToolCommandCount = static_cast<int>(sizeof kToolCommands / sizeof kToolCommands[0]);

}  // namespace sgvrtool
