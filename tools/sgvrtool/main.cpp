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

static void PrintHelp(FILE* out) {
    std::fprintf(out, "usage: sgvrtool COMMAND [ARGS]\n\n");
    for (int i = 0; i < sgvrtool::kToolCommandCount; ++i) {
        const sgvrtool::CToolCommand& c = sgvrtool::kToolCommands[i];
        std::fprintf(out, "  %s %s\n      %s\n", c.name, c.usage, c.summary);
    }
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
