// quenlor-cli: every engine reachable from the command line. Each subcommand
// lives in its own cmd_*.cpp and registers itself with QUENLOR_CLI_COMMAND.
#pragma once
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

} // namespace cli

#define QUENLOR_CLI_CAT2(a, b) a##b
#define QUENLOR_CLI_CAT(a, b) QUENLOR_CLI_CAT2(a, b)
#define QUENLOR_CLI_COMMAND(...) static ::cli::Registrar QUENLOR_CLI_CAT(cliRegistrar_, __LINE__){::cli::Command{__VA_ARGS__}}
