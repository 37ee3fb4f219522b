// quenlor-cli text FILE.rvf: the plain text a copy of the whole document puts
// on the clipboard, in UTF-8.
#include "cli.h"
#include "headless_document.h"

#include "platform/codepage.h"

#include <cstdio>

namespace {

int runText(const std::vector<std::string> &args)
{
    static const cli::Command self{"text", "text FILE.rvf", "", nullptr};
    if (args.size() != 1)
        return cli::usageError(self);
    cli::HeadlessDocument doc;
    if (int failed = doc.Load(args[0]))
        return failed;
    rv::TReadViewRVData &data = doc.data;
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
