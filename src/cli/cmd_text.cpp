// quenlor-cli text FILE.rvf: the plain text a copy of the whole document puts
// on the clipboard, in UTF-8.
#include "cli.h"

#include "document/rvf_reader.h"
#include "platform/codepage.h"
#include "viewer/rv_headless.h"

#include <cstdio>
#include <fstream>

namespace {

int runText(const std::vector<std::string> &args)
{
    static const cli::Command self{"text", "text FILE.rvf", "", nullptr};
    if (args.size() != 1)
        return cli::usageError(self);
    if (!std::ifstream(args[0], std::ios::binary)) {
        std::fprintf(stderr, "quenlor-cli: cannot open %s\n", args[0].c_str());
        return 2;
    }
    rv::TRVStyle style;
    style.LoadReaderDefaults();
    rv::TRVHeadlessHost host;
    rv::TReadViewRVData data(host, &style);
    if (!rv::LoadRVFFromFile(data, args[0])) {
        std::fprintf(stderr, "quenlor-cli: %s is not a readable RVF document\n", args[0].c_str());
        return 1;
    }
    data.FormatDocument();
    data.SelectAll();
    // Exactly the clipboard's text: lines end in CR LF, and the last one has none.
    const std::string text = platform::utf16ToUtf8(data.GetSelTextW());
    std::fwrite(text.data(), 1, text.size(), stdout);
    return 0;
}

} // namespace

QUENLOR_CLI_COMMAND("text", "text FILE.rvf",
                    "print the document's plain text as a copy of everything gives it (UTF-8, CR LF line ends)",
                    runText);
