#pragma once
// The subcommands of sgvrtool. A new command is one source file with its Run
// function plus one line in the table (CommandTable.cpp).

namespace sgvrtool {

struct CToolCommand {
    const char* name;
    const char* usage;    // arguments after the command name
    const char* summary;  // one line for the help text
    // argv[0] is the command name. Returns the process exit code.
    int (*run)(int argc, char** argv);
};

extern const CToolCommand kToolCommands[];
extern const int kToolCommandCount;

int RunHash(int argc, char** argv);
int RunKeygen(int argc, char** argv);
int RunPubkey(int argc, char** argv);
int RunSign(int argc, char** argv);
int RunVerify(int argc, char** argv);
int RunVerifyRaw(int argc, char** argv);
int RunMkroot(int argc, char** argv);
int RunCheck(int argc, char** argv);
int RunLint(int argc, char** argv);

// Exit code for wrong usage (0 and 1 are the answers of verify).
constexpr int kExitUsage = 2;
int UsageError(const char* commandName);

}  // namespace sgvrtool
