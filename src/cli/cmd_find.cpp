// quenlor-cli find FILE.rvf TEXT [--case] [--word] [--up] [--ignore-accents]: every match the
// viewer's repeated find-next visits, one "ITEM<TAB>OFFSET" line each.
#include "cli.h"
#include "headless_document.h"

#include "platform/codepage.h"

#include <cstdio>

namespace {

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
    rv::TReadViewRVData &data = doc.data;
    const std::u16string what = platform::utf8ToUtf16(plain[1]);
    // The first search starts at the document's start (or end, upward); each
    // further one after the previous match, as find-next does.
    uint32_t opts = options | rv::rvsroFromStart;
    int count = 0;
    while (data.SearchText(what, opts)) {
        opts = options;
        rv::TRVItemPos a, b;
        data.GetSelectionItems(a, b);
        std::printf("%d\t%d\n", a.ItemNo, a.Offs);
        ++count;
    }
    return count > 0 ? 0 : 1;
}

} // namespace

QUENLOR_CLI_COMMAND("find", "find FILE.rvf TEXT [--case] [--word] [--up] [--ignore-accents]",
                    "list the matches find-next visits: ITEM<TAB>OFFSET per line (item index from 0, "
                    "offset of the first matched character from 1; 0 for a tab item); --ignore-accents lets "
                    "\"Jesus\" find \"Jesús\"; exit 1 when none",
                    runFind);
