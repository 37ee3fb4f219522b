// Interaction costs on the long sample study, as ratios against peers timed
// in the same run:
//  - hover: moving on and off a hyperlink near the end of the document
//    against the same near the top (a cost that grows with the position
//    would show a walk over the document per mouse move; target about 1);
//  - search: find a word that occurs only at the end, against scanning the
//    same item texts with memchr and memcmp (the practical limit).
#include "document/rvf_reader.h"
#include "viewer/rv_headless.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

using namespace rv;
using Clock = std::chrono::steady_clock;

namespace {

double seconds(Clock::time_point a, Clock::time_point b)
{
    return std::chrono::duration<double>(b - a).count();
}

// A hyperlink piece inside the client area at the current scroll position,
// and a point on plain text of the same screen.
bool pickPoints(const TReadViewRVData &d, const TRVHeadlessHost &h, int &lx, int &ly, int &tx, int &ty)
{
    const int dy = h.VPos - d.DocumentOffsetY();
    bool link = false, text = false;
    for (int k = 0; k < d.DrawItemList().Count() && !(link && text); ++k) {
        const TRVDrawLineInfo &p = d.DrawItemList()[k];
        if (p.Top - dy < 0 || p.Bottom() - dy > h.Height || p.Width < 4)
            continue;
        const bool isLink = d.IsHyperlink(p.ItemNo);
        if (isLink && !link) {
            lx = p.Left + 2;
            ly = p.Top - dy + 2;
            link = true;
        } else if (!isLink && !text && d.GetItem(p.ItemNo).IsText()) {
            tx = p.Left + 2;
            ty = p.Top - dy + 2;
            text = true;
        }
    }
    return link && text;
}

double hoverCost(TReadViewRVData &d, TRVHeadlessHost &h, int moves)
{
    int lx = 0, ly = 0, tx = 0, ty = 0;
    if (!pickPoints(d, h, lx, ly, tx, ty)) {
        std::fprintf(stderr, "no hyperlink on this screen\n");
        return 0;
    }
    auto t0 = Clock::now();
    for (int i = 0; i < moves; ++i) {
        d.MouseMove(lx, ly, 0);
        d.MouseMove(tx, ty, 0);
    }
    return seconds(t0, Clock::now()) / (2.0 * moves);
}

} // namespace

int main(int argc, char **argv)
{
    const std::string file = argc > 1 ? argv[1] : std::string(QUENLOR_TEST_DATA) + "/Estudios/Estudio-largo.rvf";
    TRVStyle style;
    style.LoadReaderDefaults();
    TRVHeadlessHost host(640, 480);
    TReadViewRVData data(host, &style);
    if (!LoadRVFFromFile(data, file)) {
        std::fprintf(stderr, "cannot read %s\n", file.c_str());
        return 1;
    }
    // A word that occurs only at the end of the document.
    const std::string word = "zurribanda";
    auto last = std::make_unique<TRVTextItemInfo>(0);
    data.AddItem("Fin del estudio: " + word + ".", std::move(last));
    data.FormatDocument();
    std::printf("document: %d items, %d draw items, %d hyperlink pieces, %d pixels high\n", data.ItemCount(),
                data.DrawItemList().Count(), int(data.Jumps().size()), data.ContentHeight());

    const int moves = 100000;
    host.VPos = 0;
    double top = hoverCost(data, host, moves);
    host.ScrollToPixelY(data.ContentHeight() - host.Height - 200);
    double end = hoverCost(data, host, moves);
    std::printf("hover: %.3f us per move at the top, %.3f us at the end; end / top = %.2f\n", top * 1e6, end * 1e6,
                top > 0 ? end / top : 0.0);

    size_t bytes = 0;
    for (int i = 0; i < data.ItemCount(); ++i)
        if (data.GetItem(i).IsText())
            bytes += data.ItemText(i).size();
    const int rounds = 50;
    const std::u16string w16(word.begin(), word.end());
    for (uint32_t extra : {uint32_t(0), uint32_t(rvsroMatchCase)}) {
        int found = 0;
        auto t0 = Clock::now();
        for (int r = 0; r < rounds; ++r)
            found += data.SearchText(w16, rvsroDown | rvsroFromStart | extra) ? 1 : 0;
        double s = seconds(t0, Clock::now()) / rounds;
        TRVItemPos a, b;
        data.GetSelectionItems(a, b);
        // The peer: memchr for the first byte and memcmp, over the same item texts.
        size_t hits = 0;
        auto m0 = Clock::now();
        for (int r = 0; r < rounds; ++r)
            for (int i = 0; i < data.ItemCount(); ++i) {
                std::string_view t = data.ItemText(i);
                const char *p = t.data(), *e = t.data() + t.size();
                while (p < e) {
                    const void *q = std::memchr(p, word[0], size_t(e - p));
                    if (!q)
                        break;
                    p = static_cast<const char *>(q);
                    if (size_t(e - p) >= word.size() && std::memcmp(p, word.data(), word.size()) == 0)
                        ++hits;
                    ++p;
                }
            }
        double ms = seconds(m0, Clock::now()) / rounds;
        std::printf("search%s: found %d/%d at item %d; %.0f MB/s, memchr scan %.0f MB/s (%zu hits); ratio %.2f\n",
                    extra ? " (match case)" : "", found, rounds, a.ItemNo, bytes / s / 1e6, bytes / ms / 1e6,
                    hits / rounds, ms / s);
    }
    return 0;
}
