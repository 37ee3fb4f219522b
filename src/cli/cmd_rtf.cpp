// quenlor-cli rtf FILE.rvf: the RTF that a copy of the whole document puts on
// the clipboard, byte for byte, on standard output.
#include "cli.h"
#include "headless_document.h"

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

int runRtf(const std::vector<std::string> &args)
{
    static const cli::Command self{"rtf", "rtf FILE.rvf", "", nullptr};
    if (args.size() != 1)
        return cli::usageError(self);
    std::error_code ec;
    if (std::filesystem::is_directory(args[0], ec)) {
        std::fprintf(stderr, "quenlor-cli: cannot open %s: it is a folder\n", args[0].c_str());
        return 2;
    }
    cli::HeadlessDocument doc;
    if (int failed = doc.Load(args[0]))
        return failed;
    doc.data.SelectAll();
    std::string rtf, error;
    // Written whole before anything reaches standard output, so a failure
    // leaves it empty.
    if (doc.data.ItemCount() > 0 && !doc.data.GetSelectionRTF(rtf, &error)) {
        std::fprintf(stderr, "quenlor-cli: cannot write the RTF of %s: %s\n", args[0].c_str(), error.c_str());
        return 1;
    }
    std::fwrite(rtf.data(), 1, rtf.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

} // namespace

QUENLOR_CLI_COMMAND("rtf", "rtf FILE.rvf", "print the RTF that a copy of the whole document puts on the clipboard",
                    runRtf);
