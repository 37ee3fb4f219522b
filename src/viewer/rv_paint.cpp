// Painting the formatted document: background, paragraph frames, pieces with
// their hover and selection looks, marks and the focus frame.
#include "viewer/rv_fdata.h"
#include "viewer/rv_table_layout.h"
#include "viewer/rv_fontcache.h"
#include "document/rv_marker.h"

#include "platform/codepage.h"

#include <algorithm>
#include <exception>

namespace rv {

using namespace platform;

class TRVPainter {
public:
    TRVPainter(TCustomRVFormattedData &formatted, Canvas &target, int xOffs, int yOffs, const TRVPaintOptions &how)
        : Formatted(formatted), Items(formatted.Items()), Style(*formatted.GetRVStyle()), Target(target),
          Resolution(formatted.FResolution), xOffs(xOffs), yOffs(yOffs), printing(how.Printing),
          colorMode(how.ColorMode), cutTop(how.CutTop), cutBottom(how.CutBottom), labelTexts(how.LabelTexts),
          fonts(Style, target, formatted.GetBiDiMode()), options(formatted.GetOptions())
    {
        if (how.AllSelected)
            hasSelection = Formatted.NormalisedSelection(Formatted.WholeSelection(), selection);
        else if (!how.HideInteraction)
            hasSelection = Formatted.GetSelectionBounds(selection);
        if (!how.HideInteraction) {
            hoveredJump = Formatted.FHoverShown ? Formatted.FHoveredJump : -1;
            currentItem = Formatted.FCurrentItem;
        }
        focused = Formatted.IsControlFocused();
    }

    void Draw(const Rect &rect, bool onlyWhole);

private:
    struct Band {
        int top = 0, bottom = 0;
    };
    void DrawParaBacks(int firstPara, int lastPara);
    // The backgrounds and frames of the paragraphs the lines belong to, and of
    // neighbours whose frames reach into the rows docTop..docBottom.
    void DrawParaBacksAround(int firstLine, int lastLine, int docTop, int docBottom);
    // A line's band: its extent with its paragraph's space before and after.
    Band LineBand(int line) const;
    // The page-break and checkpoint marks at the start of an item (screen only).
    void DrawItemMarks(const TRVDrawLineInfo &d, int lineTop);
    // How far a paragraph's background and border reach past its lines on
    // one side (&TRVRect::Top above the first, &TRVRect::Bottom below the
    // last): their offsets grow the box.
    int ParaReach(int para, int TRVRect::*side) const;
    void DrawTextPiece(int drawNo, const Band &band);
    void DrawTextPart(const TRVDrawLineInfo &d, int from, int count, uint32_t state, const Band &band,
                      bool wrapsAfter);
    void DrawNonText(int drawNo, const Band &band);
    // Text of a non-text item (a tab leader, a label) in text style styleNo,
    // selected or not, over a transparent background.
    void UseTextStyle(int styleNo, bool selected);
    // A tab's leader characters, right-aligned in its box, in its text style.
    void DrawTabLeader(int drawNo, int styleNo, bool selected);
    void DrawListMarker(const TRVDrawLineInfo &d, const TRVMarkerItemInfo &m);
    // An underline the font cannot draw itself (a kind other than plain, or a
    // colour of its own) under w pixels of text at (x, y).
    void DrawUnderline(TRVUnderlineType type, const TRVFontInfoCacheItem &fi, int x, int y, int w, Color color);
    void DrawBreak(const TRVDrawLineInfo &d, const TRVBreakItemInfo &item, bool selected);
    void DrawBorder(const Rect &outer, const TRVBorder &border);
    // Selected characters [from, to) of a draw item (0-based for text, 0..1 for others).
    bool SelectedPart(int drawNo, int &from, int &to) const;
    int RightLimit() const;

    TCustomRVFormattedData &Formatted; // the laid-out lines and pieces
    const TCustomRVData &Items;        // the items those pieces show
    TRVStyle &Style;
    Canvas &Target;                    // the canvas painted on
    const TRVResolutionInfo &Resolution;
    int xOffs, yOffs;
    bool printing;
    TRVColorMode colorMode;
    int cutTop, cutBottom; // where a printed page cuts the document
    const std::unordered_map<int, std::string> *labelTexts;
    TRVFontInfoCacheLowResource fonts;
    TRVOptions options;
    TRVSelectionBounds selection;
    bool hasSelection = false;
    bool focused = true;
    int hoveredJump = -1; // the jump showing its hover look
    int currentItem = -1;
};

bool TRVPainter::SelectedPart(int drawNo, int &from, int &to) const
{
    if (!hasSelection || drawNo < selection.StartNo || drawNo > selection.EndNo)
        return false;
    const TRVDrawLineInfo &d = Formatted.FDrawItems[drawNo];
    if (Items.GetItem(d.ItemNo).IsText()) {
        from = drawNo == selection.StartNo ? selection.StartOffs - 1 : 0;
        to = drawNo == selection.EndNo ? selection.EndOffs - 1 : d.CharCount;
        from = std::clamp(from, 0, d.CharCount);
        to = std::clamp(to, 0, d.CharCount);
    } else {
        from = drawNo == selection.StartNo ? selection.StartOffs : 0;
        to = drawNo == selection.EndNo ? selection.EndOffs : 1;
    }
    return from < to;
}

int TRVPainter::RightLimit() const
{
    int limit;
    if (options.Has(TRVOption::ClientTextWidth)) {
        limit = Formatted.GetClientWidth();
    } else {
        limit = Formatted.DocumentWidth();
        int maxText = Resolution.X(Formatted.GetMaxTextWidth());
        if (maxText >= 1)
            limit = std::min(limit, maxText + Resolution.LeftMargin + Resolution.RightMargin);
    }
    return limit - Resolution.RightMargin;
}

void TRVPainter::DrawBorder(const Rect &outer, const TRVBorder &border)
{
    const int w = std::max(1, Resolution.X(border.Width));
    const int gap = std::max(1, Resolution.X(border.InternalWidth));
    const Color color = border.Color;
    auto frame = [&](const Rect &q, int t) {
        if (border.VisibleBorders.Top)
            Target.fillRect({q.left, q.top, q.right, q.top + t}, color);
        if (border.VisibleBorders.Bottom)
            Target.fillRect({q.left, q.bottom - t, q.right, q.bottom}, color);
        if (border.VisibleBorders.Left)
            Target.fillRect({q.left, q.top, q.left + t, q.bottom}, color);
        if (border.VisibleBorders.Right)
            Target.fillRect({q.right - t, q.top, q.right, q.bottom}, color);
    };
    switch (border.Style) {
    case rvbSingle:
        frame(outer, w);
        break;
    case rvbDouble:
        frame(outer, w);
        frame(outer.inflated(-(w + gap), -(w + gap)), w);
        break;
    case rvbTriple:
        frame(outer, w);
        frame(outer.inflated(-(w + gap), -(w + gap)), w);
        frame(outer.inflated(-2 * (w + gap), -2 * (w + gap)), w);
        break;
    case rvbThickInside:
        frame(outer, w);
        frame(outer.inflated(-(w + gap), -(w + gap)), 2 * w);
        break;
    case rvbThickOutside:
        frame(outer, 2 * w);
        frame(outer.inflated(-(2 * w + gap), -(2 * w + gap)), w);
        break;
    default:
        break;
    }
}

int TRVPainter::ParaReach(int para, int TRVRect::*side) const
{
    const TParaInfo &p = Style.ParaStyles[Formatted.Paras()[size_t(para)].ParaNo];
    int reach = 0;
    if (p.Border.Style != rvbNone)
        reach = std::max(reach, Resolution.Y(p.Border.BorderOffsets.*side));
    if (p.Background.Color != clNone)
        reach = std::max(reach, Resolution.Y(p.Background.BorderOffsets.*side));
    return reach;
}

void TRVPainter::DrawParaBacks(int firstPara, int lastPara)
{
    const auto &paras = Formatted.Paras();
    for (int pi = firstPara; pi <= lastPara; ++pi) {
        const TRVParaRecord &rec = paras[size_t(pi)];
        const TParaInfo &para = Style.ParaStyles[rec.ParaNo];
        if (para.Border.Style == rvbNone && para.Background.Color == clNone && !Style.OnDrawParaBack)
            continue;
        int left = Resolution.LeftMargin + Resolution.X(para.LeftIndent) + std::min(0, Resolution.X(para.FirstIndent));
        int right;
        if (options.Has(TRVOption::ClientTextWidth))
            right = Formatted.GetClientWidth() - Resolution.RightMargin;
        else if (Formatted.GetMaxTextWidth() < 1)
            right = Formatted.DocumentWidth() - Resolution.RightMargin;
        else
            right = Resolution.LeftMargin + Resolution.X(Formatted.GetMaxTextWidth());
        right = std::max(right - Resolution.X(para.RightIndent), rec.Right);
        Rect box{left - xOffs, rec.Top - yOffs, right - xOffs, rec.Bottom - yOffs};
        if (Style.OnDrawParaBack) {
            bool doDefault = true;
            Style.OnDrawParaBack(Style, rec.ParaNo, doDefault);
            if (!doDefault)
                continue;
        }
        auto grow = [&](const Rect &q, const TRVRect &o) {
            return Rect{q.left - Resolution.X(o.Left), q.top - Resolution.Y(o.Top), q.right + Resolution.X(o.Right),
                        q.bottom + Resolution.Y(o.Bottom)};
        };
        // A paragraph going on over a page cut ends at the cut, without an edge there.
        TRVBorder border = para.Border;
        Rect back = grow(box, para.Background.BorderOffsets), frame = grow(box, para.Border.BorderOffsets);
        if (rec.Top < cutTop) {
            back.top = frame.top = cutTop - yOffs;
            border.VisibleBorders.Top = false;
        }
        if (rec.Bottom > cutBottom) {
            back.bottom = frame.bottom = cutBottom - yOffs;
            border.VisibleBorders.Bottom = false;
        }
        if (para.Background.Color != clNone && !back.isEmpty())
            Target.fillRect(back, para.Background.Color);
        if (para.Border.Style != rvbNone && !frame.isEmpty())
            DrawBorder(frame, border);
    }
}

void TRVPainter::DrawUnderline(TRVUnderlineType type, const TRVFontInfoCacheItem &fi, int x, int y, int w, Color color)
{
    const auto om = Target.outlineMetrics();
    const int thick = om ? std::max(1, om->underscoreSize) : 1;
    const int uy = y + fi.TextMetric.tmAscent - (om ? om->underscorePosition : -1);
    PenStyle ps = PenStyle::Solid;
    int pw = thick;
    bool dbl = false;
    switch (type) {
    case rvutThick: pw = 2 * thick; break;
    case rvutDouble: dbl = true; break;
    case rvutDotted: ps = PenStyle::Dot; break;
    case rvutThickDotted: ps = PenStyle::Dot; pw = 2 * thick; break;
    case rvutDashed: case rvutLongDashed: ps = PenStyle::Dash; break;
    case rvutThickDashed: case rvutThickLongDashed: ps = PenStyle::Dash; pw = 2 * thick; break;
    case rvutDashDotted: ps = PenStyle::DashDot; break;
    case rvutThickDashDotted: ps = PenStyle::DashDot; pw = 2 * thick; break;
    case rvutDashDotDotted: ps = PenStyle::DashDotDot; break;
    case rvutThickDashDotDotted: ps = PenStyle::DashDotDot; pw = 2 * thick; break;
    default: break;
    }
    if (ps == PenStyle::Solid) {
        Target.fillRect({x, uy, x + w, uy + pw}, color);
        if (dbl)
            Target.fillRect({x, uy + 2 * thick, x + w, uy + 3 * thick}, color);
    } else {
        Target.setPen({color, pw, ps});
        Target.line(x, uy, x + w, uy);
    }
}

void TRVPainter::DrawTextPart(const TRVDrawLineInfo &d, int from, int count, uint32_t state, const Band &band,
                              bool wrapsAfter)
{
    const int styleNo = Items.EffectiveStyleNo(d.ItemNo);
    const TRVFontInfoCacheItem &fi = fonts.Select(styleNo);
    const TFontInfo &font = *fi.FontInfo;
    const std::u16string &all = Formatted.DisplayText(d.ItemNo);
    const size_t start = size_t(d.FirstChar - 1);
    std::u16string_view piece = std::u16string_view(all).substr(std::min(start, all.size()), size_t(d.CharCount));
    std::u16string_view part = piece.substr(size_t(from), size_t(count));

    const FontDesc before = Target.font();
    Style.ApplyStyleColor(Target, styleNo, state, printing, colorMode);
    const bool brushSolid = Target.brush().style == BrushStyle::Solid;
    const Color brushColor = Target.brush().color;
    int x = d.Left - xOffs + d.SpaceBefore;
    const int y = d.Top - yOffs;
    if (from == 0) {
        if (d.SpaceBefore > 0 && brushSolid)
            Target.fillRect({d.Left - xOffs, y, x, y + d.Height}, brushColor);
    } else {
        x += Target.textExtent(piece.substr(0, size_t(from))).cx;
    }
    const int w = Target.textExtent(part).cx;
    if (Style.SelectionStyle == rvssLines && (state & rvtsSelected) && brushSolid)
        Target.fillRect({x - 1, band.top - yOffs, x + w + 1, band.bottom - yOffs}, brushColor);

    bool doDefault = true;
    if (Style.OnDrawStyleText)
        Style.OnDrawStyleText(Style, styleNo, doDefault);
    if (doDefault) {
        const bool underlined = Target.font().underline;
        const Color textColor = Target.textColor();
        Color ulColor = (state & rvtsHover) && font.HoverUnderlineColor != clNone ? font.HoverUnderlineColor
                                                                                  : font.UnderlineColor;
        const bool customUnderline =
            underlined && (font.UnderlineType != rvutNormal || (ulColor != clNone && ulColor != textColor));
        if (customUnderline) {
            FontDesc f = Target.font();
            f.underline = false;
            Target.setFont(f);
        }
        Target.textOut(x, y, part);
        // A line that wraps at a soft hyphen shows the hyphen (the formatter
        // widened the piece for it); one that merely ends an item does not.
        const auto &softs = Formatted.TextOf(d.ItemNo).softHyphens;
        const int lastChar = int(start) + from + count - 1;
        if (from + count == d.CharCount && wrapsAfter && std::binary_search(softs.begin(), softs.end(), lastChar))
            Target.textOut(x + w, y, u"-");
        if (customUnderline)
            DrawUnderline(font.UnderlineType, fi, x, y, w, ulColor == clNone ? textColor : ulColor);
        if (font.StyleEx & bit(rvfsOverline)) {
            Target.setPen({textColor, 1, PenStyle::Solid});
            Target.line(x, y, x + w, y);
        }
    }
    if (!(Target.font() == before))
        fonts.Invalidate();
}

void TRVPainter::DrawTextPiece(int drawNo, const Band &band)
{
    const TRVDrawLineInfo &d = Formatted.FDrawItems[drawNo];
    if (d.CharCount == 0)
        return;
    uint32_t state = 0;
    if (focused)
        state |= rvtsControlFocused;
    if (options.Has(TRVOption::ShowSpecialCharacters))
        state |= rvtsSpecialCharacters;
    if (hoveredJump >= 0 && Items.IsHyperlink(d.ItemNo) && Formatted.JumpIndexOf(d.ItemNo) == hoveredJump)
        state |= rvtsHover;
    if (Style.OnDrawStyleText) {
        if (d.FirstChar == 1)
            state |= rvtsItemStart;
        if (d.FirstChar - 1 + d.CharCount >= int(Formatted.DisplayText(d.ItemNo).size()))
            state |= rvtsItemEnd;
        state |= rvtsDrawItemStart | rvtsDrawItemEnd;
    }
    // The line goes on below: the piece ends a line that was wrapped or broken.
    const bool wrapsAfter =
        drawNo + 1 < Formatted.FDrawItems.Count() && Formatted.FDrawItems[drawNo + 1].StartsLine;
    int from, to;
    if (!SelectedPart(drawNo, from, to)) {
        DrawTextPart(d, 0, d.CharCount, state, band, wrapsAfter);
    } else if (from == 0 && to == d.CharCount) {
        DrawTextPart(d, 0, d.CharCount, state | rvtsSelected, band, wrapsAfter);
    } else {
        DrawTextPart(d, 0, d.CharCount, state, band, wrapsAfter);
        uint32_t selState = state | rvtsSelected;
        if (Style.OnDrawStyleText) {
            selState &= ~(rvtsDrawItemStart | rvtsDrawItemEnd);
            if (from == 0)
                selState |= rvtsDrawItemStart;
            if (to == d.CharCount)
                selState |= rvtsDrawItemEnd;
        }
        DrawTextPart(d, from, to - from, selState, band, wrapsAfter);
    }
}

void TRVPainter::DrawBreak(const TRVDrawLineInfo &d, const TRVBreakItemInfo &item, bool selected)
{
    Color color = item.LineColor != clNone ? item.LineColor : Style.TextStyles[0].Color;
    // Insets and width are screen pixels, scaled like the rule's line box.
    const int x1 = d.Left - xOffs + Resolution.X(5), x2 = RightLimit() - xOffs - Resolution.X(5);
    const int y = d.Top - yOffs + Resolution.Y(5);
    const int w = std::max(1, Resolution.Y(int(item.LineWidth)));
    Target.setBrush({color, BrushStyle::Solid});
    switch (item.LineStyle) {
    case TRVBreakStyle::Rectangle:
        Target.setPen({color, 1, PenStyle::Solid});
        Target.setBrush({color, BrushStyle::Clear});
        Target.rectangle({x1, y - w / 2, x2, y - w / 2 + w + 1});
        break;
    case TRVBreakStyle::Sunken:
        Target.fillRect({x1, y - w / 2, x2, y - w / 2 + w}, clBtnFace);
        Target.fillRect({x1, y - w / 2, x2, y - w / 2 + 1}, clBtnShadow);
        Target.fillRect({x1, y - w / 2, x1 + 1, y - w / 2 + w}, clBtnShadow);
        Target.fillRect({x1, y - w / 2 + w, x2, y - w / 2 + w + 1}, clBtnHighlight);
        Target.fillRect({x2, y - w / 2, x2 + 1, y - w / 2 + w + 1}, clBtnHighlight);
        break;
    case TRVBreakStyle::Dotted:
        for (int x = x1; x < x2; x += 2 * w) {
            if (w > 2) {
                Target.setPen({color, 1, PenStyle::Solid});
                Target.ellipse({x, y - w / 2, x + w, y - w / 2 + w});
            } else {
                Target.fillRect({x, y - w / 2, x + w, y - w / 2 + w}, color);
            }
        }
        break;
    case TRVBreakStyle::Dashed:
        Target.setPen({color, w, PenStyle::Dash});
        Target.line(x1, y, x2, y);
        break;
    default: // solid, and any style this program does not know
        if (w == 1)
            Target.fillRect({x1, y, x2, y + 1}, color);
        else
            Target.fillRect({x1, y - w / 2, x2, y - w / 2 + w}, color);
        break;
    }
    if (selected) {
        Color sc = focused ? Style.SelColor : Style.InactiveSelColor;
        if (sc != clNone) {
            Target.setPen({sc, 1, PenStyle::Solid});
            Target.setBrush({sc, BrushStyle::Clear});
            Target.rectangle({x1 - 1, d.Top - yOffs, x2 + 1, d.Bottom() - yOffs});
        }
    }
}

void TRVPainter::UseTextStyle(int styleNo, bool selected)
{
    fonts.Select(styleNo);
    Style.ApplyStyleColor(Target, styleNo, selected ? uint32_t(rvtsSelected) | (focused ? uint32_t(rvtsFocused) : 0u) : 0u,
                          printing, colorMode);
    Target.setBkMode(BkMode::Transparent);
}

void TRVPainter::DrawTabLeader(int drawNo, int styleNo, bool selected)
{
    const TRVDrawLineInfo &d = Formatted.FDrawItems[drawNo];
    std::string leader = Formatted.TabLeader(drawNo);
    if (leader.empty() || styleNo < 0 || d.Width <= 0)
        return;
    UseTextStyle(styleNo, selected);
    std::u16string one = toUtf16(leader, Style.CodePageOfStyle(styleNo));
    int lw = std::max(1, Target.textExtent(one).cx);
    std::u16string fill;
    for (int k = 0; k + lw <= d.Width; k += lw)
        fill += one;
    int w = Target.textExtent(fill).cx;
    Target.textOut(d.Right() - xOffs - w, d.Top - yOffs, fill);
    fonts.Invalidate();
}

void TRVPainter::DrawListMarker(const TRVDrawLineInfo &d, const TRVMarkerItemInfo &m)
{
    // Drawn from the left of its box in the level's font and colour; a
    // picture marker keeps its picture's size scaled to the target.
    const int x = d.Left - xOffs, y = d.Top - yOffs;
    Rect box{x, y, x + d.Width, y + d.Height};
    if (const TRVListLevel *level = MarkerLevel(Style, m); level && level->Picture)
        box = {x, y, x + Resolution.X(level->Picture->Width()), y + Resolution.Y(level->Picture->Height())};
    CanvasSaver keep(Target);
    DrawMarker(Style, m, Target, x, y, box, printing, colorMode, Resolution.IsScreen() ? 0 : Resolution.ScreenY);
    fonts.Invalidate();
}

void TRVPainter::DrawNonText(int drawNo, const Band &band)
{
    const TRVDrawLineInfo &d = Formatted.FDrawItems[drawNo];
    const TCustomRVItemInfo &item = Items.GetItem(d.ItemNo);
    int from, to;
    const bool selected = SelectedPart(drawNo, from, to);
    if (auto *br = dynamic_cast<const TRVBreakItemInfo *>(&item)) {
        DrawBreak(d, *br, selected);
        return;
    }
    if (const TRVTableLayout *table = Formatted.TableLayoutOf(d.ItemNo)) {
        Rect clip = Target.clipBox();
        if (clip.isEmpty())
            clip = {d.Left - xOffs, d.Top - yOffs, d.Right() - xOffs, d.Bottom() - yOffs};
        table->Paint(Target, d.Left - xOffs, d.Top - yOffs, clip, printing, colorMode, selected);
        fonts.Invalidate();
        return;
    }
    if (selected && item.StyleNo != ikListMarker) {
        Color sc = focused ? Style.SelColor : Style.InactiveSelColor;
        if (sc != clNone)
            Target.fillRect({d.Left - xOffs, band.top - yOffs, d.Right() - xOffs, band.bottom - yOffs}, sc);
    }
    TRVItemDrawState st;
    st.Selected = selected;
    st.Focused = focused;
    st.Current = currentItem == d.ItemNo;
    if (!Resolution.IsScreen()) {
        st.BoxWidth = d.Width;
        st.BoxHeight = d.Height;
    }
    if (item.StyleNo == ikTab) {
        DrawTabLeader(drawNo, item.GetAssociatedTextStyleNo(), selected);
        return;
    }
    if (item.StyleNo == ikListMarker) {
        DrawListMarker(d, static_cast<const TRVMarkerItemInfo &>(item));
        return;
    }
    const auto *label = dynamic_cast<const TRVLabelItemInfo *>(&item);
    const std::string *labelText = label ? &label->Text : nullptr;
    if (label && labelTexts)
        if (auto it = labelTexts->find(d.ItemNo); it != labelTexts->end())
            labelText = &it->second;
    if (label && !labelText->empty()) {
        // Its text in its text style; the box stands on the baseline like text.
        const int styleNo = label->TextStyleNo;
        UseTextStyle(styleNo, selected);
        const int spacing = Resolution.X(std::max(0, label->Spacing));
        Target.textOut(d.Left - xOffs + spacing, d.Top - yOffs, toUtf16(*labelText, Style.CodePageOfStyle(styleNo)));
        fonts.Invalidate();
        return;
    }
    item.Paint(Target, d.Left - xOffs, d.Top - yOffs, st, Style);
    fonts.Invalidate();
}

void TRVPainter::DrawParaBacksAround(int firstLine, int lastLine, int docTop, int docBottom)
{
    // A frame or background reaches past its paragraph's lines into the space
    // between paragraphs: a rectangle that covers only that space must still
    // draw it, or the background fill would wipe that part of the frame.
    const auto &lines = Formatted.Lines();
    const auto &paras = Formatted.Paras();
    int firstPara = lines[size_t(firstLine)].Para, lastPara = lines[size_t(lastLine)].Para;
    constexpr int kLookAround = 8; // frames of paragraphs further off do not reach this far
    for (int k = 0; k < kLookAround && firstPara > 0; ++k) {
        const int pi = firstPara - 1;
        if (paras[size_t(pi)].Bottom + ParaReach(pi, &TRVRect::Bottom) <= docTop)
            break;
        firstPara = pi;
    }
    for (int k = 0; k < kLookAround && lastPara + 1 < int(paras.size()); ++k) {
        const int pi = lastPara + 1;
        if (paras[size_t(pi)].Top - ParaReach(pi, &TRVRect::Top) >= docBottom)
            break;
        lastPara = pi;
    }
    DrawParaBacks(firstPara, lastPara);
}

TRVPainter::Band TRVPainter::LineBand(int line) const
{
    const TRVLineRecord &lr = Formatted.Lines()[size_t(line)];
    const TRVParaRecord &pr = Formatted.Paras()[size_t(lr.Para)];
    const TParaInfo &p = Style.ParaStyles[pr.ParaNo];
    Band band;
    band.top = lr.Top;
    band.bottom = lr.Bottom;
    if (pr.FirstLine == line)
        band.top -= Resolution.Y(p.SpaceBefore);
    if (pr.FirstLine + pr.LineCount - 1 == line)
        band.bottom += Resolution.Y(p.SpaceAfter);
    return band;
}

void TRVPainter::DrawItemMarks(const TRVDrawLineInfo &d, int lineTop)
{
    const TCustomRVItemInfo &item = Items.GetItem(d.ItemNo);
    if ((item.ItemOptions & ioPageBreakBefore) && options.Has(TRVOption::ShowPageBreaks))
        Style.DrawPageBreak(Target, lineTop - 1 - yOffs, Formatted.GetClientWidth(), 0, true);
    if (item.Checkpoint && options.Has(TRVOption::ShowCheckpoints))
        Style.DrawCheckpoint(Target, d.Left - xOffs, d.Top - yOffs, Formatted.GetClientWidth(), 0, d.ItemNo,
                             item.Checkpoint->RaiseEvent);
}

void TRVPainter::Draw(const Rect &rect, bool onlyWhole)
{
    const auto &lines = Formatted.Lines();
    if (lines.empty())
        return;
    Target.setBrush({Target.brush().color, BrushStyle::Clear});
    const int docTop = rect.top + yOffs, docBottom = rect.bottom + yOffs;
    const int firstLine = Formatted.FindLineAt(docTop);
    if (firstLine >= int(lines.size()))
        return;
    int lastLine = firstLine;
    while (lastLine + 1 < int(lines.size()) && lines[size_t(lastLine + 1)].Top < docBottom)
        ++lastLine;
    const int firstDraw = lines[size_t(firstLine)].FirstDrawItem;
    const int endDraw = lastLine + 1 < int(lines.size()) ? lines[size_t(lastLine + 1)].FirstDrawItem
                                                          : Formatted.FDrawItems.Count();

    DrawParaBacksAround(firstLine, lastLine, docTop, docBottom);

    if (Style.OnDrawTextBack) {
        for (int k = firstDraw; k < endDraw; ++k) {
            const TRVDrawLineInfo &d = Formatted.FDrawItems[k];
            if (!Items.GetItem(d.ItemNo).IsText())
                continue;
            bool doDefault = true;
            Style.OnDrawTextBack(Style, Items.EffectiveStyleNo(d.ItemNo), doDefault);
        }
    }
    if (options.Has(TRVOption::ShowPageBreaks) && !printing)
        if (const std::vector<int> *breaks = Formatted.GetPageBreaks())
            for (int y : *breaks)
                if (y >= docTop - 8 && y < docBottom)
                    Style.DrawPageBreak(Target, y - yOffs, Formatted.GetClientWidth(), 0, false);

    Band band;
    int line = firstLine;
    for (int k = firstDraw; k < endDraw; ++k) {
        const TRVDrawLineInfo &d = Formatted.FDrawItems[k];
        while (line + 1 < int(lines.size()) && lines[size_t(line + 1)].FirstDrawItem <= k)
            ++line;
        if (d.StartsLine || k == firstDraw)
            band = LineBand(line);
        if (onlyWhole && (d.Top < docTop || d.Bottom() > docBottom))
            continue;
        const TCustomRVItemInfo &item = Items.GetItem(d.ItemNo);
        if (Formatted.FirstDrawItemOf(d.ItemNo) == k && !printing)
            DrawItemMarks(d, lines[size_t(line)].Top);
        if (item.IsText())
            DrawTextPiece(k, band);
        else
            DrawNonText(k, band);
    }
    if (endDraw == Formatted.FDrawItems.Count() && Items.TrailingCheckpoint && options.Has(TRVOption::ShowCheckpoints)
        && !printing) {
        int y = Formatted.FContentHeight - Resolution.Y(Formatted.GetBottomMargin()) - yOffs;
        Style.DrawCheckpoint(Target, 0, y, Formatted.GetClientWidth(), 0, -1, Items.TrailingCheckpoint->RaiseEvent);
    }
}

void TCustomRVFormattedData::DrawItems(Canvas &canvas, const Rect &rect, int xOffs, int yOffs,
                                       const TRVPaintOptions &how)
{
    if (!GetRVStyle())
        return;
    CanvasSaver saver(canvas);
    TRVPainter painter(*this, canvas, xOffs, yOffs, how);
    painter.Draw(rect, how.OnlyWhole);
}

void TCustomRVFormattedData::PaintTo(Canvas &window, const Rect &update)
{
    if (update.isEmpty())
        return;
    std::unique_ptr<Canvas> buf = window.createCompatible(update.width(), update.height());
    // The buffer takes window coordinates: its (0, 0) shows the update rectangle's corner.
    buf->setOrigin({-update.left, -update.top});
    buf->intersectClipRect(update);
    const Size client{GetClientWidth(), GetClientHeight()};
    std::string error;
    if (!GetRVStyle()) {
        buf->fillRect(update, BackgroundColor());
        buf->setFont(FontDesc::fromPoints("MS Sans Serif", 8, buf->dpiY()));
        buf->setTextColor(clWindowText);
        buf->setBkMode(BkMode::Transparent);
        std::string msg = "Style is not defined\nCreate a TRVStyle object and assign it to " + GetControlName() + ".Style";
        buf->drawTextWrapped(Rect{0, 0, client.cx, client.cy}, utf8ToUtf16(msg));
    } else {
        const int hOffs = GetHOffs(), vOffs = GetVOffs();
        const TRVBackground *bg = GetBackground();
        if (bg)
            DrawBackground(*bg, *buf, update, client, hOffs, vOffs, BackgroundColor());
        else
            buf->fillRect(update, BackgroundColor());
        const int yOffs = vOffs - DocumentOffsetY();
        try {
            DrawItems(*buf, update, hOffs, yOffs, false, false);
        } catch (const std::exception &e) {
            error = e.what();
        }
        if (FFocusedItem >= 0 && error.empty()) {
            int k = FirstDrawItemOf(FFocusedItem);
            for (; k >= 0 && k < FDrawItems.Count() && FDrawItems[k].ItemNo == FFocusedItem; ++k) {
                const TRVDrawLineInfo &d = FDrawItems[k];
                buf->drawFocusRect(Rect{d.Left - 1, d.Top - 1, d.Right() + 1, d.Bottom() + 1}.translated(-hOffs, -yOffs));
            }
        }
    }
    buf->setOrigin({0, 0});
    window.drawCanvas(*buf, update.left, update.top);
    if (!error.empty()) {
        CanvasSaver saver(window);
        window.setFont(FontDesc::fromPoints("Arial", 10, window.dpiY()));
        window.setTextColor(clRed);
        window.setBkColor(clWhite);
        window.setBkMode(BkMode::Opaque);
        window.setBrush({clWhite, BrushStyle::Solid});
        window.textOut(0, 0, utf8ToUtf16("Error:" + error));
    }
}

} // namespace rv
