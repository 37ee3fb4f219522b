// List markers: which level a marker shows, how markers of a list are
// numbered, the marker's text, and its size, placement and drawing on a canvas.
#pragma once
#include "rv_item.h"
#include "rv_style.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace rv {

class TCustomRVData;

// Format arguments a numbered marker can fill (argument n is level n's number).
constexpr int kMaxMarkerArgs = 256;
// Roman numerals are written out only below this; larger numbers stay decimal,
// so a huge counter never turns into a huge string.
constexpr int kMaxRomanNumber = 4000000;

// A number in a level's notation: decimal, bijective base-26 letters (empty
// for n <= 0), Roman numerals ("?" for n <= 0); empty for other list types.
std::string ListNumberText(TRVListType type, int n);

// Formats `fmt` with text arguments: "%s" takes the next argument, "%N:s"
// argument N (later plain directives continue from N + 1), with the optional
// "-", width and ".precision" of the classic format syntax; "%%" is a percent
// sign. False when a directive takes anything but text, names a missing
// argument or is cut short.
bool FormatWithTextArgs(std::string_view fmt, std::span<const std::string> args, std::string &out);

// Index of the level a marker shows (the last level when Level is past the
// list's end), or -1 when it has none: negative ListNo or Level, an unknown
// list, a list without levels.
int MarkerLevelIndex(const TRVStyle &style, const TRVMarkerItemInfo &m);
const TRVListLevel *MarkerLevel(const TRVStyle &style, const TRVMarkerItemInfo &m);

// Numbers markers in document order. Markers are added one by one; each gets
// its Counter and DisplayString. A document nested in another continues from
// a copy of the parent's numbering taken where the nested document stands.
class TRVMarkerNumbering {
public:
    explicit TRVMarkerNumbering(const TRVStyle &style) : style_(&style) {}
    void Add(TRVMarkerItemInfo &m);

private:
    struct Entry {
        int level, counter, seq;
    };
    struct ListState {
        // Markers that no later marker of a lower or equal level has hidden:
        // strictly increasing levels, the top one the latest.
        std::vector<Entry> chain;
        std::vector<int> lastCounter; // per level: the latest marker's counter, or INT_MIN
        std::vector<int> lastSeq;     // per level: when it came, or -1
        int maxLevelSeen = -1;
    };
    ListState &state(int listNo);
    // The counter of the next marker at level L that does not reset it.
    static int nextCounter(const ListState &s, const TRVListLevel &level, int L);
    // The text a marker at level L shows with `counter`, its ancestors in s.chain.
    static std::string markerText(const TRVListInfo &list, int L, const ListState &s, int counter);
    const TRVStyle *style_;
    std::vector<ListState> lists_;
    int seq_ = 0;
};

// Numbers every marker of the document (and of its notes' documents).
void NumberListMarkers(TCustomRVData &doc);

// A note's number in the sheet's numbering type (1, a, A, i, I).
std::string NoteNumberText(TRVSeqType type, int n);
// Numbers the document's footnotes and its endnotes, each kind 1, 2, ... in
// document order (a note with Reset starts again at its StartFrom), and puts
// the number in each note's label text and in the note-reference labels of
// its own document, which show the number of the note they stand in.
void NumberNotes(TCustomRVData &doc);
// Gives one note (and the references in its document) the label `text`.
void SetNoteLabel(TCustomRVNoteItemInfo &note, const std::string &text);

// Marker measurements on one canvas. Before/After: how far the marker extends
// left and right of its position (MarkerIndent); After includes the gap up to
// the text's indent.
struct TRVMarkerMetrics {
    int Width = 0, Height = 0, Descent = 0;
    int Before = 0, After = 0;
};

// Puts the level's font (and colour, converted for printing like text
// colours) on the canvas: character extra 0, text alignment 0, clear background.
// screenDpiY: the resolution the stored height is meant for; 0 when the canvas
// is the screen itself.
void ApplyMarkerFont(const TRVStyle &style, const TRVListLevel &level, platform::Canvas &canvas,
                     bool printing = false, TRVColorMode colorMode = rvcmColor, int screenDpiY = 0);

// Measures the marker on the canvas. Lengths from the level (picture size,
// indents) are screen pixels scaled by canvas dpi over screenDpi (0: the
// canvas is the screen).
TRVMarkerMetrics MeasureMarker(const TRVStyle &style, const TRVMarkerItemInfo &m, platform::Canvas &canvas,
                               int screenDpiX = 0, int screenDpiY = 0);

// Before/After for a measured width, an alignment and a gap (the text's indent
// less the marker's, already scaled); After is at least the gap.
void PlaceMarker(TRVMarkerAlignment align, int width, int gap, int &before, int &after);

// The x where drawing starts for a marker whose box (Before + After wide) has
// its position at `pos`.
int MarkerDrawX(const TRVMarkerMetrics &mm, int pos, bool rightToLeft);

// Draws the marker with its top-left at (x, y).
void DrawMarker(const TRVStyle &style, const TRVMarkerItemInfo &m, platform::Canvas &canvas, int x, int y,
                const platform::Rect &pictureBox, bool printing = false, TRVColorMode colorMode = rvcmColor,
                int screenDpiY = 0);

// The marker's text as plain text for copying: its computed text, or the
// Unicode bullet; empty when it shows a picture or nothing.
std::u16string MarkerPlainText(const TRVStyle &style, const TRVMarkerItemInfo &m);

} // namespace rv
