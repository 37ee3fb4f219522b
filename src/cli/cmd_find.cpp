// quenlor-cli find FILE.rvf TEXT [--case] [--word] [--up] [--ignore-accents]: every match
// the viewer's repeated find-next visits, one "ITEM<TAB>OFFSET" line each; matches
// inside table cells as "ITEM/ROW/COL/SUBITEM<TAB>OFFSET", where the table stands.
#include "cli.h"
#include "headless_document.h"

#include "document/rv_table.h"
#include "platform/codepage.h"

#include <cstdio>
#include <map>
#include <vector>

namespace {

// Prints every match of `data` in the order find-next visits them; a table
// item's cells are searched in row-major order (reversed upward) where the
// table stands, each match there printed as ITEM/ROW/COL/SUBITEM.
void findAll(rv::TReadViewRVData &data, rv::TRVStyle &style, const std::u16string &what, uint32_t options,
             const std::string &prefix, int &count)
{
    std::map<int, std::vector<int>> found;
    // The first search starts at the document's start (or end, upward); each
    // further one after the previous match, as find-next does.
    uint32_t opts = options | rv::rvsroFromStart;
    while (data.SearchText(what, opts)) {
        opts = options;
        rv::TRVItemPos a, b;
        data.GetSelectionItems(a, b);
        found[a.ItemNo].push_back(a.Offs);
    }
    const rv::TCustomRVData &items = data.Items();
    const bool down = options & rv::rvsroDown;
    const int n = items.ItemCount();
    for (int k = 0; k < n; ++k) {
        const int i = down ? k : n - 1 - k;
        for (int offs : found[i]) {
            std::printf("%s%d\t%d\n", prefix.c_str(), i, offs);
            ++count;
        }
        auto *table = dynamic_cast<const rv::TRVTableItemInfo *>(&items.GetItem(i));
        if (!table)
            continue;
        const int cells = table->RowCount() * table->ColCount();
        for (int c = 0; c < cells; ++c) {
            const int slot = down ? c : cells - 1 - c;
            const int row = slot / table->ColCount(), col = slot % table->ColCount();
            rv::TRVTableCellData *cell = table->Cell(row, col);
            if (!cell || cell->ItemCount() == 0)
                continue;
            rv::TRVHeadlessHost host;
            rv::TReadViewRVData cellView{host, &style};
            cellView.ShareItemsFrom(cell);
            cellView.FormatDocument();
            findAll(cellView, style, what, options,
                    prefix + std::to_string(i) + "/" + std::to_string(row) + "/" + std::to_string(col) + "/", count);
        }
    }
}

int runFind(const std::vector<std::string> &args)
{
    static const cli::Command self{"find", "find FILE.rvf TEXT [--case] [--word] [--up] [--ignore-accents]", "", nullptr};
    std::vector<std::string> plain;
    uint32_t options = rv::rvsroDown;
    for (const std::string &a : args) {
        if (a == "--case")
            options |= rv::rvsroMatchCase;
        else if (a == "--word")
            options |= rv::rvsroWholeWord;
        else if (a == "--ignore-accents")
            options |= rv::rvsroIgnoreAccents;
        else if (a == "--up")
            options &= ~uint32_t(rv::rvsroDown);
        else if (a.size() > 2 && a.compare(0, 2, "--") == 0)
            return cli::usageError(self);
        else
            plain.push_back(a);
    }
    if (plain.size() != 2 || plain[1].empty())
        return cli::usageError(self);
    cli::HeadlessDocument doc;
    if (int failed = doc.Load(plain[0]))
        return failed;
    int count = 0;
    findAll(doc.data, doc.style, platform::utf8ToUtf16(plain[1]), options, "", count);
    return count > 0 ? 0 : 1;
}

} // namespace

QUENLOR_CLI_COMMAND("find", "find FILE.rvf TEXT [--case] [--word] [--up] [--ignore-accents]",
                    "list the matches find-next visits: ITEM<TAB>OFFSET per line (item index from 0, "
                    "offset of the first matched character from 1; 0 for a tab item); a match in a table cell "
                    "as ITEM/ROW/COL/SUBITEM<TAB>OFFSET; --ignore-accents lets \"Jesus\" find \"Jesús\"; exit 1 when none",
                    runFind);
