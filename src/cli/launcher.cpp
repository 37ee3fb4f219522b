// quenlor-cli: runs the commands that need no Qt itself, so that a verse
// lookup or a statement starts without loading Qt's libraries, and hands
// every other command to quenlor-cli-qt beside it with the same arguments;
// that program's output and exit status are the command's.
#include "cli.h"

#include "platform/folders.h"

#include <clocale>
#include <cstring>
#include <filesystem>

namespace {

struct ForwardedCommand {
    const char *name, *usage, *summary;
};

// Written from quenlor-cli-qt's own command list when it is built.
constexpr ForwardedCommand kForwarded[] = {
#include "forwarded_commands.inc"
};

#ifdef _WIN32
constexpr const char *kQtProgram = "quenlor-cli-qt.exe";
#else
constexpr const char *kQtProgram = "quenlor-cli-qt";
#endif

std::vector<cli::Command> allCommands()
{
    std::vector<cli::Command> all = cli::registry();
    for (const ForwardedCommand &f : kForwarded)
        all.push_back(cli::Command{f.name, f.usage, f.summary, nullptr});
    return all;
}

int forward(int argc, char **argv)
{
    const std::string program = platform::programDir() + kQtProgram;
    std::error_code ec;
    if (!std::filesystem::exists(program, ec)) {
        std::fprintf(stderr, "quenlor-cli: %s is missing: the command '%s' runs in it\n", program.c_str(), argv[1]);
        return 1;
    }
    return cli::runInstead(program, std::vector<std::string>(argv, argv + argc), "quenlor-cli");
}

} // namespace

int main(int argc, char **argv)
{
    // Run under the user's locale, as the reader does, so that output that
    // must not depend on it is checked where it could.
    std::setlocale(LC_ALL, "");
    if (cli::isHelpRequest(argc, argv)) {
        cli::printHelp(stdout, allCommands());
        return argc < 2 ? 2 : 0;
    }
    for (const cli::Command &c : cli::registry())
        if (!std::strcmp(c.name, argv[1]))
            return cli::runRegistered(c, std::vector<std::string>(argv + 2, argv + argc));
    for (const ForwardedCommand &f : kForwarded)
        if (!std::strcmp(f.name, argv[1]))
            return forward(argc, argv);
    std::fprintf(stderr, "quenlor-cli: unknown command '%s' (see quenlor-cli --help)\n", argv[1]);
    return 2;
}
