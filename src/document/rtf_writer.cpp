#include "rtf_writer.h"

#include "platform/codepage.h"
#include "rv_error.h"
#include "rv_export_range.h"
#include "rv_graphic.h"
#include "rv_table.h"

#include <QBuffer>
#include <QImage>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <map>
#include <set>
#include <stdexcept>

namespace rv {

using namespace platform;

namespace {

// Lengths are whole twips: 1440 per inch, so 15 per pixel at 96 pixels per
// inch, rounded to the nearest twip.
int twipsOf(int px, int ppi)
{
    if (ppi <= 0)
        ppi = 96;
    return int(std::lround(double(px) * 1440.0 / ppi));
}

// Language identifier of a font character set; 0 means none is written.
int languageOfCharset(int charset)
{
    switch (charset) {
    case ANSI_CHARSET: return 1033;
    case DEFAULT_CHARSET: case ARABIC_CHARSET: case BALTIC_CHARSET: case EASTEUROPE_CHARSET: return 0;
    case SHIFTJIS_CHARSET: return 1041;
    case HANGEUL_CHARSET: return 1042;
    case JOHAB_CHARSET: return 2066;
    case GB2312_CHARSET: return 2052;
    case CHINESEBIG5_CHARSET: return 1028;
    case GREEK_CHARSET: return 1032;
    case TURKISH_CHARSET: return 1055;
    case VIETNAMESE_CHARSET: return 1066;
    case HEBREW_CHARSET: return 1037;
    case RUSSIAN_CHARSET: return 1049;
    case THAI_CHARSET: return 1054;
    default: return 1024;
    }
}

const char *kHexLower = "0123456789abcdef";

// Bytes at or above 0x80 and control bytes become \'xx with lower-case
// digits; backslash and braces get a backslash in front. In text (not in
// names) 0x95 is the \bullet control word and 0xA0 the no-break space \~.
void escapeByte(std::string &o, unsigned char c, bool inText)
{
    if (inText && c == 0x95) {
        o += "\\bullet ";
    } else if (inText && c == 0xA0) {
        o += "\\~";
    } else if (c == '\\' || c == '{' || c == '}') {
        o += '\\';
        o += char(c);
    } else if (c < 32 || c > 127) {
        o += "\\'";
        o += kHexLower[c >> 4];
        o += kHexLower[c & 15];
    } else {
        o += char(c);
    }
}

void escapeBytes(std::string &o, std::string_view s, bool inText)
{
    for (char c : s)
        escapeByte(o, uint8_t(c), inText);
}

// Text of a style that holds RTF code goes out as code, but balanced: a "}"
// without its "{" is written escaped, groups left open are closed, a
// backslash at the very end is escaped, and \bin (which would swallow what
// follows it) is written as text. A stray brace can then no longer break
// everything after it.
void writeRawRTF(std::string &o, std::string_view s)
{
    int depth = 0;
    for (size_t k = 0; k < s.size(); ++k) {
        unsigned char c = uint8_t(s[k]);
        if (c == '\\') {
            if (k + 1 >= s.size()) {
                o += "\\\\";
                continue;
            }
            if (s.compare(k + 1, 3, "bin") == 0 && (k + 4 >= s.size() || !std::isalpha(uint8_t(s[k + 4])))) {
                o += "\\\\";
                continue;
            }
            unsigned char n = uint8_t(s[k + 1]);
            if (n == '{' || n == '}' || n == '\\') {
                o += '\\';
                o += char(n);
                ++k;
                continue;
            }
            // Control words, \'xx and the control symbols readers know pass;
            // any other backslash is written as a literal one.
            const bool hexPair = n == '\'' && k + 3 < s.size() && std::isxdigit(uint8_t(s[k + 2]))
                && std::isxdigit(uint8_t(s[k + 3]));
            size_t letters = 0;
            while (k + 1 + letters < s.size() && std::isalpha(uint8_t(s[k + 1 + letters])))
                ++letters;
            if ((letters > 0 && letters <= 32) || hexPair || (n != 0 && std::strchr("~-_:*|", n)))
                o += '\\';
            else
                o += "\\\\";
            continue;
        }
        if (c == '{') {
            ++depth;
            o += '{';
        } else if (c == '}') {
            if (depth > 0) {
                --depth;
                o += '}';
            } else {
                o += "\\}";
            }
        } else if (c < 32 || c > 127) {
            escapeByte(o, c, false);
        } else {
            o += char(c);
        }
    }
    o.append(size_t(depth), '}');
}

// Font names end at ";" in the font table and may not open or close groups:
// those characters, backslashes and control bytes are dropped.
std::string cleanFontName(const std::string &name)
{
    std::string n;
    for (char c : name)
        if (c != ';' && c != '{' && c != '}' && c != '\\' && uint8_t(c) >= 32)
            n += c;
    while (!n.empty() && n.back() == ' ')
        n.pop_back();
    while (!n.empty() && n.front() == ' ')
        n.erase(n.begin());
    return n.empty() ? "Arial" : n;
}

bool sameName(const std::string &a, const std::string &b)
{
    return a.size() == b.size()
        && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return std::tolower(uint8_t(x)) == std::tolower(uint8_t(y)); });
}

// A bookmark name: letters and digits kept, everything else "_".
std::string bookmarkName(const std::string &name)
{
    std::string b;
    for (char c : name)
        b += std::isalnum(uint8_t(c)) ? c : '_';
    return b;
}

uint32_t le32(const std::string &s, size_t at)
{
    return uint8_t(s[at]) | uint8_t(s[at + 1]) << 8 | uint8_t(s[at + 2]) << 16 | uint32_t(uint8_t(s[at + 3])) << 24;
}

class TooLarge : public std::runtime_error {
public:
    TooLarge() : std::runtime_error("the RTF text would be too large") {}
};

class RTFWriter {
public:
    RTFWriter(const TCustomRVData &d, const TRVRTFSettings &s) : d_(&d), st_(*d.GetRVStyle()), s_(s) {}

    void write(const TRVExportRange &range);
    std::string out;

private:
    bool opt(TRVRTFOption o) const { return (s_.Options & bit(o)) != 0; }
    int tw(int px) const { return twipsOf(px, s_.ScreenPixelsPerInch); }
    void put(std::string_view s)
    {
        out.append(s);
        if (out.size() > s_.MaxBytes)
            throw TooLarge();
    }
    void putf(const char *word, long long v) { put(word + std::to_string(v)); }

    // ---- tables ----
    int addFont(const std::string &name, uint8_t charset);
    void addColor(TColor c);
    int colorIndex(TColor c) const;
    void buildTables();
    void header();
    void listTable();
    // One level of a list table entry: its number format, indents, start and text.
    std::string listLevel(const TRVListLevel &lv, int k, int font, int startAt) const;
    std::string levelText(const TRVListLevel &lv, int level, std::string &numbers) const;

    // ---- formatting ----
    // A text style number the tables know: out-of-range numbers take style 0.
    int knownTextStyle(int n) const { return st_.TextStyles.InRange(n) ? n : 0; }
    int knownParaStyle(int n) const { return st_.ParaStyles.InRange(n) ? n : 0; }
    std::string charProps(int styleNo) const;
    std::string markerFontProps(const TRVMarkerFont &f, int fontIndex) const;
    std::string paraProps(int paraNo, const TRVListLevel *level) const;
    std::string borderProps(const TRVBorder &b) const;

    // ---- body ----
    const TRVListLevel *markerLevel(int markerItem, int *listNo, int *level) const;
    void startParagraph(int i, bool first, bool newLine);
    void textItem(const TRVExportPiece &p);
    void unicodeText(std::u16string_view t, int codePage, bool rtfCode);
    void nonTextItem(const TRVExportPiece &p);
    void picture(const TRVGraphicItemInfo &pic);
    // A picture's kind and size words, and the bytes that follow them.
    struct PictureBlip {
        std::string words;
        std::string converted; // bytes made here (PNG, BMP) when not the stored ones
        std::string_view bytes;
    };
    bool pictureBlip(const TRVGraphic &g, PictureBlip &b) const;
    bool dibBlip(const std::string &bmp, const std::string &sizes, PictureBlip &b) const;
    bool pngBlip(const Bitmap &img, const std::string &sizes, PictureBlip &b) const;
    bool rasterBlip(const TRVGraphic &g, const std::string &sizes, PictureBlip &b) const;
    bool metafileBlip(const TRVGraphic &g, const std::string &goal, PictureBlip &b) const;
    void pictureBytes(std::string_view bytes);
    void marker(int i);
    void checkpoint(const TRVCPInfo &cp);
    void writeItems(const TRVExportRange &range);

    // ---- tables ----
    void tableColors(const TCustomRVData &d, int depth);
    std::string levelWords(int level) const;
    std::vector<int> columnWidths(const TRVTableItemInfo &t, int width) const;
    std::string sideBorder(const char *side, int widthPx, TColor color) const;
    // Where a table sits and how wide its columns end (twips).
    struct TableGeometry {
        const TParaInfo *para = nullptr;
        int left = 0, width = 0, hpad = 0, vpad = 0;
        std::vector<int> edge; // right edge of each column
    };
    // A cell's slot in row `row`: the rows its origin cell spans and the columns of the slot.
    struct CellPlace {
        int row, originRow, lastRow, col, lastCol;
    };
    void table(const TRVTableItemInfo &t);
    void tableAsText(const TRVTableItemInfo &t);
    TableGeometry tableGeometry(const TRVTableItemInfo &t) const;
    std::string rowDefinition(const TRVTableItemInfo &t, int r, const TableGeometry &g) const;
    std::string cellDefinition(const TRVTableItemInfo &t, const TRVTableCellData &origin, const CellPlace &at) const;
    void tableRow(const TRVTableItemInfo &t, int r, int level, const TableGeometry &g);
    void writeCell(const TRVTableCellData *cell, int level, int widthTw);

    const TCustomRVData *d_; // the document being written: the top one or a cell
    const TRVStyle &st_;
    const TRVRTFSettings &s_;
    int codePage_ = 1252;

    struct Font {
        std::string name;
        uint8_t charset;
    };
    std::vector<Font> fonts_;
    std::vector<int> textFont_;               // font entry of each text style
    std::vector<std::vector<int>> levelFont_; // font entry of each list level
    std::vector<TColor> colors_;
    std::vector<int> listIds_;
    // A marker that restarts its list's numbering gets a list of its own (see
    // listTable); the markers after it use that list until the next restart.
    struct Restart {
        int list, level, startAt;
    };
    std::vector<Restart> restarts_;      // restart k is written as \ls list count + k + 1
    std::map<int, int> restartOfItem_;   // marker item -> entry in restarts_
    std::map<int, int> currentOverride_; // list -> \ls its markers use now

    // Body state.
    int lastTextStyle_ = -1;
    struct ParaKey {
        int para = -1, list = -1, level = -1;
        bool operator==(const ParaKey &) const = default;
    };
    bool haveParaKey_ = false;
    ParaKey lastPara_;
    bool paraHadMarker_ = false;
    bool parDone_ = false; // a full-line item already ended its paragraph
    int cpNumber_ = 0;
    int itap_ = 0;    // table nesting of the document being written: 0 for the top one
    int availTw_ = 0; // width its lines have, in twips
};

int RTFWriter::addFont(const std::string &name, uint8_t charset)
{
    const std::string n = cleanFontName(name);
    for (size_t k = 0; k < fonts_.size(); ++k)
        if (fonts_[k].charset == charset && sameName(fonts_[k].name, n))
            return int(k);
    fonts_.push_back({n, charset});
    return int(fonts_.size() - 1);
}

void RTFWriter::addColor(TColor c)
{
    if (c == clNone || c == clDefault)
        return;
    if (std::find(colors_.begin(), colors_.end(), c) == colors_.end())
        colors_.push_back(c);
}

int RTFWriter::colorIndex(TColor c) const
{
    auto it = std::find(colors_.begin(), colors_.end(), c);
    return it == colors_.end() ? 0 : int(it - colors_.begin()); // unknown: automatic
}

void RTFWriter::buildTables()
{
    // \ansicpg names the code page the \'xx bytes are in: the sheet's default
    // code page resolved (the system's ANSI page, 1252 for Western text), never 0.
    codePage_ = codePageOfCharset(DEFAULT_CHARSET, st_.DefCodePage);
    if (codePage_ <= 0)
        codePage_ = 1252;

    for (int n = 0; n < st_.TextStyles.Count(); ++n)
        textFont_.push_back(addFont(st_.TextStyles[n].FontName, st_.TextStyles[n].Charset));
    for (int l = 0; l < st_.ListStyles.Count(); ++l) {
        levelFont_.emplace_back();
        for (const TRVListLevel &lv : st_.ListStyles[l].Levels)
            levelFont_.back().push_back(addFont(lv.Font.Name, lv.Font.Charset));
    }
    if (fonts_.empty())
        addFont("Arial", DEFAULT_CHARSET); // \f0 must name a font even without text styles

    colors_ = {clWindowText, clBlack, clBlue, clAqua, clLime, clFuchsia, clRed, clYellow, clWhite,
               clNavy, clTeal, clGreen, clPurple, clMaroon, clOlive, clGray, clSilver};
    for (int n = 0; n < st_.TextStyles.Count(); ++n) {
        const TFontInfo &f = st_.TextStyles[n];
        for (TColor c : {f.Color, f.BackColor, f.HoverColor, f.HoverBackColor, f.UnderlineColor, f.HoverUnderlineColor})
            addColor(c);
    }
    for (int n = 0; n < st_.ParaStyles.Count(); ++n) {
        const TParaInfo &p = st_.ParaStyles[n];
        if (p.Border.Style != rvbNone)
            addColor(p.Border.Color);
        addColor(p.Background.Color);
    }
    for (int l = 0; l < st_.ListStyles.Count(); ++l)
        for (const TRVListLevel &lv : st_.ListStyles[l].Levels)
            addColor(lv.Font.Color);
    tableColors(*d_, 0);
    if (s_.Background != clWindow)
        addColor(s_.Background);

    // List identifiers must be unique in the file; they come from the list
    // styles' own identifiers where those are set, so the same document always
    // gives the same bytes (a copy and the command line agree).
    std::set<long long> used;
    for (int l = 0; l < st_.ListStyles.Count(); ++l) {
        long long id = st_.ListStyles[l].ListIDRaw();
        if (id <= 0 || used.count(id))
            id = 1000 + l;
        while (used.count(id))
            ++id;
        used.insert(id);
        listIds_.push_back(int(id));
    }
    for (int i = 0; i < d_->ItemCount(); ++i) {
        int listNo = -1, level = -1;
        if (!markerLevel(i, &listNo, &level))
            continue;
        const auto &m = static_cast<const TRVMarkerItemInfo &>(d_->GetItem(i));
        if (m.Reset) {
            restartOfItem_[i] = int(restarts_.size());
            restarts_.push_back({listNo, std::min(level, 8), m.StartFrom});
        }
    }
}

std::string RTFWriter::charProps(int n) const
{
    n = knownTextStyle(n);
    const TFontInfo &f = st_.TextStyles[n];
    std::string o;
    auto w = [&](const char *word, long long v) { o += word + std::to_string(v); };
    w("\\f", n < int(textFont_.size()) ? textFont_[size_t(n)] : 0);
    if (f.Style & fsBold)
        o += "\\b";
    if (f.Style & fsItalic)
        o += "\\i";
    if (f.Style & fsUnderline) {
        static const char *kinds[] = {"ul", "ulth", "uldb", "uld", "ulthd", "uldash", "ulthdash", "ulldash",
                                      "ulthldash", "uldashd", "ulthdashd", "uldashdd", "ulthdashdd"};
        o += '\\';
        o += kinds[f.UnderlineType <= rvutThickDashDotDotted ? f.UnderlineType : 0];
        if (f.UnderlineColor != clNone)
            w("\\ulc", colorIndex(f.UnderlineColor));
    }
    if (f.Style & fsStrikeOut)
        o += "\\strike";
    if (f.SubSuperScriptType == rvsssSubscript)
        o += "\\sub";
    else if (f.SubSuperScriptType == rvsssSuperScript)
        o += "\\super";
    if (f.VShift != 0) {
        long long amount = std::llround(double(f.VShift) * f.Size / 50.0);
        if (f.VShift > 0)
            w("\\up", amount);
        else
            w("\\dn", -amount);
    }
    if (f.CharScale != 100)
        w("\\charscalex", f.CharScale);
    if (f.CharSpacing != 0)
        w("\\expndtw", tw(f.CharSpacing));
    if (f.StyleEx & bit(rvfsAllCaps))
        o += "\\caps";
    if (f.BiDiMode == rvbdLeftToRight)
        o += "\\ltrch";
    else if (f.BiDiMode == rvbdRightToLeft)
        o += "\\rtlch";
    if (f.Charset != DEFAULT_CHARSET && st_.TextStyles.Count() > 0 && f.Charset != st_.TextStyles[0].Charset) {
        if (int lang = languageOfCharset(f.Charset))
            w("\\lang", lang);
    }
    w("\\fs", (long long)f.Size * 2);
    if (f.BackColor != clNone)
        w("\\chcbpat", colorIndex(f.BackColor));
    if (f.Color != clWindowText)
        w("\\cf", colorIndex(f.Color));
    return o;
}

std::string RTFWriter::markerFontProps(const TRVMarkerFont &f, int fontIndex) const
{
    std::string o = "\\f" + std::to_string(fontIndex);
    if (f.Style & fsBold)
        o += "\\b";
    if (f.Style & fsItalic)
        o += "\\i";
    if (f.Style & fsUnderline)
        o += "\\ul";
    if (f.Style & fsStrikeOut)
        o += "\\strike";
    // The marker font's height is in screen pixels; \fs takes half-points.
    int h = f.Height < 0 ? -f.Height : f.Height;
    if (h > 0)
        o += "\\fs" + std::to_string(std::lround(h * 144.0 / std::max(1, s_.ScreenPixelsPerInch)));
    if (f.Color != clWindowText)
        o += "\\cf" + std::to_string(colorIndex(f.Color));
    return o;
}

std::string RTFWriter::borderProps(const TRVBorder &b) const
{
    std::string o;
    if (b.Style == rvbNone || b.Color == clNone)
        return o;
    o += "\\brdrbtw";
    const bool thick = b.Style == rvbThickInside || b.Style == rvbThickOutside;
    const int width = tw(thick ? b.Width * 2 : b.Width);
    struct Side {
        bool visible;
        const char *word;
        int offset;
        bool far; // right and bottom sides draw thick kinds mirrored
    } sides[] = {{b.VisibleBorders.Left, "\\brdrl", b.BorderOffsets.Left, false},
                 {b.VisibleBorders.Top, "\\brdrt", b.BorderOffsets.Top, false},
                 {b.VisibleBorders.Right, "\\brdrr", b.BorderOffsets.Right, true},
                 {b.VisibleBorders.Bottom, "\\brdrb", b.BorderOffsets.Bottom, true}};
    for (const Side &side : sides) {
        if (!side.visible)
            continue;
        o += side.word;
        o += "\\brsp" + std::to_string(tw(side.offset));
        switch (b.Style) {
        case rvbDouble: o += "\\brdrdb"; break;
        case rvbTriple: o += "\\brdrtriple"; break;
        case rvbThickInside: o += side.far ? "\\brdrtnthmg" : "\\brdrthtnmg"; break;
        case rvbThickOutside: o += side.far ? "\\brdrthtnmg" : "\\brdrtnthmg"; break;
        default: o += "\\brdrs"; break;
        }
        o += "\\brdrcf" + std::to_string(colorIndex(b.Color));
        o += "\\brdrw" + std::to_string(width);
    }
    return o;
}

std::string RTFWriter::paraProps(int paraNo, const TRVListLevel *level) const
{
    const TParaInfo &p = st_.ParaStyles[knownParaStyle(paraNo)];
    std::string o;
    auto w = [&](const char *word, long long v) { o += word + std::to_string(v); };
    if (p.LineSpacingType == rvlsPercent && p.LineSpacing > 100) {
        w("\\sl", (long long)p.LineSpacing * 240 / 100);
        o += "\\slmult1";
    }
    if (p.Options & bit(rvpaoKeepLinesTogether))
        o += "\\keep";
    if (p.Options & bit(rvpaoKeepWithNext))
        o += "\\keepn";
    int listTab = 0;
    if (level) {
        listTab = tw(level->LeftIndent + level->FirstIndent);
        w("\\li", tw(level->LeftIndent));
        w("\\fi", tw(level->MarkerIndent - level->LeftIndent));
        o += "\\jclisttab";
        w("\\tx", listTab);
    } else {
        w("\\fi", tw(p.FirstIndent));
        w("\\li", tw(p.LeftIndent));
    }
    for (const TRVTabInfo &t : p.Tabs) {
        if (level && tw(t.Position) <= listTab)
            continue;
        if (t.Align == rvtaRight)
            o += "\\tqr";
        else if (t.Align == rvtaCenter)
            o += "\\tqc";
        if (!t.Leader.empty()) {
            switch (uint8_t(t.Leader[0])) {
            case '-': o += "\\tlhyph"; break;
            case '=': o += "\\tleq"; break;
            case '_': o += "\\tlul"; break;
            case 0xB7: o += "\\tlmdot"; break;
            default: o += "\\tldot"; break;
            }
        }
        w("\\tx", tw(t.Position));
    }
    static const char *align[] = {"l", "r", "c", "j"};
    o += "\\q";
    o += align[p.Alignment <= rvaJustify ? p.Alignment : 0];
    w("\\ri", tw(p.RightIndent));
    w("\\sb", tw(p.SpaceBefore));
    w("\\sa", tw(p.SpaceAfter));
    if (p.BiDiMode == rvbdLeftToRight)
        o += "\\ltrpar";
    else if (p.BiDiMode == rvbdRightToLeft)
        o += "\\rtlpar";
    if (p.Background.Color != clNone)
        w("\\cbpat", colorIndex(p.Background.Color));
    o += borderProps(p.Border);
    o += levelWords(itap_);
    o += ' ';
    return o;
}

// The \leveltext of a level: a length byte, the text, and the level numbers
// as \'00..\'08 placeholders; `numbers` gets their 1-based positions.
std::string RTFWriter::levelText(const TRVListLevel &lv, int level, std::string &numbers) const
{
    std::string body;
    int count = 0;
    auto placeholder = [&](int n) {
        body += "\\'0";
        body += char('0' + n);
        ++count;
        numbers += "\\'";
        numbers += kHexLower[(count >> 4) & 15];
        numbers += kHexLower[count & 15];
    };
    if (lv.ListType == rvlstUnicodeBullet) {
        for (char16_t u : lv.FormatStringW) {
            body += "\\u" + std::to_string(int16_t(u)) + " ?";
            ++count;
        }
    } else if (lv.HasNumbers() || lv.ListType == rvlstBullet) {
        // Directives: "%s" takes the next level in order, "%N:s" level N;
        // "%%" is a percent sign. Bullets take no numbers at all.
        const std::string &f = lv.FormatString;
        int next = 0;
        for (size_t k = 0; k < f.size(); ++k) {
            if (f[k] != '%') {
                std::string one;
                escapeByte(one, uint8_t(f[k]), false);
                body += one;
                ++count;
                continue;
            }
            if (k + 1 < f.size() && f[k + 1] == '%') {
                body += '%';
                ++count;
                ++k;
                continue;
            }
            size_t j = k + 1;
            int index = -1, digits = 0;
            while (j < f.size() && std::isdigit(uint8_t(f[j])) && digits < 4) {
                index = (index < 0 ? 0 : index * 10) + (f[j] - '0');
                ++j;
                ++digits;
            }
            if (j < f.size() && f[j] == ':' && index >= 0)
                ++j;
            else if (index >= 0)
                index = -1, j = k + 1; // digits without ':' are a width, not an index
            while (j < f.size() && (std::isdigit(uint8_t(f[j])) || f[j] == '-' || f[j] == '.'))
                ++j;
            if (j >= f.size())
                break;
            int n = index >= 0 ? index : next;
            next = n + 1;
            if (lv.HasNumbers() && std::tolower(uint8_t(f[j])) == 's' && n >= 0 && n <= std::min(level, 8))
                placeholder(n);
            k = j;
        }
    }
    std::string o = "\\'";
    int len = std::min(count, 255);
    o += kHexLower[len >> 4];
    o += kHexLower[len & 15];
    return o + body;
}

namespace {

// The RTF number format of a level's list type.
int levelNumberFormat(TRVListType type)
{
    switch (type) {
    case rvlstDecimal: return 0;
    case rvlstUpperRoman: return 1;
    case rvlstLowerRoman: return 2;
    case rvlstUpperAlpha: return 3;
    case rvlstLowerAlpha: return 4;
    case rvlstBullet: case rvlstUnicodeBullet: return 23;
    default: return 255; // pictures and images: no number
    }
}

} // namespace

std::string RTFWriter::listLevel(const TRVListLevel &lv, int k, int font, int startAt) const
{
    const int jc = lv.MarkerAlignment == rvmaCenter ? 1 : lv.MarkerAlignment == rvmaRight ? 2 : 0;
    std::string g = "{\\listlevel\\levelnfc" + std::to_string(levelNumberFormat(lv.ListType)) + "\\leveljc"
        + std::to_string(jc) + "\\li" + std::to_string(tw(lv.LeftIndent)) + "\\fi"
        + std::to_string(tw(lv.MarkerIndent - lv.LeftIndent)) + "\\jclisttab\\tx"
        + std::to_string(tw(lv.LeftIndent + lv.FirstIndent));
    if (lv.HasNumbers())
        g += "\\levelstartat" + std::to_string(startAt);
    if (lv.Options & bit(rvloLegalStyleNumbering))
        g += "\\levellegal1";
    if (!(lv.Options & bit(rvloLevelReset)))
        g += "\\levelnorestart1";
    std::string numbers;
    g += "{\\leveltext" + levelText(lv, k, numbers) + ";}{\\levelnumbers" + numbers + ";}";
    return g + markerFontProps(lv.Font, font) + "}";
}

void RTFWriter::listTable()
{
    put("{\\*\\listtable");
    std::set<long long> used(listIds_.begin(), listIds_.end());
    long long templateId = 2000;
    // A restart is written as a copy of its list, with an id of its own and the
    // restarted level starting at the restart's number: readers that number
    // lists themselves then restart there too, while \listtext keeps the text.
    std::vector<int> restartIds;
    for (size_t k = 0; k < restarts_.size(); ++k) {
        long long id = 3000;
        while (used.count(id))
            ++id;
        used.insert(id);
        restartIds.push_back(int(id));
    }
    const int lists = st_.ListStyles.Count();
    for (int entry = 0; entry < lists + int(restarts_.size()); ++entry) {
        const int l = entry < lists ? entry : restarts_[size_t(entry - lists)].list;
        const Restart *restart = entry < lists ? nullptr : &restarts_[size_t(entry - lists)];
        const TRVListInfo &list = st_.ListStyles[l];
        while (used.count(templateId))
            ++templateId;
        used.insert(templateId);
        put("{\\list\\listtemplateid" + std::to_string(templateId));
        static const TRVListLevel defaultLevel;
        const int count = int(list.Levels.size());
        if (count <= 1)
            put("\\listsimple1");
        const int groups = count <= 1 ? 1 : 9;
        for (int k = 0; k < groups; ++k) {
            const TRVListLevel &lv = count == 0 ? defaultLevel : list.Levels[size_t(std::min(k, count - 1))];
            int font = 0;
            if (count > 0 && l < int(levelFont_.size()))
                font = levelFont_[size_t(l)][size_t(std::min(k, count - 1))];
            put(listLevel(lv, k, font, restart && restart->level == k ? restart->startAt : lv.StartFrom));
        }
        put("\\listid" + std::to_string(restart ? restartIds[size_t(entry - lists)] : listIds_[size_t(l)]) + "}");
    }
    put("}{\\*\\listoverridetable");
    for (int l = 0; l < st_.ListStyles.Count(); ++l)
        put("{\\listoverride\\listid" + std::to_string(listIds_[size_t(l)]) + "\\listoverridecount0\\ls"
            + std::to_string(l + 1) + "}");
    for (size_t k = 0; k < restarts_.size(); ++k)
        put("{\\listoverride\\listid" + std::to_string(restartIds[k]) + "\\listoverridecount0\\ls"
            + std::to_string(lists + int(k) + 1) + "}");
    put("}");
}

void RTFWriter::header()
{
    const int lang = st_.TextStyles.Count() > 0 ? languageOfCharset(st_.TextStyles[0].Charset) : 0;
    put("{\\rtf1\\ansi\\ansicpg" + std::to_string(codePage_) + "\\uc1\\deff0");
    // A language of 0 (the default character set) is left out rather than written as 0.
    if (lang)
        put("\\deflang" + std::to_string(lang) + "\\deflangfe" + std::to_string(lang));
    if (s_.BiDiMode == rvbdLeftToRight)
        put("\\ltrdoc");
    else if (s_.BiDiMode == rvbdRightToLeft)
        put("\\rtldoc");
    if (opt(rvrtfSaveDocParameters)) {
        if (d_->DocParameters) {
            const TRVDocParameters &p = *d_->DocParameters;
            auto t = [&](long double v) { return std::to_string(p.ToTwips(v, s_.ScreenPixelsPerInch)); };
            put("\\paperw" + t(p.PageWidth) + "\\paperh" + t(p.PageHeight) + "\\margl" + t(p.LeftMargin) + "\\margr"
                + t(p.RightMargin) + "\\margt" + t(p.TopMargin) + "\\margb" + t(p.BottomMargin));
            if (p.Orientation == 1)
                put("\\landscape");
        } else {
            put("\\paperw11906\\paperh16838\\margl1800\\margr1800\\margt1440\\margb1440");
        }
    }
    put("{\\fonttbl");
    for (size_t k = 0; k < fonts_.size(); ++k) {
        std::string e = "{\\f" + std::to_string(k) + "\\fnil";
        if (fonts_[k].charset != DEFAULT_CHARSET)
            e += "\\fcharset" + std::to_string(fonts_[k].charset);
        e += ' ';
        escapeBytes(e, fonts_[k].name, false);
        e += ";}";
        put(e);
    }
    put("}\r\n{\\colortbl;");
    for (size_t k = 1; k < colors_.size(); ++k) {
        TColor c = colorToRGB(colors_[k]);
        put("\\red" + std::to_string(redOf(c)) + "\\green" + std::to_string(greenOf(c)) + "\\blue"
            + std::to_string(blueOf(c)) + ";");
    }
    put("}\r\n");
    if (opt(rvrtfSaveStyleSheet)) {
        put("{\\stylesheet");
        for (int n = 0; n < st_.ParaStyles.Count(); ++n) {
            const TParaInfo &p = st_.ParaStyles[n];
            if (!p.Standard)
                continue;
            std::string e = "{\\s" + std::to_string(n) + paraProps(n, nullptr);
            escapeBytes(e, cleanFontName(p.StyleName), false);
            put(e + ";}");
        }
        for (int n = 0; n < st_.TextStyles.Count(); ++n) {
            const TFontInfo &f = st_.TextStyles[n];
            if (!f.Standard)
                continue;
            std::string e = "{\\*\\cs" + std::to_string(n + st_.ParaStyles.Count()) + charProps(n) + " ";
            escapeBytes(e, cleanFontName(f.StyleName), false);
            put(e + ";}");
        }
        put("}\r\n");
    }
    if (st_.ListStyles.Count() > 0)
        listTable();
    put("\r\n");
    put(opt(rvrtfDuplicateUnicode) ? "\\uc1" : "\\uc0");
}

const TRVListLevel *RTFWriter::markerLevel(int i, int *listNo, int *level) const
{
    if (i < 0 || d_->GetItemStyle(i) != ikListMarker)
        return nullptr;
    const auto &m = static_cast<const TRVMarkerItemInfo &>(d_->GetItem(i));
    if (m.ListNo < 0 || m.Level < 0 || !st_.ListStyles.InRange(m.ListNo))
        return nullptr;
    const TRVListInfo &list = st_.ListStyles[m.ListNo];
    if (list.Levels.empty())
        return nullptr;
    int lv = std::min(m.Level, int(list.Levels.size()) - 1);
    if (listNo)
        *listNo = m.ListNo;
    if (level)
        *level = lv;
    return &list.Levels[size_t(lv)];
}

void RTFWriter::checkpoint(const TRVCPInfo &cp)
{
    std::string name = bookmarkName(cp.Name);
    if (name.empty())
        name = "ReadViewCheckpoint" + std::to_string(cpNumber_++);
    put("{\\*\\bkmkstart " + name + "}{\\*\\bkmkend " + name + "}");
}

void RTFWriter::startParagraph(int i, bool first, bool newLine)
{
    const TCustomRVItemInfo &it = d_->GetItem(i);
    const bool fullLine = it.IsFullLine();
    const bool pageBreak = newLine && (it.ItemOptions & ioPageBreakBefore) != 0;
    if (newLine) {
        put("\r\n");
        if (pageBreak && fullLine)
            put("\\page ");
        // After a table or a line the paragraph is closed: a line break there
        // starts a paragraph of its own.
        if ((it.ItemOptions & ioLineBreak) && !parDone_) {
            put("\\line ");
            return;
        }
        if (!parDone_)
            put("\\par ");
        if (paraHadMarker_) {
            put("\\plain");
            lastTextStyle_ = -1;
        }
        if (pageBreak && !fullLine)
            put("\\page ");
    } else if (!first) {
        return;
    }
    parDone_ = false;
    const int start = d_->GetFirstParaItem(i);
    int listNo = -1, level = -1;
    // The marker decides the indents only when it is written with the paragraph.
    const TRVListLevel *lv = start == i ? markerLevel(i, &listNo, &level) : nullptr;
    paraHadMarker_ = lv != nullptr;
    ParaKey key{d_->GetItem(start).ParaNo, listNo, level};
    if (haveParaKey_ && key == lastPara_)
        return;
    haveParaKey_ = true;
    lastPara_ = key;
    std::string o = "\\pard";
    const int para = knownParaStyle(key.para);
    if (opt(rvrtfSaveStyleSheet) && st_.ParaStyles[para].Standard)
        o += "\\s" + std::to_string(para);
    put(o + paraProps(para, lv));
}

void RTFWriter::unicodeText(std::u16string_view t, int codePage, bool rtfCode)
{
    std::string o;
    for (char16_t u : t) {
        if (u >= 1 && u <= 127) {
            if (rtfCode) {
                o += char(u);
            } else {
                escapeByte(o, uint8_t(u), true);
            }
            continue;
        }
        if (u == 0)
            continue; // a stray NUL unit has no character to give
        if (!rtfCode) {
            const char *word = nullptr;
            switch (u) {
            case 149: word = "\\bullet "; break;
            case 160: word = "\\~"; break;
            case 173: word = "\\-"; break;
            case 8194: word = "\\enspace "; break;
            case 8195: word = "\\emspace "; break;
            case 8197: word = "\\qmspace "; break;
            case 8211: word = "\\endash "; break;
            case 8212: word = "\\emdash "; break;
            case 8216: word = "\\lquote "; break;
            case 8217: word = "\\rquote "; break;
            case 8220: word = "\\ldblquote "; break;
            case 8221: word = "\\rdblquote "; break;
            default: break;
            }
            if (word) {
                o += word;
                continue;
            }
        }
        // \uN takes a signed 16-bit number: units from 0x8000 up are negative.
        const std::string uword = "\\u" + std::to_string(int16_t(u)) + " ";
        if (!opt(rvrtfDuplicateUnicode)) {
            o += uword;
            continue;
        }
        // The code-page form follows for readers without Unicode; \ucN says how
        // many characters it takes when that is not the one the header set.
        const std::string bytes = fromUtf16(std::u16string_view(&u, 1), codePage);
        if (bytes.size() == 1) {
            o += uword;
            escapeByte(o, uint8_t(bytes[0]), false);
        } else {
            o += "\\uc" + std::to_string(bytes.size()) + uword;
            escapeBytes(o, bytes, false);
            o += "\\uc1 ";
        }
    }
    if (rtfCode) {
        std::string balanced;
        writeRawRTF(balanced, o);
        put(balanced);
    } else {
        put(o);
    }
}

void RTFWriter::textItem(const TRVExportPiece &p)
{
    const int i = p.ItemNo;
    const int n = knownTextStyle(d_->EffectiveStyleNo(i));
    const TFontInfo &f = st_.TextStyles[n];
    std::string target, extra;
    if (s_.OnWriteHyperlink && d_->IsHyperlink(i))
        s_.OnWriteHyperlink(i, target, extra);
    const bool field = !target.empty() || !extra.empty();
    if (field) {
        std::string o = "{\\field{\\*\\fldinst HYPERLINK ";
        if (!target.empty() && target[0] == '#') {
            o += "\\\\l \"" + bookmarkName(target.substr(1)) + "\"";
        } else {
            o += "\"";
            for (char c : target)
                if (c != '"')
                    escapeByte(o, uint8_t(c), false);
            o += "\"";
        }
        if (!extra.empty()) {
            o += ' ';
            escapeBytes(o, extra, false);
        }
        put(o + "}{\\fldrslt ");
    }
    if (n != lastTextStyle_ || field) {
        std::string o = "\\plain ";
        if (opt(rvrtfSaveStyleSheet) && f.Standard)
            o += "\\cs" + std::to_string(n + st_.ParaStyles.Count());
        put(o + charProps(n) + " ");
        lastTextStyle_ = field ? -1 : n;
    }
    const bool rtfCode = (f.Options & bit(rvteoRTFCode)) != 0;
    const std::string &raw = d_->ItemText(i);
    if (d_->IsUnicodeItem(i)) {
        std::u16string t;
        for (int k = p.From; k < p.To && size_t(2 * k + 1) < raw.size(); ++k)
            t.push_back(char16_t(uint8_t(raw[size_t(2 * k)]) | uint8_t(raw[size_t(2 * k + 1)]) << 8));
        unicodeText(t, st_.CodePageOfStyle(n), rtfCode);
    } else {
        std::string_view piece = std::string_view(raw).substr(size_t(std::min<int>(p.From, int(raw.size()))),
                                                             size_t(std::max(0, p.To - p.From)));
        std::string o;
        if (rtfCode)
            writeRawRTF(o, piece);
        else
            escapeBytes(o, piece, true);
        put(o);
    }
    if (field)
        put("}}");
}

void RTFWriter::pictureBytes(std::string_view bytes)
{
    if (opt(rvrtfSavePicturesBinary)) {
        put("{\\bin" + std::to_string(bytes.size()) + " ");
        put(bytes);
        put("}");
        return;
    }
    std::string o;
    o.reserve(bytes.size() * 2 + bytes.size() / 32 + 2);
    for (size_t k = 0; k < bytes.size(); ++k) {
        if (k % 64 == 0)
            o += "\r\n";
        unsigned char c = uint8_t(bytes[k]);
        o += kHexLower[c >> 4];
        o += kHexLower[c & 15];
    }
    put(o);
}

// The stored BMP file without its 14-byte file header is the DIB RTF wants.
// Returns the row stride, or 0 when the bytes are not a usable BMP.
int dibOf(const std::string &bmp, std::string_view &dib)
{
    if (bmp.size() < 14 + 12 || bmp[0] != 'B' || bmp[1] != 'M')
        return 0;
    const uint32_t headerSize = le32(bmp, 14);
    int width = 0, bpp = 0;
    if (headerSize == 12) {
        width = uint8_t(bmp[18]) | uint8_t(bmp[19]) << 8;
        bpp = uint8_t(bmp[24]) | uint8_t(bmp[25]) << 8;
    } else if (headerSize >= 40 && bmp.size() >= 14 + 40) {
        width = int(int32_t(le32(bmp, 18)));
        bpp = uint8_t(bmp[28]) | uint8_t(bmp[29]) << 8;
    } else {
        return 0;
    }
    if (width <= 0 || bpp <= 0 || bpp > 32)
        return 0;
    dib = std::string_view(bmp).substr(14);
    return int(((int64_t(width) * bpp + 31) / 32) * 4);
}

bool RTFWriter::dibBlip(const std::string &bmp, const std::string &sizes, PictureBlip &b) const
{
    std::string_view dib;
    const int stride = dibOf(bmp, dib);
    if (!stride)
        return false;
    b.words = "\\dibitmap0\\wbmwidthbytes" + std::to_string(stride) + sizes;
    b.bytes = dib;
    return true;
}

bool RTFWriter::pngBlip(const Bitmap &img, const std::string &sizes, PictureBlip &b) const
{
    QImage q(img.width(), img.height(), QImage::Format_ARGB32);
    // A fixed 96 dpi, not the screen's, so the bytes do not depend on where a copy is made.
    q.setDotsPerMeterX(3780);
    q.setDotsPerMeterY(3780);
    for (int y = 0; y < img.height(); ++y)
        std::memcpy(q.scanLine(y), img.data() + size_t(y) * size_t(img.width()), size_t(img.width()) * 4);
    QByteArray png;
    QBuffer buf(&png);
    buf.open(QIODevice::WriteOnly);
    if (!q.save(&buf, "PNG"))
        return false;
    b.converted.assign(png.constData(), size_t(png.size()));
    b.words = "\\pngblip" + sizes;
    b.bytes = b.converted;
    return true;
}

bool RTFWriter::rasterBlip(const TRVGraphic &g, const std::string &sizes, PictureBlip &b) const
{
    const Bitmap *img = g.Image();
    if (!img)
        return false;
    if (opt(rvrtfPNGInsteadOfBitmap))
        return pngBlip(*img, sizes, b);
    b.converted = EncodeBmp(*img);
    return dibBlip(b.converted, sizes, b);
}

bool RTFWriter::metafileBlip(const TRVGraphic &g, const std::string &goal, PictureBlip &b) const
{
    // Metafile sizes are in hundredths of a millimetre.
    const int ppi = std::max(1, s_.ScreenPixelsPerInch);
    const std::string hm = "\\picw" + std::to_string(std::lround(g.Width() * 2540.0 / ppi)) + "\\pich"
        + std::to_string(std::lround(g.Height() * 2540.0 / ppi));
    const std::string &stored = g.StoredBytes();
    if (stored.size() >= 44 && le32(stored, 0) == 1 && le32(stored, 40) == 0x464D4520) {
        // An enhanced metafile goes out as itself: there is no converter to
        // the older format here, and current readers take \emfblip.
        b.words = "\\emfblip" + hm + goal + " ";
        b.bytes = stored;
        return true;
    }
    if (stored.size() > 22 && le32(stored, 0) == 0x9AC6CDD7) {
        // \wmetafile data is the metafile itself, without the placeable header.
        b.words = "\\wmetafile8" + hm + goal + " ";
        b.bytes = std::string_view(stored).substr(22);
        return true;
    }
    return false;
}

bool RTFWriter::pictureBlip(const TRVGraphic &g, PictureBlip &b) const
{
    const int ownW = g.Width(), ownH = g.Height();
    // Goal sizes (the picture's own size in twips, 15 per pixel) go with every
    // kind, so readers do not have to guess the size from the data.
    const std::string goal = "\\picwgoal" + std::to_string(tw(ownW)) + "\\pichgoal" + std::to_string(tw(ownH));
    const std::string sizes = "\\picw" + std::to_string(ownW) + "\\pich" + std::to_string(ownH) + goal + " ";
    const std::string cls = g.ClassName();
    const Bitmap *raster = g.Image();
    if (cls == "TBitmap" && g.SupportsTransparency() && g.Transparent && raster) {
        // A DIB has no transparency: a transparent bitmap goes out as a PNG whose
        // transparent colour is see-through, as the reader draws it.
        return pngBlip(MaskedCopy(*raster, TransparentKey(*raster, g.TransparentMode, g.TransparentColor)), sizes, b);
    }
    if (cls == "TBitmap")
        return (!opt(rvrtfPNGInsteadOfBitmap) && dibBlip(g.StoredBytes(), sizes, b)) || rasterBlip(g, sizes, b);
    if (cls == "TJPEGImage") {
        if (!opt(rvrtfSaveJpegAsJpeg))
            return rasterBlip(g, sizes, b);
        b.words = "\\jpegblip" + sizes;
        b.bytes = g.StoredBytes();
        return true;
    }
    if (cls == "TMetafile")
        return metafileBlip(g, goal, b);
    return rasterBlip(g, sizes, b); // icons and anything else: their picture as a bitmap
}

void RTFWriter::picture(const TRVGraphicItemInfo &pic)
{
    const TRVGraphic &g = *pic.Image;
    const int ownW = g.Width(), ownH = g.Height();
    if (ownW <= 0 || ownH <= 0)
        return;
    PictureBlip blip;
    if (!pictureBlip(g, blip))
        return;
    std::string o = "{\\pict";
    const int shownW = pic.ImageWidth > 0 ? pic.ImageWidth : ownW;
    const int shownH = pic.ImageHeight > 0 ? pic.ImageHeight : ownH;
    if (shownW != ownW || shownH != ownH) {
        o += "\\picscalex" + std::to_string(std::lround(shownW * 100.0 / ownW));
        o += "\\picscaley" + std::to_string(std::lround(shownH * 100.0 / ownH));
    }
    put(o + blip.words);
    pictureBytes(blip.bytes);
    put("}");
}

void RTFWriter::marker(int i)
{
    int listNo = -1, level = -1;
    const TRVListLevel *lv = markerLevel(i, &listNo, &level);
    if (!lv)
        return; // a marker without a list shows nothing
    int font = 0;
    if (listNo < int(levelFont_.size()) && level < int(levelFont_[size_t(listNo)].size()))
        font = levelFont_[size_t(listNo)][size_t(level)];
    std::string o = "{\\listtext\\pard\\plain" + markerFontProps(lv->Font, font) + " ";
    put(o);
    if (lv->ListType == rvlstUnicodeBullet) {
        unicodeText(lv->FormatStringW, codePageOfCharset(lv->Font.Charset, st_.DefCodePage), false);
    } else {
        std::string t;
        escapeBytes(t, ExportMarkerText(*d_, i), true);
        put(t);
    }
    if (auto r = restartOfItem_.find(i); r != restartOfItem_.end())
        currentOverride_[listNo] = st_.ListStyles.Count() + r->second + 1;
    auto current = currentOverride_.find(listNo);
    const int ls = current == currentOverride_.end() ? listNo + 1 : current->second;
    put("\\tab}\\ls" + std::to_string(ls) + "\\ilvl" + std::to_string(level) + " ");
}

void RTFWriter::nonTextItem(const TRVExportPiece &p)
{
    const int i = p.ItemNo;
    const TCustomRVItemInfo &it = d_->GetItem(i);
    const bool rtl = d_->GetItemBiDiMode(i) == rvbdRightToLeft;
    if (rtl)
        put("\\ltrpar");
    switch (it.StyleNo) {
    case ikPicture:
    case ikHotPicture: {
        auto &pic = static_cast<const TRVGraphicItemInfo &>(it);
        if (pic.Image)
            picture(pic);
        break;
    }
    case ikHorizontalLine: {
        auto &b = static_cast<const TRVBreakItemInfo &>(it);
        // Inside a table the line keeps the cell's nesting: "\intbl\itap1"
        // in a table of the document, "\itapN" deeper.
        const std::string in = itap_ == 0 ? "" : itap_ == 1 ? "\\intbl\\itap1" : "\\itap" + std::to_string(itap_);
        put("\\pard" + in + "\\plain\\fs6\\brdrb\\brdrs\\brdrw" + std::to_string(tw(std::max<int>(1, b.LineWidth)))
            + "\\brdrcf" + std::to_string(b.LineColor == clNone ? 0 : colorIndex(b.LineColor)) + "\\par\\pard" + in);
        // The line ended its own paragraph and reset the paragraph and font:
        // the next item starts its paragraph afresh, without an empty one between.
        parDone_ = true;
        haveParaKey_ = false;
        lastTextStyle_ = -1;
        paraHadMarker_ = false;
        break;
    }
    case ikTab:
        put("\\tab ");
        break;
    case ikListMarker:
        marker(i);
        break;
    case ikTable:
        table(static_cast<const TRVTableItemInfo &>(it));
        break;
    case ikLabel:
    case ikSequence:
    case ikFootnote:
    case ikEndnote:
    case ikNoteReference: {
        // Labels and note numbers: their text in their own text style.
        auto &l = static_cast<const TRVLabelItemInfo &>(it);
        std::string o = "{\\plain " + charProps(l.TextStyleNo) + " ";
        escapeBytes(o, l.Text, true);
        put(o + "}");
        break;
    }
    default:
        break; // bullets and hotspots need an image list, controls a control: the reader has neither
    }
    if (rtl)
        put("\\rtlpar");
}

// ---------------------------------------------------------------- tables
//
// A table is written as RTF rows: "\trowd" with the row's properties and one
// "\cellx" per cell (its right edge in twips from the left margin), then each
// cell's paragraphs ("\intbl\itap1" in their properties) ended by "\cell", and
// "\row". A cell spanning columns is one wider cell; a cell spanning rows is
// "\clvmgf" in its own row and an empty "\clvmrg" cell in each row below. A
// table inside a cell uses the nested form: its paragraphs carry "\itapN",
// cells end with "\nestcell", and each row's definition follows its cells in
// "{\*\nesttableprops ... \nestrow}{\nonesttables\par}".
//
// Word processors have no 3-D borders: every frame is a single solid line in
// the frame's colour (the plain raised and lowered looks in the shadow
// colour). Rules between cells and the spacing between cells are not written;
// the table's outer border is drawn on the outer sides of its edge cells.
// Column widths cannot be measured here (no fonts): fixed and percent widths
// are kept and the automatic columns share the rest of the table's width,
// which for a table without a width of its own is the whole line.

void RTFWriter::tableColors(const TCustomRVData &d, int depth)
{
    for (int i = 0; i < d.ItemCount(); ++i) {
        const TCustomRVItemInfo &it = d.GetItem(i);
        if (it.StyleNo == ikHorizontalLine)
            addColor(static_cast<const TRVBreakItemInfo &>(it).LineColor);
        if (it.StyleNo != ikTable || depth >= kMaxTableNesting)
            continue;
        const auto &t = static_cast<const TRVTableItemInfo &>(it);
        if (t.BorderWidth > 0)
            addColor(ExportFrameColor(t.BorderStyle, t.BorderColor));
        if (t.Color != clWindow)
            addColor(t.Color);
        for (int r = 0; r < t.RowCount(); ++r)
            for (int c = 0; c < t.ColCount(); ++c)
                if (const TRVTableCellData *cell = t.Cell(r, c)) {
                    if (t.CellBorderWidth > 0)
                        addColor(ExportCellFrameColor(t, *cell));
                    addColor(cell->Color);
                    tableColors(*cell, depth + 1);
                }
    }
}

// Paragraphs say how deep in tables they are: "\itap0" in the document,
// "\itap1\intbl" in a table's cell, "\itapN" in a table nested N deep.
std::string RTFWriter::levelWords(int level) const
{
    if (level <= 0)
        return "\\itap0";
    if (level == 1)
        return "\\itap1\\intbl";
    return "\\itap" + std::to_string(level);
}

std::string RTFWriter::sideBorder(const char *side, int widthPx, TColor color) const
{
    return std::string(side) + "\\brdrs\\brdrw" + std::to_string(std::clamp(tw(widthPx), 1, 255)) + "\\brdrcf"
        + std::to_string(colorIndex(color));
}

std::vector<int> RTFWriter::columnWidths(const TRVTableItemInfo &t, int width) const
{
    const int cols = t.ColCount();
    std::vector<int> fixed(size_t(cols), 0), percent(size_t(cols), 0), w(size_t(cols), 0);
    for (int r = 0; r < t.RowCount(); ++r)
        for (int c = 0; c < cols; ++c) {
            const TRVTableCellData *cell = t.Cell(r, c);
            if (!cell || cell->ColSpan > 1)
                continue;
            if (cell->BestWidth > 0)
                fixed[size_t(c)] = std::max(fixed[size_t(c)], tw(std::min(cell->BestWidth, 100000)));
            else if (cell->BestWidth < 0)
                percent[size_t(c)] = std::max(percent[size_t(c)], std::min(100, -cell->BestWidth));
        }
    // Narrowest column: its padding and borders and a little room for text.
    const int narrow = tw(2 * std::max(0, std::min(t.CellHPadding, 1000)) + 2 * std::max(0, std::min(t.CellBorderWidth, 1000))) + 300;
    int used = 0, autos = 0;
    for (int c = 0; c < cols; ++c) {
        size_t k = size_t(c);
        if (fixed[k] > 0)
            w[k] = fixed[k];
        else if (percent[k] > 0)
            w[k] = int(int64_t(width) * percent[k] / 100);
        else
            ++autos;
        used += w[k];
    }
    if (autos > 0) {
        const int share = std::max(narrow, (width - used) / autos);
        int last = -1;
        for (int c = 0; c < cols; ++c)
            if (w[size_t(c)] == 0) {
                w[size_t(c)] = share;
                last = c;
            }
        // The last one takes what the division left, so the table ends at its width.
        if (share * autos < width - used)
            w[size_t(last)] += width - used - share * autos;
    } else if (t.BestWidth != 0 && used > 0 && used < width) {
        // The table asks for a width of its own: its columns fill it.
        for (int c = 0; c < cols; ++c)
            w[size_t(c)] = int(int64_t(w[size_t(c)]) * width / used);
    }
    for (int &x : w)
        x = std::max(x, narrow);
    return w;
}

void RTFWriter::writeCell(const TRVTableCellData *cell, int level, int widthTw)
{
    const TCustomRVData *outer = d_;
    const int outerLevel = itap_, outerWidth = availTw_;
    itap_ = level;
    availTw_ = widthTw;
    // Every cell starts its paragraph and font afresh.
    haveParaKey_ = false;
    lastTextStyle_ = -1;
    paraHadMarker_ = false;
    parDone_ = false;
    if (cell && cell->ItemCount() > 0) {
        d_ = cell;
        writeItems(ExportWholeDocument(*cell));
    } else {
        put("\\pard" + levelWords(level) + " ");
    }
    // A cell ending in a table or a line still needs a paragraph of its own level to end.
    if (parDone_)
        put("\\pard" + levelWords(level) + " ");
    put(level == 1 ? "\\cell " : "\\nestcell ");
    d_ = outer;
    itap_ = outerLevel;
    availTw_ = outerWidth;
}

void RTFWriter::tableAsText(const TRVTableItemInfo &t)
{
    std::u16string text = TablePlainText(t);
    std::u16string line;
    for (char16_t u : text) {
        if (u == u'\r')
            continue;
        if (u == u'\n' || u == u'\t') {
            unicodeText(line, codePage_, false);
            line.clear();
            put(u == u'\n' ? "\\line " : "\\tab ");
        } else {
            line += u;
        }
    }
    unicodeText(line, codePage_, false);
}

RTFWriter::TableGeometry RTFWriter::tableGeometry(const TRVTableItemInfo &t) const
{
    TableGeometry g;
    g.para = &st_.ParaStyles[knownParaStyle(t.ParaNo)];
    g.left = std::clamp(tw(g.para->LeftIndent), 0, std::max(0, availTw_ - 1440));
    const int avail = std::max(availTw_ - g.left, 1440);
    g.width = avail;
    if (t.BestWidth > 0)
        g.width = std::min(tw(std::min(t.BestWidth, 100000)), avail);
    else if (t.BestWidth < 0)
        g.width = int(int64_t(avail) * std::min(100, -t.BestWidth) / 100);
    const std::vector<int> colW = columnWidths(t, g.width);
    g.edge.assign(colW.size(), 0);
    int x = g.left;
    for (size_t c = 0; c < colW.size(); ++c) {
        x += colW[c];
        g.edge[c] = x;
    }
    g.hpad = tw(std::clamp(t.CellHPadding, 0, 1000));
    g.vpad = tw(std::clamp(t.CellVPadding, 0, 1000));
    return g;
}

std::string RTFWriter::rowDefinition(const TRVTableItemInfo &t, int r, const TableGeometry &g) const
{
    std::string def = "\\trowd\\trgaph" + std::to_string(g.hpad) + "\\trleft" + std::to_string(g.left);
    if (g.para->Alignment == rvaCenter)
        def += "\\trqc";
    else if (g.para->Alignment == rvaRight)
        def += "\\trqr";
    if (r < t.HeadingRowCount)
        def += "\\trhdr";
    int height = 0;
    for (int c = 0; c < t.ColCount(); ++c)
        if (const TRVTableCellData *cell = t.Cell(r, c); cell && cell->RowSpan <= 1)
            height = std::max(height, cell->BestHeight);
    if (height > 0)
        def += "\\trrh" + std::to_string(tw(std::min(height, 100000)));
    def += "\\trpaddl" + std::to_string(g.hpad) + "\\trpaddr" + std::to_string(g.hpad) + "\\trpaddt"
        + std::to_string(g.vpad) + "\\trpaddb" + std::to_string(g.vpad) + "\\trpaddfl3\\trpaddfr3\\trpaddft3\\trpaddfb3";
    if (t.BestWidth > 0)
        def += "\\trftsWidth3\\trwWidth" + std::to_string(g.width);
    else if (t.BestWidth < 0)
        def += "\\trftsWidth2\\trwWidth" + std::to_string(std::min(100, -t.BestWidth) * 50);
    if (t.Options & rvtoRTFAllowAutofit)
        def += "\\trautofit1";
    return def;
}

std::string RTFWriter::cellDefinition(const TRVTableItemInfo &t, const TRVTableCellData &origin,
                                      const CellPlace &at) const
{
    std::string cd;
    if (at.originRow < at.row)
        cd += "\\clvmrg";
    else if (at.lastRow > at.row)
        cd += "\\clvmgf";
    static const char *const valign[] = {"\\clvertalt", "\\clvertalc", "\\clvertalb"};
    const TRVCellVAlign va = origin.VAlign != rvcVDefault ? origin.VAlign : t.Rows[size_t(at.originRow)].VAlign;
    if (va <= rvcBottom)
        cd += valign[va];
    // Sides on the table's edge take its outer border; the others the cell's own.
    const int rows = t.RowCount(), cols = t.ColCount();
    struct Side {
        const char *word;
        bool visible, outer, tableSide;
    } sides[] = {{"\\clbrdrt", origin.VisibleBorders.Top, at.originRow == 0 && at.row == at.originRow, t.VisibleBorders.Top},
                 {"\\clbrdrl", origin.VisibleBorders.Left, at.col == 0, t.VisibleBorders.Left},
                 {"\\clbrdrb", origin.VisibleBorders.Bottom, at.lastRow == rows - 1 && at.row == at.lastRow,
                  t.VisibleBorders.Bottom},
                 {"\\clbrdrr", origin.VisibleBorders.Right, at.lastCol == cols - 1, t.VisibleBorders.Right}};
    const TColor outerColor = ExportFrameColor(t.BorderStyle, t.BorderColor);
    for (const Side &s : sides) {
        if (s.outer && t.BorderWidth > 0 && s.tableSide)
            cd += sideBorder(s.word, t.BorderWidth, outerColor);
        else if (t.CellBorderWidth > 0 && s.visible)
            cd += sideBorder(s.word, t.CellBorderWidth, ExportCellFrameColor(t, origin));
    }
    TColor shade = origin.Color != clNone ? origin.Color : t.Color;
    if (shade != clNone && shade != clWindow)
        cd += "\\clcbpat" + std::to_string(colorIndex(shade));
    if (origin.BestWidth > 0)
        cd += "\\clftsWidth3\\clwWidth" + std::to_string(tw(std::min(origin.BestWidth, 100000)));
    else if (origin.BestWidth < 0)
        cd += "\\clftsWidth2\\clwWidth" + std::to_string(std::min(100, -origin.BestWidth) * 50);
    return cd;
}

void RTFWriter::tableRow(const TRVTableItemInfo &t, int r, int level, const TableGeometry &g)
{
    struct Slot {
        const TRVTableCellData *cell; // null for an empty or row-merged cell
        int width;
    };
    const int rows = t.RowCount(), cols = t.ColCount();
    std::string def = rowDefinition(t, r, g);
    std::vector<Slot> parts;
    for (int c = 0; c < cols;) {
        int cr = r, cc = c;
        const TRVTableCellData *cell = t.CellAt(r, c, cr, cc);
        if (cell && cc < c) { // covered by a cell to the left (a damaged grid): skip the slot
            ++c;
            continue;
        }
        const int span = cell ? std::clamp(cell->ColSpan, 1, cols - c) : 1;
        const int last = c + span - 1;
        if (cell) {
            const int lastRow = std::min(rows, cr + std::max(1, cell->RowSpan)) - 1;
            def += cellDefinition(t, *cell, CellPlace{r, cr, lastRow, c, last});
        }
        def += "\\cellx" + std::to_string(g.edge[size_t(last)]);
        const int cellWidth = g.edge[size_t(last)] - (c == 0 ? g.left : g.edge[size_t(c - 1)]) - 2 * g.hpad;
        parts.push_back({cell && cr == r ? cell : nullptr, std::max(cellWidth, 300)});
        c = last + 1;
    }
    if (level == 1)
        put("\r\n" + def + "\r\n");
    for (const Slot &s : parts)
        writeCell(s.cell, level, s.width);
    if (level == 1)
        put("\\row\r\n");
    else
        put("{\\*\\nesttableprops" + def + "\\nestrow}{\\nonesttables\\par}\r\n");
}

void RTFWriter::table(const TRVTableItemInfo &t)
{
    const int level = itap_ + 1;
    if (t.RowCount() == 0 || t.ColCount() == 0)
        return; // an empty table keeps only its own empty paragraph
    if (level > kMaxTableNesting) {
        // Deeper than any document read can be: the cells' text, not a table.
        tableAsText(t);
        return;
    }
    const TableGeometry g = tableGeometry(t);
    for (int r = 0; r < t.RowCount(); ++r)
        tableRow(t, r, level, g);
    // The table closed its rows: what follows starts its paragraph afresh.
    parDone_ = true;
    haveParaKey_ = false;
    lastTextStyle_ = -1;
    paraHadMarker_ = false;
}

void RTFWriter::write(const TRVExportRange &range)
{
    buildTables();
    header();
    // The top document's lines are as wide as its page text; without page
    // parameters A4 with 1800-twip side margins (8306 twips).
    availTw_ = 8306;
    if (d_->DocParameters) {
        const TRVDocParameters &p = *d_->DocParameters;
        const int w = p.ToTwips(p.PageWidth - p.LeftMargin - p.RightMargin, s_.ScreenPixelsPerInch);
        if (w > 1440 && w < 1440 * 200)
            availTw_ = w;
    }
    writeItems(range);
    if (range.Whole && d_->TrailingCheckpoint)
        checkpoint(*d_->TrailingCheckpoint);
    if ((range.Whole || range.ReachesEnd) && !range.Pieces.empty() && !parDone_)
        put("\\par");
    put("}");
}

void RTFWriter::writeItems(const TRVExportRange &range)
{
    bool first = true;
    for (const TRVExportPiece &p : range.Pieces) {
        startParagraph(p.ItemNo, first, p.NewLine);
        first = false;
        const TCustomRVItemInfo &it = d_->GetItem(p.ItemNo);
        if (it.Checkpoint && !p.CutStart)
            checkpoint(*it.Checkpoint);
        if (it.IsText())
            textItem(p);
        else
            nonTextItem(p);
    }
}

} // namespace

bool SaveRTFToString(const TCustomRVData &data, std::string &out, const TRVRTFSettings &settings, std::string *error)
{
    return RunExportWriter<RTFWriter>(data, out, ExportWholeDocument(data), error, settings);
}

bool SaveRTFSelectionToString(const TCustomRVData &data, std::string &out, int startItem, int startOffs, int endItem,
                              int endOffs, const TRVRTFSettings &settings, std::string *error)
{
    return RunExportWriter<RTFWriter>(data, out, ExportSelection(data, startItem, startOffs, endItem, endOffs), error,
                                      settings);
}

} // namespace rv
