// quenlor-cli-qt: the commands that need Qt (documents, layout, printing),
// which quenlor-cli hands over here with its own arguments.
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

// Writes the commands of this program as the rows of a C++ array, for
// quenlor-cli's --help and its choice of the commands it hands over here.
static int writeCommandTable(const char *path)
{
    FILE *out = std::fopen(path, "w");
    if (!out) {
        std::fprintf(stderr, "quenlor-cli-qt: cannot write %s: %s\n", path, std::strerror(errno));
        return 1;
    }
    auto literal = [out](const char *s) {
        std::fputc('"', out);
        for (; *s; ++s) {
            const unsigned char c = static_cast<unsigned char>(*s);
            if (c == '"' || c == '\\')
                std::fprintf(out, "\\%c", c);
            else if (c < 0x20 || c == 0x7F)
                std::fprintf(out, "\\%03o", c);
            else
                std::fputc(c, out);
        }
        std::fputc('"', out);
    };
    for (const cli::Command &c : cli::registry()) {
        std::fputc('{', out);
        literal(c.name);
        std::fputs(", ", out);
        literal(c.usage);
        std::fputs(", ", out);
        literal(c.summary);
        std::fputs("},\n", out);
    }
    return std::fclose(out) == 0 ? 0 : 1;
}

int main(int argc, char **argv)
{
    // Run under the user's locale, as the reader does (Qt sets it there), so that
    // output that must not depend on it is checked where it could.
    std::setlocale(LC_ALL, "");
    if (cli::isHelpRequest(argc, argv)) {
        cli::printHelp(stdout, cli::registry());
        return argc < 2 ? 2 : 0;
    }
    if (argc == 3 && !std::strcmp(argv[1], "--command-table"))
        return writeCommandTable(argv[2]);
    for (auto &c : cli::registry()) {
        if (std::strcmp(c.name, argv[1]) != 0)
            continue;
        const std::vector<std::string> args(argv + 2, argv + argc);
        const bool usageOnly = std::find(args.begin(), args.end(), "--help") != args.end();
        std::unique_ptr<QGuiApplication> app;
        if (c.needsGui && !usageOnly) {
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
        return cli::runRegistered(c, args);
    }
    std::fprintf(stderr, "quenlor-cli: unknown command '%s' (see quenlor-cli --help)\n", argv[1]);
    return 2;
}
