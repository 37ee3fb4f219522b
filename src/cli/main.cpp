#include "cli.h"

#include <QGuiApplication>
#include <algorithm>
#include <cstdio>
#include <clocale>
#include <cstring>
#include <memory>
#include <cerrno>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace cli {

static std::vector<Command> &registry()
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

} // namespace cli

static void printHelp(FILE *out)
{
    auto commands = cli::registry();
    std::sort(commands.begin(), commands.end(), [](auto &a, auto &b) { return std::strcmp(a.name, b.name) < 0; });
    std::fprintf(out, "quenlor-cli: the Quenlor engines from the command line\n\nusage: quenlor-cli COMMAND [ARGS]\n\ncommands:\n");
    for (auto &c : commands)
        std::fprintf(out, "  %-52s %s\n", c.usage, c.summary);
}

int main(int argc, char **argv)
{
    // Run under the user's locale, as the reader does (Qt sets it there), so that
    // output that must not depend on it is checked where it could.
    std::setlocale(LC_ALL, "");
    if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h") || !std::strcmp(argv[1], "help")) {
        printHelp(stdout);
        return argc < 2 ? 2 : 0;
    }
    for (auto &c : cli::registry()) {
        if (std::strcmp(c.name, argv[1]) != 0)
            continue;
        std::vector<std::string> args(argv + 2, argv + argc);
        if (std::find(args.begin(), args.end(), "--help") != args.end()) {
            std::printf("usage: quenlor-cli %s\n%s\n", c.usage, c.summary);
            return 0;
        }
        std::unique_ptr<QGuiApplication> app;
        if (c.needsGui) {
            if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")
                && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
                qputenv("QT_QPA_PLATFORM", "offscreen");
#ifndef _WIN32
            if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
                // Qt wants a private runtime folder; give it one instead of a warning on every run.
                QByteArray dir = "/tmp/quenlor-runtime-" + QByteArray::number(uint(getuid()));
                if (mkdir(dir.constData(), 0700) == 0 || errno == EEXIST)
                    qputenv("XDG_RUNTIME_DIR", dir);
            }
#endif
            app = std::make_unique<QGuiApplication>(argc, argv);
        }
        return c.run(args);
    }
    std::fprintf(stderr, "quenlor-cli: unknown command '%s' (see quenlor-cli --help)\n", argv[1]);
    return 2;
}
