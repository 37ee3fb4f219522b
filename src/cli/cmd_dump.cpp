// quenlor-cli dump FILE: the items of an RVF document as the reader loads them.
#include "cli.h"

#include "document/rv_data.h"
#include "document/rv_table.h"
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

// Items one per line; a table is one line "table ROWSxCOLS", then per cell a
// line "cell ROW,COL span COLSPANxROWSPAN" and the cell's items, each level
// indented two spaces further.
void dumpItems(const rv::TCustomRVData &doc, const std::string &indent)
{
    for (int i = 0; i < doc.ItemCount(); ++i) {
        const rv::TCustomRVItemInfo &item = doc.GetItem(i);
        auto *table = dynamic_cast<const rv::TRVTableItemInfo *>(&item);
        // A list marker shows its computed text, not its stored name.
        std::string_view raw = item.StyleNo == rv::ikListMarker
                                   ? std::string_view(static_cast<const rv::TRVMarkerItemInfo &>(item).DisplayString)
                                   : doc.ItemText(i);
        std::string text = table ? "table " + std::to_string(table->RowCount()) + "x" + std::to_string(table->ColCount())
                         : item.IsText() ? platform::utf16ToUtf8(doc.ItemTextW(i))
                                         : platform::utf16ToUtf8(platform::toUtf16(raw, platform::CP_ACP));
        std::printf("%s%d\t%d\t%d\t%d\t%d\t%s\n", indent.c_str(), i, item.StyleNo, item.ParaNo, item.ItemOptions,
                    item.Tag, escaped(text).c_str());
        if (!table)
            continue;
        for (int r = 0; r < table->RowCount(); ++r)
            for (int c = 0; c < table->ColCount(); ++c)
                if (const rv::TRVTableCellData *cell = table->Cell(r, c)) {
                    std::printf("%s  cell %d,%d span %dx%d\n", indent.c_str(), r, c, cell->ColSpan, cell->RowSpan);
                    dumpItems(*cell, indent + "    ");
                }
    }
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
    dumpItems(doc, "");
    std::printf("styles: %d %d %d\n", style.TextStyles.Count(), style.ParaStyles.Count(), style.ListStyles.Count());
    std::printf("warnings: %d\n", doc.LoadWarnings);
    rv::TRVDocParameters defaults;
    std::printf("%s\n", (doc.DocParameters ? *doc.DocParameters : defaults).DumpLine().c_str());
    if (!ok)
        std::printf("error: %s\n", doc.LoadError.Failed() ? doc.LoadError.Text().c_str() : "the read failed");
    std::printf("result: %s\n", ok ? "true" : "false");
    return ok ? 0 : 1;
}

} // namespace

QUENLOR_CLI_COMMAND("dump", "dump FILE", "list the items of an RVF document as the reader loads them", runDump);
