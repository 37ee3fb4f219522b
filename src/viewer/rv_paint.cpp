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
    TRVPainter(TCustomRVFormattedData &f, Canvas &c, int xOffs, int yOffs, bool printing, TRVColorMode mode)
        : F(f), D(f.Items()), S(*f.GetRVStyle()), C(c), xOffs(xOffs), yOffs(yOffs), printing(printing), colorMode(mode),
          fonts(S, c, f.GetBiDiMode()), opts(f.GetOptions())
    {
        haveSel = F.GetSelectionBounds(sel);
        focused = F.IsControlFocused();
    }

    void Draw(const Rect &rect, bool onlyWhole);

private:
    struct Band {
        int top = 0, bottom = 0;
    };
    void DrawParaBacks(int firstPara, int lastPara);
    // How far a paragraph's background and border reach above its first line
    // and below its last one (their offsets grow the box).
    int ParaReachUp(int para) const;
    int ParaReachDown(int para) const;
    void DrawTextPiece(int drawNo, const Band &band);
    void DrawTextPart(const TRVDrawLineInfo &d, int from, int count, uint32_t state, const Band &band,
                      bool wrapsAfter);
    void DrawNonText(int drawNo, const Band &band);
    void DrawBreak(const TRVDrawLineInfo &d, const TRVBreakItemInfo &item, bool selected);
    void DrawBorder(const Rect &r, const TRVBorder &b);
    // Selected characters [from, to) of a draw item (0-based for text, 0..1 for others).
    bool SelectedPart(int drawNo, int &from, int &to) const;
    int RightLimit() const;

    TCustomRVFormattedData &F;
    const TCustomRVData &D;
    TRVStyle &S;
    Canvas &C;
    int xOffs, yOffs;
    bool printing;
    TRVColorMode colorMode;
    TRVFontInfoCacheLowResource fonts;
    uint32_t opts;
    TRVSelectionBounds sel;
    bool haveSel = false;
    bool focused = true;
};

bool TRVPainter::SelectedPart(int drawNo, int &from, int &to) const
{
    if (!haveSel || drawNo < sel.StartNo || drawNo > sel.EndNo)
        return false;
    const TRVDrawLineInfo &d = F.DrawItemList[drawNo];
    if (D.GetItem(d.ItemNo).IsText()) {
        from = drawNo == sel.StartNo ? sel.StartOffs - 1 : 0;
        to = drawNo == sel.EndNo ? sel.EndOffs - 1 : d.CharCount;
        from = std::clamp(from, 0, d.CharCount);
        to = std::clamp(to, 0, d.CharCount);
    } else {
        from = drawNo == sel.StartNo ? sel.StartOffs : 0;
        to = drawNo == sel.EndNo ? sel.EndOffs : 1;
    }
    return from < to;
}

int TRVPainter::RightLimit() const
{
    const TRVResolutionInfo &r = F.ResolutionInfo;
    int limit;
    if (opts & rvoClientTextWidth) {
        limit = F.GetClientWidth();
    } else {
        limit = F.DocumentWidth();
        int maxText = r.X(F.GetMaxTextWidth());
        if (maxText >= 1)
            limit = std::min(limit, maxText + r.LeftMargin + r.RightMargin);
    }
    return limit - r.RightMargin;
}

void TRVPainter::DrawBorder(const Rect &r, const TRVBorder &b)
{
    const int w = std::max(1, F.ResolutionInfo.X(b.Width));
    const int gap = std::max(1, F.ResolutionInfo.X(b.InternalWidth));
    const Color color = b.Color;
    auto frame = [&](const Rect &q, int t) {
        if (b.VisibleBorders.Top)
            C.fillRect({q.left, q.top, q.right, q.top + t}, color);
        if (b.VisibleBorders.Bottom)
            C.fillRect({q.left, q.bottom - t, q.right, q.bottom}, color);
        if (b.VisibleBorders.Left)
            C.fillRect({q.left, q.top, q.left + t, q.bottom}, color);
        if (b.VisibleBorders.Right)
            C.fillRect({q.right - t, q.top, q.right, q.bottom}, color);
    };
    switch (b.Style) {
    case rvbSingle:
        frame(r, w);
        break;
    case rvbDouble:
        frame(r, w);
        frame(r.inflated(-(w + gap), -(w + gap)), w);
        break;
    case rvbTriple:
        frame(r, w);
        frame(r.inflated(-(w + gap), -(w + gap)), w);
        frame(r.inflated(-2 * (w + gap), -2 * (w + gap)), w);
        break;
    case rvbThickInside:
        frame(r, w);
        frame(r.inflated(-(w + gap), -(w + gap)), 2 * w);
        break;
    case rvbThickOutside:
        frame(r, 2 * w);
        frame(r.inflated(-(2 * w + gap), -(2 * w + gap)), w);
        break;
    default:
        break;
    }
}

int TRVPainter::ParaReachUp(int para) const
{
    const TParaInfo &p = S.ParaStyles[F.Paras()[size_t(para)].ParaNo];
    const TRVResolutionInfo &r = F.ResolutionInfo;
    int reach = 0;
    if (p.Border.Style != rvbNone)
        reach = std::max(reach, r.Y(p.Border.BorderOffsets.Top));
    if (p.Background.Color != clNone)
        reach = std::max(reach, r.Y(p.Background.BorderOffsets.Top));
    return reach;
}

int TRVPainter::ParaReachDown(int para) const
{
    const TParaInfo &p = S.ParaStyles[F.Paras()[size_t(para)].ParaNo];
    const TRVResolutionInfo &r = F.ResolutionInfo;
    int reach = 0;
    if (p.Border.Style != rvbNone)
        reach = std::max(reach, r.Y(p.Border.BorderOffsets.Bottom));
    if (p.Background.Color != clNone)
        reach = std::max(reach, r.Y(p.Background.BorderOffsets.Bottom));
    return reach;
}

void TRVPainter::DrawParaBacks(int firstPara, int lastPara)
{
    const auto &paras = F.Paras();
    const TRVResolutionInfo &r = F.ResolutionInfo;
    for (int pi = firstPara; pi <= lastPara; ++pi) {
        const TRVParaRecord &rec = paras[size_t(pi)];
        const TParaInfo &p = S.ParaStyles[rec.ParaNo];
        if (p.Border.Style == rvbNone && p.Background.Color == clNone && !S.OnDrawParaBack)
            continue;
        int left = r.LeftMargin + r.X(p.LeftIndent) + std::min(0, r.X(p.FirstIndent));
        int right;
        if (opts & rvoClientTextWidth)
            right = F.GetClientWidth() - r.RightMargin;
        else if (F.GetMaxTextWidth() < 1)
            right = F.DocumentWidth() - r.RightMargin;
        else
            right = r.LeftMargin + r.X(F.GetMaxTextWidth());
        right = std::max(right - r.X(p.RightIndent), rec.Right);
        Rect box{left - xOffs, rec.Top - yOffs, right - xOffs, rec.Bottom - yOffs};
        if (S.OnDrawParaBack) {
            bool doDefault = true;
            S.OnDrawParaBack(S, rec.ParaNo, doDefault);
            if (!doDefault)
                continue;
        }
        auto grow = [&](const Rect &q, const TRVRect &o) {
            return Rect{q.left - r.X(o.Left), q.top - r.Y(o.Top), q.right + r.X(o.Right), q.bottom + r.Y(o.Bottom)};
        };
        // A paragraph going on over a page cut ends at the cut, without an edge there.
        TRVBorder border = p.Border;
        Rect back = grow(box, p.Background.BorderOffsets), frame = grow(box, p.Border.BorderOffsets);
        if (rec.Top < F.PaintCutTop) {
            back.top = frame.top = F.PaintCutTop - yOffs;
            border.VisibleBorders.Top = false;
        }
        if (rec.Bottom > F.PaintCutBottom) {
            back.bottom = frame.bottom = F.PaintCutBottom - yOffs;
            border.VisibleBorders.Bottom = false;
        }
        if (p.Background.Color != clNone && !back.isEmpty())
            C.fillRect(back, p.Background.Color);
        if (p.Border.Style != rvbNone && !frame.isEmpty())
            DrawBorder(frame, border);
    }
}

void TRVPainter::DrawTextPart(const TRVDrawLineInfo &d, int from, int count, uint32_t state, const Band &band,
                              bool wrapsAfter)
{
    const int styleNo = D.EffectiveStyleNo(d.ItemNo);
    const TRVFontInfoCacheItem &fi = fonts.Select(styleNo);
    const TFontInfo &font = *fi.FontInfo;
    const std::u16string &all = F.DisplayText(d.ItemNo);
    const size_t start = size_t(d.FirstChar - 1);
    std::u16string_view piece = std::u16string_view(all).substr(std::min(start, all.size()), size_t(d.CharCount));
    std::u16string_view part = piece.substr(size_t(from), size_t(count));

    const FontDesc before = C.font();
    S.ApplyStyleColor(C, styleNo, state, printing, colorMode);
    const bool brushSolid = C.brush().style == BrushStyle::Solid;
    const Color brushColor = C.brush().color;
    int x = d.Left - xOffs + d.SpaceBefore;
    const int y = d.Top - yOffs;
    if (from == 0) {
        if (d.SpaceBefore > 0 && brushSolid)
            C.fillRect({d.Left - xOffs, y, x, y + d.Height}, brushColor);
    } else {
        x += C.textExtent(piece.substr(0, size_t(from))).cx;
    }
    const int w = C.textExtent(part).cx;
    if (S.SelectionStyle == rvssLines && (state & rvtsSelected) && brushSolid)
        C.fillRect({x - 1, band.top - yOffs, x + w + 1, band.bottom - yOffs}, brushColor);

    bool doDefault = true;
    if (S.OnDrawStyleText)
        S.OnDrawStyleText(S, styleNo, doDefault);
    if (doDefault) {
        const bool underlined = C.font().underline;
        const Color textColor = C.textColor();
        Color ulColor = (state & rvtsHover) && font.HoverUnderlineColor != clNone ? font.HoverUnderlineColor
                                                                                  : font.UnderlineColor;
        const bool customUnderline =
            underlined && (font.UnderlineType != rvutNormal || (ulColor != clNone && ulColor != textColor));
        if (customUnderline) {
            FontDesc f = C.font();
            f.underline = false;
            C.setFont(f);
        }
        C.textOut(x, y, part);
        // A line that wraps at a soft hyphen shows the hyphen (the formatter
        // widened the piece for it); one that merely ends an item does not.
        const auto &softs = F.TextOf(d.ItemNo).softHyphens;
        const int lastChar = int(start) + from + count - 1;
        if (from + count == d.CharCount && wrapsAfter && std::binary_search(softs.begin(), softs.end(), lastChar))
            C.textOut(x + w, y, u"-");
        if (customUnderline) {
            if (ulColor == clNone)
                ulColor = textColor;
            const auto om = C.outlineMetrics();
            const int thick = om ? std::max(1, om->underscoreSize) : 1;
            const int uy = y + fi.TextMetric.tmAscent - (om ? om->underscorePosition : -1);
            PenStyle ps = PenStyle::Solid;
            int pw = thick;
            bool dbl = false;
            switch (font.UnderlineType) {
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
                C.fillRect({x, uy, x + w, uy + pw}, ulColor);
                if (dbl)
                    C.fillRect({x, uy + 2 * thick, x + w, uy + 3 * thick}, ulColor);
            } else {
                C.setPen({ulColor, pw, ps});
                C.line(x, uy, x + w, uy);
            }
        }
        if (font.StyleEx & bit(rvfsOverline)) {
            C.setPen({textColor, 1, PenStyle::Solid});
            C.line(x, y, x + w, y);
        }
    }
    if (!(C.font() == before))
        fonts.Invalidate();
}

void TRVPainter::DrawTextPiece(int drawNo, const Band &band)
{
    const TRVDrawLineInfo &d = F.DrawItemList[drawNo];
    if (d.CharCount == 0)
        return;
    uint32_t state = 0;
    if (focused)
        state |= rvtsControlFocused;
    if (opts & rvoShowSpecialCharacters)
        state |= rvtsSpecialCharacters;
    if (F.HoverOn && F.HoveredJump >= 0 && D.IsHyperlink(d.ItemNo) && F.JumpIndexOf(d.ItemNo) == F.HoveredJump)
        state |= rvtsHover;
    if (S.OnDrawStyleText) {
        if (d.FirstChar == 1)
            state |= rvtsItemStart;
        if (d.FirstChar - 1 + d.CharCount >= int(F.DisplayText(d.ItemNo).size()))
            state |= rvtsItemEnd;
        state |= rvtsDrawItemStart | rvtsDrawItemEnd;
    }
    // The line goes on below: the piece ends a line that was wrapped or broken.
    const bool wrapsAfter = drawNo + 1 < F.DrawItemList.Count() && F.DrawItemList[drawNo + 1].StartsLine;
    int from, to;
    if (!SelectedPart(drawNo, from, to)) {
        DrawTextPart(d, 0, d.CharCount, state, band, wrapsAfter);
    } else if (from == 0 && to == d.CharCount) {
        DrawTextPart(d, 0, d.CharCount, state | rvtsSelected, band, wrapsAfter);
    } else {
        DrawTextPart(d, 0, d.CharCount, state, band, wrapsAfter);
        uint32_t selState = state | rvtsSelected;
        if (S.OnDrawStyleText) {
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
    Color color = item.LineColor != clNone ? item.LineColor : S.TextStyles[0].Color;
    // Insets and width are screen pixels, scaled like the rule's line box.
    const TRVResolutionInfo &r = F.ResolutionInfo;
    const int x1 = d.Left - xOffs + r.X(5), x2 = RightLimit() - xOffs - r.X(5);
    const int y = d.Top - yOffs + r.Y(5);
    const int w = std::max(1, r.Y(int(item.LineWidth)));
    C.setBrush({color, BrushStyle::Solid});
    switch (item.LineStyle) {
    case 1: // rectangle
        C.setPen({color, 1, PenStyle::Solid});
        C.setBrush({color, BrushStyle::Clear});
        C.rectangle({x1, y - w / 2, x2, y - w / 2 + w + 1});
        break;
    case 2: // sunken
        C.fillRect({x1, y - w / 2, x2, y - w / 2 + w}, clBtnFace);
        C.fillRect({x1, y - w / 2, x2, y - w / 2 + 1}, clBtnShadow);
        C.fillRect({x1, y - w / 2, x1 + 1, y - w / 2 + w}, clBtnShadow);
        C.fillRect({x1, y - w / 2 + w, x2, y - w / 2 + w + 1}, clBtnHighlight);
        C.fillRect({x2, y - w / 2, x2 + 1, y - w / 2 + w + 1}, clBtnHighlight);
        break;
    case 3: // dotted
        for (int x = x1; x < x2; x += 2 * w) {
            if (w > 2) {
                C.setPen({color, 1, PenStyle::Solid});
                C.ellipse({x, y - w / 2, x + w, y - w / 2 + w});
            } else {
                C.fillRect({x, y - w / 2, x + w, y - w / 2 + w}, color);
            }
        }
        break;
    case 4: // dashed
        C.setPen({color, w, PenStyle::Dash});
        C.line(x1, y, x2, y);
        break;
    default:
        if (w == 1)
            C.fillRect({x1, y, x2, y + 1}, color);
        else
            C.fillRect({x1, y - w / 2, x2, y - w / 2 + w}, color);
        break;
    }
    if (selected) {
        Color sc = focused ? S.SelColor : S.InactiveSelColor;
        if (sc != clNone) {
            C.setPen({sc, 1, PenStyle::Solid});
            C.setBrush({sc, BrushStyle::Clear});
            C.rectangle({x1 - 1, d.Top - yOffs, x2 + 1, d.Bottom() - yOffs});
        }
    }
}

void TRVPainter::DrawNonText(int drawNo, const Band &band)
{
    const TRVDrawLineInfo &d = F.DrawItemList[drawNo];
    const TCustomRVItemInfo &item = D.GetItem(d.ItemNo);
    int from, to;
    const bool selected = SelectedPart(drawNo, from, to);
    if (auto *br = dynamic_cast<const TRVBreakItemInfo *>(&item)) {
        DrawBreak(d, *br, selected);
        return;
    }
    if (const TRVTableLayout *table = F.TableLayoutOf(d.ItemNo)) {
        Rect clip = C.clipBox();
        if (clip.isEmpty())
            clip = {d.Left - xOffs, d.Top - yOffs, d.Right() - xOffs, d.Bottom() - yOffs};
        table->Paint(C, d.Left - xOffs, d.Top - yOffs, clip, printing, colorMode, selected);
        fonts.Invalidate();
        return;
    }
    if (selected && item.StyleNo != ikListMarker) {
        Color sc = focused ? S.SelColor : S.InactiveSelColor;
        if (sc != clNone)
            C.fillRect({d.Left - xOffs, band.top - yOffs, d.Right() - xOffs, band.bottom - yOffs}, sc);
    }
    TRVItemDrawState st;
    st.Selected = selected;
    st.Focused = focused;
    st.Current = F.CurrentItemNo == d.ItemNo;
    if (!F.ResolutionInfo.IsScreen()) {
        st.BoxWidth = d.Width;
        st.BoxHeight = d.Height;
    }
    if (item.StyleNo == ikTab) {
        std::string leader = F.TabLeader(drawNo);
        int styleNo = item.GetAssociatedTextStyleNo();
        if (!leader.empty() && styleNo >= 0 && d.Width > 0) {
            fonts.Select(styleNo);
            S.ApplyStyleColor(C, styleNo, selected ? uint32_t(rvtsSelected) | (focused ? uint32_t(rvtsFocused) : 0u) : 0u, printing, colorMode);
            C.setBkMode(BkMode::Transparent);
            std::u16string one = toUtf16(leader, S.CodePageOfStyle(styleNo));
            int lw = std::max(1, C.textExtent(one).cx);
            std::u16string fill;
            for (int k = 0; k + lw <= d.Width; k += lw)
                fill += one;
            int w = C.textExtent(fill).cx;
            C.textOut(d.Right() - xOffs - w, d.Top - yOffs, fill);
            fonts.Invalidate();
        }
        return;
    }
    if (item.StyleNo == ikListMarker) {
        // Drawn from the left of its box in the level's font and colour; a
        // picture marker keeps its picture's size scaled to the target.
        const auto &m = static_cast<const TRVMarkerItemInfo &>(item);
        const TRVResolutionInfo &R = F.ResolutionInfo;
        const int x = d.Left - xOffs, y = d.Top - yOffs;
        Rect box{x, y, x + d.Width, y + d.Height};
        if (const TRVListLevel *level = MarkerLevel(S, m); level && level->Picture)
            box = {x, y, x + R.X(level->Picture->Width()), y + R.Y(level->Picture->Height())};
        CanvasSaver keep(C);
        DrawMarker(S, m, C, x, y, box, printing, colorMode, R.IsScreen() ? 0 : R.ScreenY);
        fonts.Invalidate();
        return;
    }
    if (auto *label = dynamic_cast<const TRVLabelItemInfo *>(&item); label && !label->Text.empty()) {
        // Its text in its text style; the box stands on the baseline like text.
        const int styleNo = label->TextStyleNo;
        fonts.Select(styleNo);
        S.ApplyStyleColor(C, styleNo, selected ? uint32_t(rvtsSelected) | (focused ? uint32_t(rvtsFocused) : 0u) : 0u,
                          printing, colorMode);
        C.setBkMode(BkMode::Transparent);
        const int spacing = F.ResolutionInfo.X(std::max(0, label->Spacing));
        C.textOut(d.Left - xOffs + spacing, d.Top - yOffs, toUtf16(label->Text, S.CodePageOfStyle(styleNo)));
        fonts.Invalidate();
        return;
    }
    item.Paint(C, d.Left - xOffs, d.Top - yOffs, st, S);
    fonts.Invalidate();
}

void TRVPainter::Draw(const Rect &rect, bool onlyWhole)
{
    const auto &lines = F.Lines();
    if (lines.empty())
        return;
    C.setBrush({C.brush().color, BrushStyle::Clear});
    const int docTop = rect.top + yOffs, docBottom = rect.bottom + yOffs;
    const int firstLine = F.FindLineAt(docTop);
    if (firstLine >= int(lines.size()))
        return;
    int lastLine = firstLine;
    while (lastLine + 1 < int(lines.size()) && lines[size_t(lastLine + 1)].Top < docBottom)
        ++lastLine;
    const int firstDraw = lines[size_t(firstLine)].FirstDrawItem;
    const int endDraw = lastLine + 1 < int(lines.size()) ? lines[size_t(lastLine + 1)].FirstDrawItem
                                                          : F.DrawItemList.Count();

    // A frame or background reaches past its paragraph's lines into the space
    // between paragraphs: a rectangle that covers only that space must still
    // draw it, or the background fill would wipe that part of the frame.
    {
        const auto &paras = F.Paras();
        int firstPara = lines[size_t(firstLine)].Para, lastPara = lines[size_t(lastLine)].Para;
        constexpr int kLookAround = 8; // frames of paragraphs further off do not reach this far
        for (int k = 0; k < kLookAround && firstPara > 0; ++k) {
            const int pi = firstPara - 1;
            if (paras[size_t(pi)].Bottom + ParaReachDown(pi) <= docTop)
                break;
            firstPara = pi;
        }
        for (int k = 0; k < kLookAround && lastPara + 1 < int(paras.size()); ++k) {
            const int pi = lastPara + 1;
            if (paras[size_t(pi)].Top - ParaReachUp(pi) >= docBottom)
                break;
            lastPara = pi;
        }
        DrawParaBacks(firstPara, lastPara);
    }

    if (S.OnDrawTextBack) {
        for (int k = firstDraw; k < endDraw; ++k) {
            const TRVDrawLineInfo &d = F.DrawItemList[k];
            if (!D.GetItem(d.ItemNo).IsText())
                continue;
            bool doDefault = true;
            S.OnDrawTextBack(S, D.EffectiveStyleNo(d.ItemNo), doDefault);
        }
    }
    if ((opts & rvoShowPageBreaks) && !printing)
        for (int y : F.SoftPageBreaks)
            if (y >= docTop - 8 && y < docBottom)
                S.DrawPageBreak(C, y - yOffs, F.GetClientWidth(), 0, false);

    const auto &paras = F.Paras();
    const TRVResolutionInfo &r = F.ResolutionInfo;
    Band band;
    int line = firstLine;
    for (int k = firstDraw; k < endDraw; ++k) {
        const TRVDrawLineInfo &d = F.DrawItemList[k];
        while (line + 1 < int(lines.size()) && lines[size_t(line + 1)].FirstDrawItem <= k)
            ++line;
        if (d.StartsLine || k == firstDraw) {
            const TRVLineRecord &lr = lines[size_t(line)];
            const TRVParaRecord &pr = paras[size_t(lr.Para)];
            const TParaInfo &p = S.ParaStyles[pr.ParaNo];
            band.top = lr.Top;
            band.bottom = lr.Bottom;
            if (pr.FirstLine == line)
                band.top -= r.Y(p.SpaceBefore);
            if (pr.FirstLine + pr.LineCount - 1 == line)
                band.bottom += r.Y(p.SpaceAfter);
        }
        if (onlyWhole && (d.Top < docTop || d.Bottom() > docBottom))
            continue;
        const TCustomRVItemInfo &item = D.GetItem(d.ItemNo);
        if (F.FirstDrawItemOf(d.ItemNo) == k) {
            if ((item.ItemOptions & ioPageBreakBefore) && (opts & rvoShowPageBreaks) && !printing)
                S.DrawPageBreak(C, lines[size_t(line)].Top - 1 - yOffs, F.GetClientWidth(), 0, true);
            if (item.Checkpoint && (opts & rvoShowCheckpoints) && !printing)
                S.DrawCheckpoint(C, d.Left - xOffs, d.Top - yOffs, F.GetClientWidth(), 0, d.ItemNo,
                                 item.Checkpoint->RaiseEvent);
        }
        if (item.IsText())
            DrawTextPiece(k, band);
        else
            DrawNonText(k, band);
    }
    if (endDraw == F.DrawItemList.Count() && D.TrailingCheckpoint && (opts & rvoShowCheckpoints) && !printing) {
        int y = F.ContentHeight - r.Y(F.GetBottomMargin()) - yOffs;
        S.DrawCheckpoint(C, 0, y, F.GetClientWidth(), 0, -1, D.TrailingCheckpoint->RaiseEvent);
    }
}

void TCustomRVFormattedData::DrawItems(Canvas &canvas, const Rect &rect, int xOffs, int yOffs, bool printing,
                                       bool onlyWhole, TRVColorMode colorMode)
{
    if (!GetRVStyle())
        return;
    CanvasSaver saver(canvas);
    TRVPainter painter(*this, canvas, xOffs, yOffs, printing, colorMode);
    painter.Draw(rect, onlyWhole);
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
        if (FocusedItemNo >= 0 && error.empty()) {
            int k = FirstDrawItemOf(FocusedItemNo);
            for (; k >= 0 && k < DrawItemList.Count() && DrawItemList[k].ItemNo == FocusedItemNo; ++k) {
                const TRVDrawLineInfo &d = DrawItemList[k];
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
