// sgvrtool: vendor tool for signatures and key registries.

#include "RegistryCommands.h"

#include <cstdio>
#include <cstring>

namespace {

struct Command {
    const char* name;
    int (*run)(int argc, char** argv);
};

const Command kCommands[] = {
    {"mkreg", sgvrtool::CmdMkreg},
    {"dumpreg", sgvrtool::CmdDumpreg},
};

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2) {
        for (const Command& c : kCommands)
            if (std::strcmp(argv[1], c.name) == 0) return c.run(argc - 1, argv + 1);
    }
    std::fputs("usage: sgvrtool COMMAND [ARGS]\ncommands:", stderr);
    for (const Command& c : kCommands) std::fprintf(stderr, " %s", c.name);
    std::fputs("\n", stderr);
    return 2;
}
