// The command list shared by quenlor-cli and the program it hands the
// commands that need Qt to.
#include "cli.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace cli {

std::vector<Command> &registry()
{
    static std::vector<Command> commands;
    return commands;
}

Registrar::Registrar(const Command &c) { registry().push_back(c); }

int usageError(const Command &c)
{
    std::fprintf(stderr, "usage: quenlor-cli %s\n", c.usage);
    return 2;
}

long parseBounded(const std::string &s, long lo, long hi)
{
    char *end = nullptr;
    const long v = std::strtol(s.c_str(), &end, 10);
    if (s.empty() || *end || v < lo || v > hi)
        return -1;
    return v;
}

void printHelp(FILE *out, std::vector<Command> commands)
{
    std::sort(commands.begin(), commands.end(), [](auto &a, auto &b) { return std::strcmp(a.name, b.name) < 0; });
    std::fprintf(out, "quenlor-cli: the Quenlor engines from the command line\n\nusage: quenlor-cli COMMAND [ARGS]\n\ncommands:\n");
    for (auto &c : commands)
        std::fprintf(out, "  %-52s %s\n", c.usage, c.summary);
}

bool isHelpRequest(int argc, char **argv)
{
    return argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h") || !std::strcmp(argv[1], "help");
}

int runRegistered(const Command &c, const std::vector<std::string> &args)
{
    if (std::find(args.begin(), args.end(), "--help") != args.end()) {
        std::printf("usage: quenlor-cli %s\n%s\n", c.usage, c.summary);
        return 0;
    }
    return c.run(args);
}

} // namespace cli
