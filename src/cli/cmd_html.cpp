// quenlor-cli html FILE.rvf: the HTML that a copy of the whole document puts on
// the clipboard, byte for byte, on standard output.
#include "cli.h"
#include "headless_document.h"

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

int runHtml(const std::vector<std::string> &args)
{
    static const cli::Command self{"html", "html FILE.rvf", "", nullptr};
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
    std::string html, error;
    // Written whole before anything reaches standard output, so a failure
    // leaves it empty.
    if (doc.data.ItemCount() > 0 && !doc.data.GetSelectionHTML(html, &error)) {
        std::fprintf(stderr, "quenlor-cli: cannot write the HTML of %s: %s\n", args[0].c_str(), error.c_str());
        return 1;
    }
    std::fwrite(html.data(), 1, html.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

} // namespace

QUENLOR_CLI_COMMAND("html", "html FILE.rvf", "print the HTML (UTF-8) that a copy of the whole document puts on the clipboard",
                    runHtml);
