// quenlor-cli dump FILE: the items of an RVF document as the reader loads them.
#include "cli.h"

#include "document/rv_data.h"
#include "document/rvf_reader.h"
#include "platform/codepage.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

std::string escaped(const std::string &utf8)
{
    std::string out;
    for (char c : utf8) {
        if (c == '\t') out += "\\t";
        else if (c == '\r') out += "\\r";
        else if (c == '\n') out += "\\n";
        else out.push_back(c);
    }
    return out;
}

int runDump(const std::vector<std::string> &args)
{
    static const cli::Command self{"dump", "dump FILE", "", nullptr};
    if (args.size() != 1)
        return cli::usageError(self);
    // A folder opens as a stream on Linux but holds no bytes to read: it is a
    // file that cannot be opened, not a document that failed to load.
    std::error_code ec;
    if (!std::ifstream(args[0], std::ios::binary) || std::filesystem::is_directory(args[0], ec)) {
        std::fprintf(stderr, "quenlor-cli: cannot open %s\n", args[0].c_str());
        return 2;
    }
    rv::TRVStyle style;
    style.LoadReaderDefaults();
    rv::TCustomRVData doc(&style);
    bool ok = rv::LoadRVFFromFile(doc, args[0]);
    for (int i = 0; i < doc.ItemCount(); ++i) {
        const rv::TCustomRVItemInfo &item = doc.GetItem(i);
        // A list marker shows its computed text, not its stored name.
        const std::string &raw = item.StyleNo == rv::ikListMarker
                                     ? static_cast<const rv::TRVMarkerItemInfo &>(item).DisplayString
                                     : doc.ItemText(i);
        std::string text = item.IsText() ? platform::utf16ToUtf8(doc.ItemTextW(i))
                                         : platform::utf16ToUtf8(platform::toUtf16(raw, platform::CP_ACP));
        std::printf("%d\t%d\t%d\t%d\t%d\t%s\n", i, item.StyleNo, item.ParaNo, item.ItemOptions, item.Tag,
                    escaped(text).c_str());
    }
    std::printf("styles: %d %d %d\n", style.TextStyles.Count(), style.ParaStyles.Count(), style.ListStyles.Count());
    std::printf("warnings: %d\n", doc.LoadWarnings);
    rv::TRVDocParameters defaults;
    std::printf("%s\n", (doc.DocParameters ? *doc.DocParameters : defaults).DumpLine().c_str());
    std::printf("result: %s\n", ok ? "true" : "false");
    return ok ? 0 : 1;
}

} // namespace

QUENLOR_CLI_COMMAND("dump", "dump FILE", "list the items of an RVF document as the reader loads them", runDump);
