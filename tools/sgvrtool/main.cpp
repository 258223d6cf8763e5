// sgvrtool: hashing, keys and signatures for signed files and key registries.
#include <clocale>
#include <cstdio>
#include <cstring>

#include "CommandTable.h"

namespace sgvrtool {

int UsageError(const char* commandName) {
    for (int i = 0; i < kToolCommandCount; ++i) {
        if (std::strcmp(kToolCommands[i].name, commandName) == 0) {
            std::fprintf(stderr, "usage: sgvrtool %s %s\n", kToolCommands[i].name, kToolCommands[i].usage);
            return kExitUsage;
        }
    }
    std::fprintf(stderr, "sgvrtool: unknown command '%s'\n", commandName);
    return kExitUsage;
}

}  // namespace sgvrtool

static const char kRegistryShape[] =
    "\nKey registries (mkreg descriptions) have this shape:\n"
    "  registry ID, signed by a key entry that serves ID in the layer above:\n"
    "    0x7FFFFE built-in (compiled in)  ->  0x7FFFFC root (tl.pbv)  ->  0x7FFFFA intermediates (oper.pbv)\n"
    "    ->  other ids (third layer, named by the intermediates' key entries)\n"
    "  node 0x01160000 = () {                       # the root node; its children are the entries\n"
    "    node 0x2A1E0001 = pubkey \"key.file\" {     # key entry: type 0x2A, tag 0x1E, 64-byte public key\n"
    "      attr 0x091E0001 = 0x7FFFFA              # the registry id it serves (verifies)\n"
    "    }\n"
    "    node 0x6A140001 = [hex:<32 bytes>, ...] {  # hash list: identifying hashes of unsigned objects\n"
    "      attr 0x091E0001 = 0x000100              # (counted only in third-layer registries)\n"
    "    }\n"
    "  }\n"
    "  An entry attribute 0x2A5A00kk = value is a condition: the entry serves only\n"
    "  lists that leave parameter kk unset or set it to that value. A top-level node\n"
    "  0x091E0001 = ID, when present, must repeat the header's id.\n"
    "Objects are signed under their lower-cased file name: sign --object-name NAME.\n";

static void PrintHelp(FILE* out) {
    std::fprintf(out, "usage: sgvrtool COMMAND [ARGS]\n\n");
    for (int i = 0; i < sgvrtool::kToolCommandCount; ++i) {
        const sgvrtool::CToolCommand& c = sgvrtool::kToolCommands[i];
        std::fprintf(out, "  %s %s\n      %s\n", c.name, c.usage, c.summary);
    }
    std::fputs(kRegistryShape, out);
}

int main(int argc, char** argv) {
    // Object names are lower-cased per character; the UTF-8 locale lets the
    // wide-character functions see non-ASCII letters.
    std::setlocale(LC_CTYPE, "C.UTF-8");
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        PrintHelp(argc < 2 ? stderr : stdout);
        return argc < 2 ? sgvrtool::kExitUsage : 0;
    }
    for (int i = 0; i < sgvrtool::kToolCommandCount; ++i)
        if (std::strcmp(sgvrtool::kToolCommands[i].name, argv[1]) == 0) return sgvrtool::kToolCommands[i].run(argc - 1, argv + 1);
    std::fprintf(stderr, "sgvrtool: unknown command '%s'\n", argv[1]);
    PrintHelp(stderr);
    return sgvrtool::kExitUsage;
}
