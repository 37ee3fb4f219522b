// quenlor-cli rtf FILE.rvf and html FILE.rvf: the RTF or the HTML that a copy
// of the whole document puts on the clipboard, byte for byte, on standard output.
#include "cli.h"
#include "headless_document.h"

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

using Writer = bool (rv::TReadViewRVData::*)(std::string &, std::string *) const;

int runExport(const std::vector<std::string> &args, const char *name, const char *format, Writer write)
{
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: quenlor-cli %s FILE.rvf\n", name);
        return 2;
    }
    std::error_code ec;
    if (std::filesystem::is_directory(args[0], ec)) {
        std::fprintf(stderr, "quenlor-cli: cannot open %s: it is a folder\n", args[0].c_str());
        return 2;
    }
    cli::HeadlessDocument doc;
    if (int failed = doc.Load(args[0]))
        return failed;
    doc.data.SelectAll();
    std::string out, error;
    // Written whole before anything reaches standard output, so a failure
    // leaves it empty.
    if (doc.data.ItemCount() > 0 && !(doc.data.*write)(out, &error)) {
        std::fprintf(stderr, "quenlor-cli: cannot write the %s of %s: %s\n", format, args[0].c_str(), error.c_str());
        return 1;
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

int runRtf(const std::vector<std::string> &args)
{
    return runExport(args, "rtf", "RTF", &rv::TReadViewRVData::GetSelectionRTF);
}

int runHtml(const std::vector<std::string> &args)
{
    return runExport(args, "html", "HTML", &rv::TReadViewRVData::GetSelectionHTML);
}

} // namespace

QUENLOR_CLI_COMMAND("rtf", "rtf FILE.rvf", "print the RTF that a copy of the whole document puts on the clipboard",
                    runRtf);
QUENLOR_CLI_COMMAND("html", "html FILE.rvf", "print the HTML (UTF-8) that a copy of the whole document puts on the clipboard",
                    runHtml);
