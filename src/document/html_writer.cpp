#include "html_writer.h"

#include "platform/codepage.h"
#include "rv_export_range.h"
#include "rv_graphic.h"
#include "rv_table.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace rv {

using namespace platform;

namespace {

std::string cssColor(TColor c)
{
    c = colorToRGB(c);
    char b[8];
    std::snprintf(b, sizeof b, "#%02x%02x%02x", redOf(c), greenOf(c), blueOf(c));
    return b;
}

// Text content: markup characters escaped, runs of blanks kept with
// no-break spaces (a leading blank too), control characters dropped.
void escapeText(std::string &o, std::u16string_view t, bool &lastWasSpace)
{
    std::u16string u;
    for (char16_t c : t) {
        if (c == u' ') {
            if (lastWasSpace) {
                o += platform::utf16ToUtf8(u);
                u.clear();
                o += "&nbsp;";
                lastWasSpace = false;
                continue;
            }
            lastWasSpace = true;
            u += c;
            continue;
        }
        lastWasSpace = false;
        const char *ent = nullptr;
        switch (c) {
        case u'&': ent = "&amp;"; break;
        case u'<': ent = "&lt;"; break;
        case u'>': ent = "&gt;"; break;
        case u'"': ent = "&quot;"; break;
        case u'\t': ent = "&emsp;"; break;
        default: break;
        }
        if (ent) {
            o += platform::utf16ToUtf8(u);
            u.clear();
            o += ent;
        } else if (c >= 32 && c != 0x7F) {
            u += c;
        }
    }
    o += platform::utf16ToUtf8(u);
}

void escapeAttr(std::string &o, const std::string &utf8)
{
    for (char c : utf8) {
        switch (c) {
        case '&': o += "&amp;"; break;
        case '<': o += "&lt;"; break;
        case '>': o += "&gt;"; break;
        case '"': o += "&quot;"; break;
        case '\'': o += "&#39;"; break;
        default:
            if (uint8_t(c) >= 32)
                o += c;
        }
    }
}

std::string base64(const std::string &bytes)
{
    QByteArray b = QByteArray::fromRawData(bytes.data(), qsizetype(bytes.size())).toBase64();
    return std::string(b.constData(), size_t(b.size()));
}

class HTMLWriter {
public:
    HTMLWriter(const TCustomRVData &d, int depth = 0) : d_(d), st_(*d.GetRVStyle()), depth_(depth) {}
    void write(const TRVExportRange &range);
    // The blocks of the range, without the page around them.
    void writeBody(const TRVExportRange &range);
    std::string out;

private:
    int knownTextStyle(int n) const { return st_.TextStyles.InRange(n) ? n : 0; }
    std::string textCss(int n) const;
    std::string paraCss(int paraNo, bool inList) const;
    void closeBlock();
    void closeLists(size_t keep);
    void startParagraph(int i, bool first);
    void text(const TRVExportPiece &p);
    void picture(const TRVGraphicItemInfo &pic);
    void nonText(const TRVExportPiece &p);
    void table(const TRVTableItemInfo &t);
    std::string tableStyle(const TRVTableItemInfo &t) const;

    const TCustomRVData &d_;
    const TRVStyle &st_;
    int depth_ = 0;          // tables around this document
    bool afterTable_ = false; // the next piece opens a block of its own
    struct OpenList {
        int list, level;
        bool ordered;
        int indent;
    };
    std::vector<OpenList> lists_;
    bool inP_ = false;    // inside a paragraph or list item
    bool inPara_ = false; // that block is a <p>
    bool blockEmpty_ = true;
    bool lastWasSpace_ = false;
};

std::string HTMLWriter::textCss(int n) const
{
    const TFontInfo &f = st_.TextStyles[knownTextStyle(n)];
    std::string name;
    escapeAttr(name, latin1ToUtf8(f.FontName));
    std::string css = "font-family:'" + name + "';font-size:" + std::to_string(f.Size) + "pt";
    if (f.Style & fsBold)
        css += ";font-weight:bold";
    if (f.Style & fsItalic)
        css += ";font-style:italic";
    std::string deco;
    if (f.Style & fsUnderline)
        deco += " underline";
    if (f.Style & fsStrikeOut)
        deco += " line-through";
    if (f.StyleEx & bit(rvfsOverline))
        deco += " overline";
    if (!deco.empty())
        css += ";text-decoration:" + deco.substr(1);
    if (f.StyleEx & bit(rvfsAllCaps))
        css += ";text-transform:uppercase";
    if (f.Color != clNone)
        css += ";color:" + cssColor(f.Color);
    if (f.BackColor != clNone)
        css += ";background-color:" + cssColor(f.BackColor);
    if (f.SubSuperScriptType == rvsssSubscript || f.VShift < 0)
        css += ";vertical-align:sub";
    else if (f.SubSuperScriptType == rvsssSuperScript || f.VShift > 0)
        css += ";vertical-align:super";
    return css;
}

std::string HTMLWriter::paraCss(int paraNo, bool inList) const
{
    const TParaInfo &p = st_.ParaStyles[st_.ParaStyles.InRange(paraNo) ? paraNo : 0];
    static const char *align[] = {"left", "right", "center", "justify"};
    std::string css = "margin:" + std::to_string(p.SpaceBefore) + "px " + std::to_string(p.RightIndent) + "px "
        + std::to_string(p.SpaceAfter) + "px " + std::to_string(inList ? 0 : p.LeftIndent) + "px";
    css += ";text-align:";
    css += align[p.Alignment <= rvaJustify ? p.Alignment : 0];
    if (!inList && p.FirstIndent != 0)
        css += ";text-indent:" + std::to_string(p.FirstIndent) + "px";
    if (p.Background.Color != clNone)
        css += ";background-color:" + cssColor(p.Background.Color);
    if (p.Border.Style != rvbNone && p.Border.Color != clNone) {
        const char *kind = p.Border.Style == rvbDouble || p.Border.Style == rvbTriple ? "double" : "solid";
        const std::string b = std::to_string(std::max(1, p.Border.Width)) + "px " + kind + " " + cssColor(p.Border.Color);
        const auto &v = p.Border.VisibleBorders;
        if (v.Left) css += ";border-left:" + b;
        if (v.Top) css += ";border-top:" + b;
        if (v.Right) css += ";border-right:" + b;
        if (v.Bottom) css += ";border-bottom:" + b;
        const auto &o = p.Border.BorderOffsets;
        css += ";padding:" + std::to_string(o.Top) + "px " + std::to_string(o.Right) + "px " + std::to_string(o.Bottom)
            + "px " + std::to_string(o.Left) + "px";
    }
    if (p.BiDiMode == rvbdRightToLeft)
        css += ";direction:rtl";
    return css;
}

void HTMLWriter::closeBlock()
{
    if (!inP_)
        return;
    // An empty paragraph keeps its line.
    if (blockEmpty_)
        out += "&nbsp;";
    if (inPara_)
        out += "</p>\n";
    inP_ = inPara_ = false;
}

void HTMLWriter::closeLists(size_t keep)
{
    while (lists_.size() > keep) {
        out += "</li>\n";
        out += lists_.back().ordered ? "</ol>\n" : "</ul>\n";
        lists_.pop_back();
    }
}

void HTMLWriter::startParagraph(int i, bool first)
{
    const TCustomRVItemInfo &it = d_.GetItem(i);
    if (!first && (it.ItemOptions & ioLineBreak)) {
        out += "<br>";
        lastWasSpace_ = true;
        return;
    }
    const int start = d_.GetFirstParaItem(i);
    const int paraNo = d_.GetItem(start).ParaNo;
    const TRVListLevel *lv = nullptr;
    int listNo = -1, level = 0;
    if (start == i && it.StyleNo == ikListMarker) {
        const auto &m = static_cast<const TRVMarkerItemInfo &>(it);
        if (m.ListNo >= 0 && m.Level >= 0 && st_.ListStyles.InRange(m.ListNo)
            && !st_.ListStyles[m.ListNo].Levels.empty()) {
            const auto &levels = st_.ListStyles[m.ListNo].Levels;
            listNo = m.ListNo;
            level = std::min(m.Level, int(levels.size()) - 1);
            lv = &levels[size_t(level)];
        }
    }
    closeBlock();
    blockEmpty_ = true;
    lastWasSpace_ = true; // a leading blank would vanish: it goes out as a no-break space
    inP_ = true;
    if (!lv) {
        closeLists(0);
        inPara_ = true;
        out += "<p style=\"" + paraCss(paraNo, false) + "\">";
        return;
    }
    // Lists of other lists and deeper levels end here; the same level goes on
    // with a new item; a deeper level opens inside the open item.
    size_t keep = lists_.size();
    while (keep > 0 && (lists_[keep - 1].list != listNo || lists_[keep - 1].level > level))
        --keep;
    closeLists(keep);
    if (!lists_.empty() && lists_.back().level == level) {
        out += "</li>\n";
    } else {
        int parentIndent = 0;
        for (const OpenList &l : lists_)
            parentIndent += l.indent;
        const int indent = std::max(16, lv->LeftIndent + lv->FirstIndent - parentIndent);
        const bool ordered = lv->HasNumbers();
        if (ordered) {
            static const char *types[] = {"1", "a", "A", "i", "I"};
            const auto &m = static_cast<const TRVMarkerItemInfo &>(it);
            out += "<ol type=\"" + std::string(types[lv->ListType - rvlstDecimal]) + "\" start=\""
                + std::to_string(m.Counter) + "\"";
        } else {
            out += "<ul";
        }
        out += " style=\"margin:0;padding-left:" + std::to_string(indent) + "px\">\n";
        lists_.push_back({listNo, level, ordered, indent});
    }
    out += "<li style=\"" + paraCss(paraNo, true) + "\">";
}

void HTMLWriter::text(const TRVExportPiece &p)
{
    std::u16string t = d_.ItemTextW(p.ItemNo);
    const int from = std::clamp(p.From, 0, int(t.size()));
    const int to = std::clamp(p.To, from, int(t.size()));
    if (to <= from)
        return;
    out += "<span style=\"" + textCss(d_.EffectiveStyleNo(p.ItemNo)) + "\">";
    escapeText(out, std::u16string_view(t).substr(size_t(from), size_t(to - from)), lastWasSpace_);
    out += "</span>";
    blockEmpty_ = false;
}

void HTMLWriter::picture(const TRVGraphicItemInfo &pic)
{
    const TRVGraphic &g = *pic.Image;
    std::string mime, bytes;
    if (std::strcmp(g.ClassName(), "TJPEGImage") == 0) {
        mime = "image/jpeg";
        bytes = g.StoredBytes();
    } else if (const Bitmap *img = g.Image()) {
        // Bitmaps and icons travel as PNG, which every reader of HTML takes.
        QImage q(img->width(), img->height(), QImage::Format_ARGB32);
        // A fixed 96 dpi, not the screen's, so the bytes do not depend on where a copy is made.
        q.setDotsPerMeterX(3780);
        q.setDotsPerMeterY(3780);
        for (int y = 0; y < img->height(); ++y)
            std::memcpy(q.scanLine(y), img->data() + size_t(y) * size_t(img->width()), size_t(img->width()) * 4);
        QByteArray png;
        QBuffer buf(&png);
        buf.open(QIODevice::WriteOnly);
        if (!q.save(&buf, "PNG"))
            return;
        mime = "image/png";
        bytes.assign(png.constData(), size_t(png.size()));
    } else {
        return; // metafiles have no raster here
    }
    const auto size = pic.ContentSize();
    out += "<img src=\"data:" + mime + ";base64," + base64(bytes) + "\" width=\"" + std::to_string(size.cx)
        + "\" height=\"" + std::to_string(size.cy) + "\" alt=\"";
    escapeAttr(out, latin1ToUtf8(pic.AltText));
    out += "\">";
    blockEmpty_ = false;
    lastWasSpace_ = false;
}

void HTMLWriter::nonText(const TRVExportPiece &p)
{
    const TCustomRVItemInfo &it = d_.GetItem(p.ItemNo);
    switch (it.StyleNo) {
    case ikPicture:
    case ikHotPicture: {
        auto &pic = static_cast<const TRVGraphicItemInfo &>(it);
        if (pic.Image && !pic.Image->Empty())
            picture(pic);
        break;
    }
    case ikHorizontalLine:
        out += "<hr>";
        blockEmpty_ = false;
        break;
    case ikTab:
        out += "&emsp;";
        blockEmpty_ = false;
        lastWasSpace_ = false;
        break;
    case ikLabel:
    case ikSequence:
    case ikFootnote:
    case ikEndnote:
    case ikNoteReference: {
        auto &l = static_cast<const TRVLabelItemInfo &>(it);
        const int cp = st_.CodePageOfStyle(knownTextStyle(l.TextStyleNo));
        out += "<span style=\"" + textCss(l.TextStyleNo) + "\">";
        escapeText(out, toUtf16(l.Text, cp), lastWasSpace_);
        out += "</span>";
        blockEmpty_ = false;
        break;
    }
    case ikTable:
        table(static_cast<const TRVTableItemInfo &>(it));
        break;
    default:
        break; // markers are the list itself; bullets and controls have no form here
    }
}

// A table: its rows, each cell with its spans, frame, shading and vertical
// alignment, and the cell's own document inside. Frames are single lines
// (the 3-D looks in the shadow colour), collapsed like a printed table.
namespace {

// A width in pixels (positive) or per cent (negative), as CSS; "" for automatic.
std::string cssWidth(int best)
{
    if (best > 0)
        return ";width:" + std::to_string(std::min(best, 100000)) + "px";
    if (best < 0)
        return ";width:" + std::to_string(std::min(100, -best)) + "%";
    return {};
}

// The visible sides of a frame as CSS borders.
std::string cssBorders(const TRVBooleanRect &visible, int width, TColor color)
{
    const std::string b = std::to_string(std::min(width, 1000)) + "px solid " + cssColor(color);
    std::string css;
    if (visible.Left) css += ";border-left:" + b;
    if (visible.Top) css += ";border-top:" + b;
    if (visible.Right) css += ";border-right:" + b;
    if (visible.Bottom) css += ";border-bottom:" + b;
    return css;
}

// A cell's padding, alignment, colour, width and frame as CSS.
std::string cellStyle(const TRVTableItemInfo &t, const TRVTableCellData &cell, int r)
{
    static const char *const valign[] = {"top", "middle", "bottom"};
    std::string cs = "padding:" + std::to_string(std::clamp(t.CellVPadding, 0, 1000)) + "px "
        + std::to_string(std::clamp(t.CellHPadding, 0, 1000)) + "px";
    const TRVCellVAlign va = cell.VAlign != rvcVDefault ? cell.VAlign : t.Rows[size_t(r)].VAlign;
    cs += std::string(";vertical-align:") + valign[va <= rvcBottom ? va : 0];
    if (r < t.HeadingRowCount)
        cs += ";font-weight:normal;text-align:left";
    if (cell.Color != clNone)
        cs += ";background-color:" + cssColor(cell.Color);
    cs += cssWidth(cell.BestWidth);
    if (t.CellBorderWidth > 0)
        cs += cssBorders(cell.VisibleBorders, t.CellBorderWidth, ExportCellFrameColor(t, cell));
    return cs;
}

} // namespace

std::string HTMLWriter::tableStyle(const TRVTableItemInfo &t) const
{
    std::string css = "border-collapse:collapse" + cssWidth(t.BestWidth);
    if (t.Color != clNone && t.Color != clWindow)
        css += ";background-color:" + cssColor(t.Color);
    if (t.BorderWidth > 0)
        css += cssBorders(t.VisibleBorders, t.BorderWidth, ExportFrameColor(t.BorderStyle, t.BorderColor));
    const TParaInfo &para = st_.ParaStyles[st_.ParaStyles.InRange(t.ParaNo) ? t.ParaNo : 0];
    if (para.Alignment == rvaCenter)
        css += ";margin-left:auto;margin-right:auto";
    else if (para.Alignment == rvaRight)
        css += ";margin-left:auto";
    return css;
}

void HTMLWriter::table(const TRVTableItemInfo &t)
{
    closeBlock();
    closeLists(0);
    afterTable_ = true;
    const int rows = t.RowCount(), cols = t.ColCount();
    if (rows == 0 || cols == 0 || depth_ >= kMaxTableNesting)
        return;
    out += "<table style=\"" + tableStyle(t) + "\">\n";
    for (int r = 0; r < rows; ++r) {
        out += "<tr>";
        for (int c = 0; c < cols; ++c) {
            const TRVTableCellData *cell = t.Cell(r, c);
            if (!cell)
                continue; // covered by a spanning cell
            const int colSpan = std::clamp(cell->ColSpan, 1, cols - c), rowSpan = std::clamp(cell->RowSpan, 1, rows - r);
            const char *tag = r < t.HeadingRowCount ? "th" : "td";
            out += std::string("<") + tag;
            if (colSpan > 1)
                out += " colspan=\"" + std::to_string(colSpan) + "\"";
            if (rowSpan > 1)
                out += " rowspan=\"" + std::to_string(rowSpan) + "\"";
            out += " style=\"" + cellStyle(t, *cell, r) + "\">";
            HTMLWriter inner(*cell, depth_ + 1);
            inner.writeBody(ExportWholeDocument(*cell));
            out += inner.out;
            out += std::string("</") + tag + ">";
        }
        out += "</tr>\n";
    }
    out += "</table>\n";
}

void HTMLWriter::write(const TRVExportRange &range)
{
    out += "<html><head><meta charset=\"utf-8\"></head><body>\n";
    writeBody(range);
    // Nothing after the closing tags: a parser would take a trailing line end
    // for a blank at the end of the last paragraph.
    out += "</body></html>";
}

void HTMLWriter::writeBody(const TRVExportRange &range)
{
    bool first = true;
    for (const TRVExportPiece &p : range.Pieces) {
        // A table is a block of its own: no paragraph is opened for it.
        if ((first || p.NewLine || afterTable_) && d_.GetItemStyle(p.ItemNo) != ikTable)
            startParagraph(p.ItemNo, first || afterTable_);
        first = false;
        afterTable_ = false;
        if (d_.GetItem(p.ItemNo).IsText())
            text(p);
        else
            nonText(p);
    }
    closeBlock();
    closeLists(0);
}

} // namespace

bool SaveHTMLToString(const TCustomRVData &data, std::string &out, std::string *error)
{
    return RunExportWriter<HTMLWriter>(data, out, ExportWholeDocument(data), error);
}

bool SaveHTMLSelectionToString(const TCustomRVData &data, std::string &out, int startItem, int startOffs, int endItem,
                               int endOffs, std::string *error)
{
    return RunExportWriter<HTMLWriter>(data, out, ExportSelection(data, startItem, startOffs, endItem, endOffs), error);
}

} // namespace rv
