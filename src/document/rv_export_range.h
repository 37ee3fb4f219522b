// The pieces of a document that an export (RTF, HTML) writes for a range: the
// whole document or a selection. Both writers walk the same list, so they
// agree on which items and characters a copy contains.
#pragma once
#include "rv_data.h"

#include <string>
#include <vector>

namespace rv {

struct TRVExportPiece {
    int ItemNo = 0;
    // Characters written, 0-based [From, To) in the item's units; non-text items 0..1.
    int From = 0, To = 0;
    // The piece starts a new line (paragraph or line break) after the first piece.
    bool NewLine = false;
    // A text item cut inside before From: its checkpoint is not part of the range.
    bool CutStart = false;
};

struct TRVExportRange {
    std::vector<TRVExportPiece> Pieces;
    bool Whole = false;
    // The range runs to the end of the document's last item.
    bool ReachesEnd = false;
};

// The whole document.
TRVExportRange ExportWholeDocument(const TCustomRVData &data);
// A selection, offsets as selection offsets (text 1 .. length + 1; others 0 or
// 1), ends in either order. An empty or invalid selection gives no pieces.
TRVExportRange ExportSelection(const TCustomRVData &data, int startItem, int startOffs, int endItem, int endOffs);

// Runs an export writer over `range` and appends its whole text to `out`; a
// writer that fails leaves `out` as it was and gives its reason in `error`.
// `Writer` is built from the document (and `args`), has write(range) and out.
template <class Writer, class... Args>
bool RunExportWriter(const TCustomRVData &data, std::string &out, const TRVExportRange &range, std::string *error,
                     const Args &...args)
{
    if (!data.GetRVStyle()) {
        if (error)
            *error = "the document has no style sheet";
        return false;
    }
    try {
        Writer w(data, args...);
        w.write(range);
        // Only a complete text is handed out: a failure above leaves `out` as it was.
        out += w.out;
        return true;
    } catch (const std::exception &e) {
        if (error)
            *error = e.what();
        return false;
    }
}

// The list marker that starts item i's paragraph, or -1.
int ParagraphMarker(const TCustomRVData &data, int i);

// The text marker item i shows (8-bit, in its level font's code page): the
// text the list numbering computed, or, for a marker that has none yet, a
// simple form of its own: the bullet text, or the counters of the levels up
// to its own in their notations, counted over the markers before it.
std::string ExportMarkerText(const TCustomRVData &data, int i);

} // namespace rv
