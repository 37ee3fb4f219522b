// quenlor-cli: every engine reachable from the command line. Each subcommand
// lives in its own cmd_*.cpp and registers itself with QUENLOR_CLI_COMMAND.
// quenlor-cli itself runs the commands that need no Qt (verse, sql,
// import-sword) and hands every other one to quenlor-cli-qt beside it.
#pragma once
#include <cstdio>
#include <string>
#include <vector>

namespace cli {

struct Command {
    const char *name;
    const char *usage;   // e.g. "sql [--db DIR] STATEMENT"
    const char *summary; // one line for --help
    int (*run)(const std::vector<std::string> &args); // args after the subcommand name
    bool needsGui = false; // starts a QGuiApplication (offscreen unless a display is set)
};

struct Registrar {
    explicit Registrar(const Command &c);
};

// Writes "usage: quenlor-cli <usage>" to stderr and returns 2.
int usageError(const Command &c);
// A whole decimal number in [lo, hi] (lo >= 0), or -1 when the argument is not one.
long parseBounded(const std::string &s, long lo, long hi);

// The commands registered in this program.
std::vector<Command> &registry();
// The list --help prints, sorted by name.
void printHelp(FILE *out, std::vector<Command> commands);
// No command, or --help, -h or help in its place.
bool isHelpRequest(int argc, char **argv);
// Runs a command, or prints its usage when --help is among its arguments.
int runRegistered(const Command &c, const std::vector<std::string> &args);

// Replaces this process by `program` run with `argv` (argv[0] first), so that
// its output and exit status are this command's; where a process cannot be
// replaced, waits for it and returns its exit status. Returns 1 after telling
// why on stderr (prefixed with `who`) when it cannot be run.
int runInstead(const std::string &program, const std::vector<std::string> &argv, const char *who);

} // namespace cli

#define QUENLOR_CLI_CAT2(a, b) a##b
#define QUENLOR_CLI_CAT(a, b) QUENLOR_CLI_CAT2(a, b)
#define QUENLOR_CLI_COMMAND(...) static ::cli::Registrar QUENLOR_CLI_CAT(cliRegistrar_, __LINE__){::cli::Command{__VA_ARGS__}}
