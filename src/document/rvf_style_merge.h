// Helpers shared by the insert-mode merging of the three style tables: the
// similarity rules, and finding or appending a sheet style for a file's one.
#pragma once
#include "rv_style.h"

#include <vector>

namespace rv::stylemerge {

// The size rule of the similarity score.
int sizeScore(int f, int s, int weight);

// The colour rule of the similarity score.
int colorScore(TColor a, TColor b, int w, int bright);

// A sheet reference (NextStyleNo, NextParaNo) counts as equal when it maps to
// the file's reference through the map built so far; a reference the map does
// not reach yet is dropped from the sheet.
bool referenceMatches(int &sheetRef, int fileRef, const std::vector<int> &map);

// A file's style reference rewritten through the map; -1 when it leads nowhere.
void translate(int &ref, const std::vector<int> &map);

// The index below `count` with the highest score among those `accept` takes,
// the first one on ties; -1 when none is taken.
template <class Score, class Accept>
int mostSimilar(int count, Score score, Accept accept)
{
    int best = -1, bestScore = 0;
    for (int k = 0; k < count; ++k) {
        if (!accept(k))
            continue;
        int sc = score(k);
        if (best < 0 || sc > bestScore)
            best = k, bestScore = sc;
    }
    return best;
}

// The first sheet index `usable` takes, trying the file's own index `i` before
// the others, so an unchanged sheet maps onto itself; -1 when none is usable.
template <class Usable>
int findPreferring(int i, int count, Usable usable)
{
    if (i < count && usable(i))
        return i;
    for (int k = 0; k < count; ++k)
        if (usable(k))
            return k;
    return -1;
}

// The sheet's style equal to `f` whose next-style reference (`next`) maps the
// same way, or `f` appended as a style of the document's own.
template <class Infos, class Info>
int findOrAppend(Infos &sheet, const Info &f, int i, int Info::*next, const std::vector<int> &map)
{
    int found = findPreferring(i, sheet.Count(), [&](int k) {
        Info &s = sheet[k];
        return s.IsEqual(f, true) && referenceMatches(s.*next, f.*next, map);
    });
    if (found < 0) {
        Info &added = sheet.Add(f);
        added.Standard = false;
        found = sheet.Count() - 1;
    }
    return found;
}

} // namespace rv::stylemerge
