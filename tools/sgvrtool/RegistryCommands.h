#pragma once
// sgvrtool commands for key registry images.

namespace sgvrtool {

// sgvrtool mkreg [--id ID] [--flag 0|1] [--codec LIST] [--check-block N] DESC OUT
int CmdMkreg(int argc, char** argv);
// sgvrtool dumpreg [--id ID] FILE
int CmdDumpreg(int argc, char** argv);

}  // namespace sgvrtool
