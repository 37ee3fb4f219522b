// quenlor-cli find FILE.rvf TEXT [--case] [--word] [--up] [--ignore-accents]: every match
// the viewer's repeated find-next visits, one "ITEM<TAB>OFFSET" line each; matches
// inside table cells as "ITEM/ROW/COL/SUBITEM<TAB>OFFSET", where the table stands.
#include "cli.h"
#include "headless_document.h"

#include "viewer/rv_table_layout.h"
#include "platform/codepage.h"

#include <cstdio>
#include <string>

namespace {

// Prints every match in the order find-next visits them: the viewer's own
// search walks the tables where they stand, cell by cell in row-major order
// (reversed upward) and into tables nested in cells; a match in a cell is
// printed with the path to it, ITEM/ROW/COL/ for each table on the way.
void findAll(rv::TReadViewRVData &data, const std::u16string &what, uint32_t options, int &count)
{
    // The first search starts at the document's start (or end, upward); each
    // further one after the previous match, as find-next does.
    uint32_t opts = options | rv::rvsroFromStart;
    while (data.SearchText(what, opts)) {
        opts = options;
        std::string where;
        rv::TRVItemPos a, b;
        if (data.CellSelectionExists()) {
            const auto &c = data.CellSelection();
            const rv::TCustomRVFormattedData *f = &data;
            for (const auto &step : c.Path()) {
                const rv::TRVTableLayout *t = f ? f->TableLayoutOf(step.TableItem) : nullptr;
                if (!t || step.CellNo < 0 || step.CellNo >= int(t->Cells.size()))
                    return;
                const rv::TRVCellBox &box = t->Cells[size_t(step.CellNo)];
                where += std::to_string(step.TableItem) + "/" + std::to_string(box.Row) + "/"
                         + std::to_string(box.Col) + "/";
                f = box.Data.get();
            }
            a = c.Anchor;
            b = c.Moving;
            if (b.ItemNo < a.ItemNo || (b.ItemNo == a.ItemNo && b.Offs < a.Offs))
                a = b;
        } else if (!data.GetSelectionItems(a, b)) {
            return;
        }
        std::printf("%s%d\t%d\n", where.c_str(), a.ItemNo, a.Offs);
        ++count;
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
    findAll(doc.data, platform::utf8ToUtf16(plain[1]), options, count);
    return count > 0 ? 0 : 1;
}

} // namespace

QUENLOR_CLI_COMMAND("find", "find FILE.rvf TEXT [--case] [--word] [--up] [--ignore-accents]",
                    "list the matches find-next visits: ITEM<TAB>OFFSET per line (item index from 0, "
                    "offset of the first matched character from 1; 0 for a tab item); a match in a table cell "
                    "as ITEM/ROW/COL/SUBITEM<TAB>OFFSET; --ignore-accents lets \"Jesus\" find \"Jesús\"; exit 1 when none",
                    runFind);
