// quenlor-cli import-sword: runs quenlor-import-sword, found beside this
// program, with the same arguments. The importer is a program of its own so
// that libsword is loaded only by the one command that reads a SWORD module.
#include "cli.h"

#include "platform/folders.h"

#include <cstdio>
#include <filesystem>

namespace {

int runImportSword(const std::vector<std::string> &args);

const cli::Command kImportCommand{
    "import-sword", "import-sword [--module NAME] [--books FILE] [--chapters LIST] OUTDIR",
    "write OUTDIR/RV1960.xml from a SWORD Bible module (LIST e.g. Jn:3,Ro:8,Sal:23)", runImportSword};
QUENLOR_CLI_COMMAND(kImportCommand);

#ifdef _WIN32
constexpr const char *kImporter = "quenlor-import-sword.exe";
#else
constexpr const char *kImporter = "quenlor-import-sword";
#endif

int runImportSword(const std::vector<std::string> &args)
{
    const std::string importer = platform::programDir() + kImporter;
    std::error_code ec;
    if (!std::filesystem::exists(importer, ec)) {
        std::fprintf(stderr,
                     "import-sword: %s is missing (this build has no SWORD importer: install libsword-dev "
                     "and rebuild)\n",
                     importer.c_str());
        return 1;
    }
    std::vector<std::string> argv{importer};
    argv.insert(argv.end(), args.begin(), args.end());
    // The importer takes this process's place: its output and exit status are the command's.
    return cli::runInstead(importer, argv, "import-sword");
}

} // namespace
