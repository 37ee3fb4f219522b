#include "rv_style.h"

#include "platform/codepage.h"
#include "rv_graphic.h"

#include <algorithm>
#include <random>
#include <strings.h>

namespace rv {

using namespace platform;

static bool sameTextNoCase(const std::string &a, const std::string &b)
{
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

void TCustomRVInfo::AssignCommon(const TCustomRVInfo &src)
{
    BaseStyleNo = src.BaseStyleNo;
    StyleName = src.StyleName;
    Standard = src.Standard;
    StyleTemplateId = src.StyleTemplateId;
}

// ---------------------------------------------------------------- TFontInfo

void TFontInfo::Assign(const TFontInfo &s)
{
    if (this == &s)
        return;
    AssignCommon(s);
    BiDiMode = s.BiDiMode; Jump = s.Jump; JumpCursor = s.JumpCursor; FontName = s.FontName; Size = s.Size;
    Color = s.Color; BackColor = s.BackColor; HoverColor = s.HoverColor; HoverBackColor = s.HoverBackColor;
    UnderlineColor = s.UnderlineColor; HoverUnderlineColor = s.HoverUnderlineColor;
    UnderlineType = s.UnderlineType; HoverEffects = s.HoverEffects; Style = s.Style; StyleEx = s.StyleEx;
    VShift = s.VShift; Charset = s.Charset; Protection = s.Protection; Options = s.Options;
    CharScale = s.CharScale; CharSpacing = s.CharSpacing; SubSuperScriptType = s.SubSuperScriptType;
    Unicode = s.Unicode; NextStyleNo = s.NextStyleNo; ModifiedProperties = s.ModifiedProperties;
}

// Names, base styles and the standard flag do not make two styles different;
// hover settings only count for hyperlink styles.
bool TFontInfo::IsEqual(const TFontInfo &o, bool ignoreNextStyleNo) const
{
    if (Size != o.Size || Charset != o.Charset || Style != o.Style || StyleEx != o.StyleEx
        || !sameTextNoCase(FontName, o.FontName) || VShift != o.VShift || Color != o.Color
        || BackColor != o.BackColor || Jump != o.Jump)
        return false;
    if (Jump && (HoverColor != o.HoverColor || HoverEffects != o.HoverEffects || HoverBackColor != o.HoverBackColor
                 || HoverUnderlineColor != o.HoverUnderlineColor || JumpCursor != o.JumpCursor))
        return false;
    if (Protection != o.Protection || Options != o.Options || CharScale != o.CharScale
        || CharSpacing != o.CharSpacing || BiDiMode != o.BiDiMode || SubSuperScriptType != o.SubSuperScriptType
        || UnderlineType != o.UnderlineType || UnderlineColor != o.UnderlineColor)
        return false;
    if (Unicode != o.Unicode || ModifiedProperties != o.ModifiedProperties || StyleTemplateId != o.StyleTemplateId)
        return false;
    return ignoreNextStyleNo || NextStyleNo == o.NextStyleNo;
}

// ---------------------------------------------------------------- TParaInfo

void TParaInfo::Assign(const TParaInfo &s)
{
    if (this == &s)
        return;
    AssignCommon(s);
    FirstIndent = s.FirstIndent; LeftIndent = s.LeftIndent; RightIndent = s.RightIndent;
    SpaceBefore = s.SpaceBefore; SpaceAfter = s.SpaceAfter; LineSpacing = s.LineSpacing;
    LineSpacingType = s.LineSpacingType; Alignment = s.Alignment; Border = s.Border; Background = s.Background;
    Options = s.Options; BiDiMode = s.BiDiMode; Tabs = s.Tabs; NextParaNo = s.NextParaNo; DefStyleNo = s.DefStyleNo;
    ModifiedProperties1 = s.ModifiedProperties1; ModifiedProperties2 = s.ModifiedProperties2;
}

bool TParaInfo::IsEqual(const TParaInfo &o, bool ignoreReferences) const
{
    if (Alignment != o.Alignment || FirstIndent != o.FirstIndent || LeftIndent != o.LeftIndent
        || RightIndent != o.RightIndent || SpaceBefore != o.SpaceBefore || SpaceAfter != o.SpaceAfter
        || LineSpacing != o.LineSpacing || LineSpacingType != o.LineSpacingType || Options != o.Options
        || BiDiMode != o.BiDiMode || !(Background == o.Background) || !(Tabs == o.Tabs) || !(Border == o.Border))
        return false;
    if (ModifiedProperties1 != o.ModifiedProperties1 || ModifiedProperties2 != o.ModifiedProperties2
        || StyleTemplateId != o.StyleTemplateId)
        return false;
    return ignoreReferences || (NextParaNo == o.NextParaNo && DefStyleNo == o.DefStyleNo);
}

// ---------------------------------------------------------------- lists

TRVListLevel::TRVListLevel() = default;
TRVListLevel::~TRVListLevel() = default;
TRVListLevel::TRVListLevel(const TRVListLevel &o) { *this = o; }

TRVListLevel &TRVListLevel::operator=(const TRVListLevel &o)
{
    if (this == &o)
        return *this;
    ListType = o.ListType; StartFrom = o.StartFrom; ImageList = o.ImageList; ImageIndex = o.ImageIndex;
    FormatString = o.FormatString; FormatStringW = o.FormatStringW; LeftIndent = o.LeftIndent;
    FirstIndent = o.FirstIndent; MarkerIndent = o.MarkerIndent; MarkerAlignment = o.MarkerAlignment;
    Picture = o.Picture ? o.Picture->Clone() : nullptr;
    Font = o.Font; Options = o.Options;
    return *this;
}

bool TRVListLevel::IsEqual(const TRVListLevel &o) const
{
    bool samePicture = (!Picture && !o.Picture)
        || (Picture && o.Picture && std::string(Picture->ClassName()) == o.Picture->ClassName()
            && Picture->StoredBytes() == o.Picture->StoredBytes());
    return ListType == o.ListType && StartFrom == o.StartFrom && ImageList == o.ImageList
        && ImageIndex == o.ImageIndex && FormatString == o.FormatString && FormatStringW == o.FormatStringW
        && LeftIndent == o.LeftIndent && FirstIndent == o.FirstIndent && MarkerIndent == o.MarkerIndent
        && MarkerAlignment == o.MarkerAlignment && samePicture && Font == o.Font && Options == o.Options;
}

void TRVListInfo::Assign(const TRVListInfo &s, bool copyListId)
{
    if (this == &s)
        return;
    AssignCommon(s);
    Levels = s.Levels;
    OneLevelPreview = s.OneLevelPreview;
    if (copyListId)
        FListID = s.FListID;
}

bool TRVListInfo::IsEqual(const TRVListInfo &o, bool ignoreListId) const
{
    if (OneLevelPreview != o.OneLevelPreview || Levels.size() != o.Levels.size())
        return false;
    if (!ignoreListId && FListID != o.FListID)
        return false;
    for (size_t i = 0; i < Levels.size(); ++i)
        if (!Levels[i].IsEqual(o.Levels[i]))
            return false;
    return true;
}

bool TRVListInfo::HasNumbering() const
{
    for (auto &l : Levels)
        if (l.HasNumbers())
            return true;
    return false;
}

int32_t TRVListInfo::GetListID()
{
    if (FListID == 0) {
        static std::mt19937 gen(std::random_device{}());
        FListID = std::uniform_int_distribution<int32_t>(1, 2147483646)(gen);
    }
    return FListID;
}

// ---------------------------------------------------------------- collections

void TFontInfos::Assign(const TFontInfos &src)
{
    if (this == &src)
        return;
    FItems.clear();
    for (auto &e : src.FItems)
        Add(*e);
}

TFontInfo &TFontInfos::Invalid()
{
    if (!FInvalid) {
        FInvalid = Count() > 0 ? std::make_unique<TFontInfo>(*FItems[0]) : std::make_unique<TFontInfo>();
        FInvalid->BackColor = clRed;
        FInvalid->Color = clWhite;
    }
    return *FInvalid;
}

void TParaInfos::Assign(const TParaInfos &src)
{
    if (this == &src)
        return;
    FItems.clear();
    for (auto &e : src.FItems)
        Add(*e);
}

TParaInfo &TParaInfos::Invalid()
{
    if (!FInvalid) {
        FInvalid = Count() > 0 ? std::make_unique<TParaInfo>(*FItems[0]) : std::make_unique<TParaInfo>();
        FInvalid->SpaceBefore = FInvalid->SpaceAfter = FInvalid->LeftIndent = FInvalid->RightIndent = 1;
        FInvalid->Border.Color = clRed;
        FInvalid->Border.Style = rvbSingle;
        FInvalid->Border.Width = 2;
        FInvalid->Border.BorderOffsets.SetAll(1);
    }
    return *FInvalid;
}

void TRVListInfos::Assign(const TRVListInfos &src)
{
    if (this == &src)
        return;
    FItems.clear();
    for (auto &e : src.FItems) {
        auto copy = std::make_unique<TRVListInfo>();
        copy->Assign(*e, FRVFAllowAssignListID);
        FItems.push_back(std::move(copy));
    }
}

TRVListInfo &TRVListInfos::Invalid()
{
    if (!FInvalid)
        FInvalid = std::make_unique<TRVListInfo>();
    return *FInvalid;
}

// ---------------------------------------------------------------- TRVStyle

TRVStyle::TRVStyle()
{
    static const struct { const char *name; uint8_t style; TColor color; bool jump; } text[] = {
        {"Normal text", 0, clWindowText, false}, {"Heading", fsBold, clBlue, false},
        {"Subheading", fsBold, clNavy, false},   {"Keywords", fsItalic, clMaroon, false},
        {"Jump 1", fsUnderline, clGreen, true},  {"Jump 2", fsUnderline, clGreen, true}};
    for (auto &t : text) {
        TFontInfo &f = TextStyles.Add();
        f.StyleName = t.name;
        f.Style = t.style;
        f.Color = t.color;
        f.Jump = t.jump;
        f.JumpCursor = JumpCursor;
    }
    ParaStyles.Add();
    TParaInfo &centered = ParaStyles.Add();
    centered.StyleName = "Centered";
    centered.Alignment = rvaCenter;
}

TRVStyle::~TRVStyle() = default;

void TRVStyle::LoadReaderDefaults()
{
    // Names are stored in the ANSI code page, as documents name styles.
    static const struct {
        const char *name; const char *face; int size; uint8_t style; TCursor cursor; int next; int vshift;
        TColor color; TColor hover; bool jump;
    } text[] = {
        {"Normal", "Arial", 10, 0, 0, -1, 0, clWindowText, clNone, false},
        {"Normal negrita", "Arial", 10, fsBold, 0, -1, 0, clWindowText, clNone, false},
        {"Normal cursiva", "Arial", 10, fsItalic, crJump, -1, 0, clWindowText, clNone, false},
        {"Subrayado", "Arial", 10, fsUnderline, crJump, -1, 0, clWindowText, clNone, false},
        {"Tachado", "Arial", 10, fsStrikeOut, crJump, -1, 0, clWindowText, clNone, false},
        {"T\xEDtulo", "Arial", 16, fsBold, 0, 0, 0, clWindowText, clNone, false},
        {"Sub t\xEDtulo", "Arial", 12, fsBold, 0, 0, 0, clWindowText, clNone, false},
        {"V\xEDnculo a vers\xED" "culo", "Arial", 10, fsUnderline, crJump, -1, 0, clNavy, clHotLight, true},
        {"Super \xEDndice", "Arial", 8, 0, 0, -1, 50, clWindowText, clNone, false},
        {"Sub \xEDndice", "Arial", 8, 0, 0, -1, -50, clWindowText, clNone, false},
        {"Vi\xF1" "etas", "CommonBullets", 14, 0, crJump, -1, 0, clWindowText, clNone, false},
        {"Normal cursiva red", "Arial", 10, fsItalic, crJump, -1, 0, clRed, clNone, false},
    };
    TextStyles.Clear();
    for (auto &t : text) {
        TFontInfo &f = TextStyles.Add();
        f.StyleName = t.name;
        f.FontName = t.face;
        f.Size = t.size;
        f.Style = t.style;
        f.JumpCursor = t.cursor;
        f.NextStyleNo = t.next;
        f.VShift = t.vshift;
        f.Color = t.color;
        f.HoverColor = t.hover;
        f.Jump = t.jump;
    }
    ParaStyles.Clear();
    static const char *paraNames[] = {"Izquierda", "Centreada", "Derecha", "Justificada", "con Marco"};
    for (auto *name : paraNames) {
        TParaInfo &p = ParaStyles.Add();
        p.StyleName = name;
        p.NextParaNo = 0;
    }
    ParaStyles[1].LeftIndent = ParaStyles[1].RightIndent = 50;
    ParaStyles[1].Alignment = rvaCenter;
    ParaStyles[2].Alignment = rvaRight;
    ParaStyles[3].FirstIndent = 30;
    ParaStyles[3].Alignment = rvaJustify;
    TParaInfo &framed = ParaStyles[4];
    framed.LeftIndent = framed.RightIndent = 20;
    framed.SpaceBefore = framed.SpaceAfter = 5;
    framed.Alignment = rvaCenter;
    framed.Border.Style = rvbSingle;
    framed.Border.BorderOffsets.SetAll(2);
    ListStyles.Clear();
    Name = "rvStyleEditor";
    HoverColor = clRed;
    CheckpointColor = clLime;
    DefUnicodeStyle = 11;
}

int TRVStyle::CodePageOfStyle(int StyleNo) const
{
    return codePageOfCharset(TextStyles[StyleNo].Charset, DefCodePage);
}

TColor TRVStyle::GetHoverColor(int StyleNo) const
{
    TColor c = TextStyles[StyleNo].HoverColor;
    return c == clNone ? HoverColor : c;
}

bool TRVStyle::StyleHoverSensitive(int StyleNo)
{
    const TFontInfo &f = TextStyles[StyleNo];
    bool sensitive = f.Jump
        && (GetHoverColor(StyleNo) != clNone || f.HoverBackColor != f.BackColor || f.HoverUnderlineColor != clNone
            || f.HoverEffects != 0);
    if (OnStyleHoverSensitive)
        OnStyleHoverSensitive(*this, StyleNo, sensitive);
    return sensitive;
}

void TRVStyle::ApplyStyle(Canvas &canvas, int StyleNo, TRVBiDiMode DefBiDiMode, bool useCollectionPPI,
                          const int *extraFontHeight, bool ignoreSubSuper)
{
    bool doDefault = true;
    if (OnApplyStyle)
        OnApplyStyle(*this, canvas, StyleNo, doDefault);
    if (!doDefault)
        return;
    const TFontInfo &f = TextStyles[StyleNo];
    bool collectionPPI = useCollectionPPI && TextStyles.PixelsPerInch != 0;
    int ppi = collectionPPI ? TextStyles.PixelsPerInch : canvas.dpiY();
    FontDesc font = canvas.font();
    font.weight = (f.Style & fsBold) ? 700 : 400;
    font.italic = (f.Style & fsItalic) != 0;
    font.underline = (f.Style & fsUnderline) != 0;
    font.strikeOut = (f.Style & fsStrikeOut) != 0;
    // Point sizes become pixel heights at the resolution in use; the canvas
    // knows fonts by pixel height only.
    font.height = -MulDiv(f.Size, ppi, 72);
    if (!sameTextNoCase(font.faceName, f.FontName))
        font.faceName = f.FontName;
    font.charset = f.Charset;
    font.width = 0;
    canvas.setFont(font);
    if (f.CharScale != 100) {
        int avg = canvas.textMetrics().tmAveCharWidth;
        if (avg <= 0)
            avg = canvas.textExtent(u"x").cx;
        font.width = int(int64_t(avg) * f.CharScale / 100);
        canvas.setFont(font);
    }
    if (f.SubSuperScriptType != rvsssNormal && !ignoreSubSuper) {
        int h;
        if (extraFontHeight)
            h = *extraFontHeight;
        else if (auto om = canvas.outlineMetrics())
            h = f.SubSuperScriptType == rvsssSubscript ? om->subscriptSizeY : om->superscriptSizeY;
        else
            h = int(std::lround(std::abs(font.height) * 2.0 / 3.0));
        font.height = -h;
        canvas.setFont(font);
    }
    TRVBiDiMode mode = f.BiDiMode != rvbdUnspecified ? f.BiDiMode : DefBiDiMode;
    switch (mode) {
    case rvbdLeftToRight:
        canvas.setCharacterExtra(0);
        canvas.setTextAlign(0);
        break;
    case rvbdRightToLeft:
        canvas.setCharacterExtra(0);
        canvas.setTextAlign(TA_RTLREADING);
        break;
    default:
        canvas.setCharacterExtra(f.CharSpacing);
        break;
    }
}

TColor TRVStyle::ToPrinterColor(TColor c)
{
    if (c == clNone)
        return clNone;
    // Paper is white: the screen's window and face colours print as fixed
    // greys, whatever the desktop theme paints them.
    if (isSysColor(c)) {
        switch (int(c & 0xFF)) {
        case COLOR_SCROLLBAR:
        case COLOR_BTNFACE: return rgb(0xC0, 0xC0, 0xC0);
        case COLOR_WINDOW:
        case COLOR_BTNHIGHLIGHT: return rgb(0xFF, 0xFF, 0xFF);
        case COLOR_WINDOWTEXT: return rgb(0, 0, 0);
        case COLOR_BTNSHADOW: return rgb(0x80, 0x80, 0x80);
        default: break;
        }
    }
    return colorToRGB(c);
}

TColor TRVStyle::ToGray(TColor c)
{
    if (c == clNone)
        return clNone;
    c = ToPrinterColor(c);
    // Rounded to the nearest level: truncating would darken every grey by one.
    int y = std::min(255, (redOf(c) * 30 + greenOf(c) * 59 + blueOf(c) * 11 + 50) / 100);
    return rgb(y, y, y);
}

static int brightness(TColor c)
{
    c = colorToRGB(c);
    return redOf(c) * 30 + greenOf(c) * 59 + blueOf(c) * 11;
}

namespace {

// A text style's colours on paper in a colour mode.
void printedColors(const TFontInfo &f, TRVColorMode mode, TColor &text, TColor &back)
{
    switch (mode) {
    case rvcmPrinterColor:
        text = TRVStyle::ToPrinterColor(f.Color);
        back = TRVStyle::ToPrinterColor(f.BackColor);
        break;
    case rvcmGrayScale:
        text = TRVStyle::ToGray(f.Color);
        back = TRVStyle::ToGray(f.BackColor);
        break;
    case rvcmBlackAndWhite:
        if (f.BackColor == clNone) {
            text = colorToRGB(f.Color) == clWhite ? clWhite : clBlack;
            back = clNone;
        } else if (brightness(f.Color) < brightness(f.BackColor)) {
            text = clBlack;
            back = clWhite;
        } else {
            text = clWhite;
            back = clBlack;
        }
        break;
    case rvcmBlackOnWhite:
        text = clBlack;
        back = clNone;
        break;
    default:
        text = f.Color;
        back = f.BackColor;
    }
}

} // namespace

void TRVStyle::ApplyStyleColor(Canvas &canvas, int StyleNo, uint32_t DrawState, bool Printing, TRVColorMode ColorMode)
{
    bool doDefault = true;
    if (OnApplyStyleColor)
        OnApplyStyleColor(*this, canvas, StyleNo, DrawState, doDefault);
    if (!doDefault)
        return;
    const TFontInfo &f = TextStyles[StyleNo];
    TColor text, back;
    if ((DrawState & rvtsHover) && (f.HoverEffects & bit(rvheUnderline))) {
        FontDesc font = canvas.font();
        font.underline = true;
        canvas.setFont(font);
    }
    if (DrawState & rvtsSelected) {
        bool focused = (DrawState & rvtsFocused) != 0;
        back = focused ? SelColor : InactiveSelColor;
        text = focused ? SelTextColor : InactiveSelTextColor;
        if (text == clNone)
            text = f.Color;
    } else if (DrawState & rvtsHover) {
        text = GetHoverColor(StyleNo);
        if (text == clNone)
            text = f.Color;
        back = f.HoverBackColor;
    } else if (Printing) {
        printedColors(f, ColorMode, text, back);
    } else {
        text = f.Color;
        back = f.BackColor;
    }
    canvas.setTextColor(text);
    if (back == clNone) {
        canvas.setBrush({canvas.brush().color, BrushStyle::Clear});
        canvas.setBkMode(BkMode::Transparent);
    } else {
        canvas.setBrush({back, BrushStyle::Solid});
        canvas.setBkColor(back);
        canvas.setBkMode(BkMode::Opaque);
    }
}

void TRVStyle::DrawCheckpoint(Canvas &canvas, int X, int Y, int Width, int XShift, int ItemNo, bool RaiseEvent)
{
    bool doDefault = true;
    if (OnDrawCheckpoint)
        OnDrawCheckpoint(*this, canvas, X, Y, ItemNo, doDefault);
    if (!doDefault)
        return;
    TColor c = RaiseEvent ? CheckpointEvColor : CheckpointColor;
    canvas.setBrush({clWhite, BrushStyle::Clear});
    if (ItemNo >= 0) {
        canvas.setPen({c, 1, PenStyle::Solid});
        canvas.ellipse({X - XShift - 2, Y - 2, X - XShift + 2, Y + 2});
    }
    canvas.setPen({c, 1, PenStyle::Dot});
    canvas.line(-XShift, Y, Width - XShift, Y);
}

void TRVStyle::DrawPageBreak(Canvas &canvas, int Y, int Width, int XShift, bool Explicit)
{
    bool doDefault = true;
    if (OnDrawPageBreak)
        OnDrawPageBreak(*this, canvas, Y, doDefault);
    if (!doDefault)
        return;
    const int corner = 8;
    canvas.setPen({Explicit ? PageBreakColor : SoftPageBreakColor, 1, PenStyle::Solid});
    canvas.setBrush({clWindow, BrushStyle::Solid});
    canvas.line(-XShift, Y, Width - corner - XShift, Y);
    Point tri[3] = {{Width - corner - XShift, Y}, {Width - XShift, Y + corner}, {Width - corner - XShift, Y + corner}};
    canvas.polygon(tri);
}

// A 20 × 20 picture: a red cross on white in a grey frame.
static std::unique_ptr<TRVGraphic> makeDefaultInvalidPicture()
{
    Bitmap bmp(20, 20, 0xFFFFFFFF);
    for (int i = 0; i < 20; ++i) {
        bmp.setPixel(i, 0, 0xFF808080);
        bmp.setPixel(i, 19, 0xFF808080);
        bmp.setPixel(0, i, 0xFF808080);
        bmp.setPixel(19, i, 0xFF808080);
    }
    for (int i = 4; i < 16; ++i) {
        bmp.setPixel(i, i, 0xFFFF0000);
        bmp.setPixel(19 - i, i, 0xFFFF0000);
    }
    auto g = CreateGraphicByClassName("TBitmap");
    g->LoadFromBytes(EncodeBmp(bmp));
    return g;
}

const TRVGraphic &TRVStyle::InvalidPicture()
{
    if (!FInvalidPicture)
        FInvalidPicture = makeDefaultInvalidPicture();
    return *FInvalidPicture;
}

void TRVStyle::SetInvalidPicture(const TRVGraphic *g)
{
    FInvalidPicture = g ? g->Clone() : nullptr;
}

} // namespace rv
