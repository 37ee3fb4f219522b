#include "rv_item.h"
#include "rv_table.h"

#include "rv_data.h"
#include "rv_error.h"
#include "rv_graphic.h"

#include <algorithm>
#include <map>
#include <typeinfo>

namespace rv {

using namespace platform;

TCustomRVItemInfo::~TCustomRVItemInfo() = default;

void TCustomRVItemInfo::Assign(const TCustomRVItemInfo &src)
{
    if (typeid(*this) == typeid(src))
        StyleNo = src.StyleNo;
    ParaNo = src.ParaNo;
    ItemOptions = src.ItemOptions;
    Hint = src.Hint;
}

std::unique_ptr<TCustomRVItemInfo> TCustomRVItemInfo::Clone() const
{
    auto copy = CreateSame();
    copy->Assign(*this);
    copy->Tag = Tag;
    return copy;
}

bool TCustomRVItemInfo::SetExtraIntProperty(TRVExtraItemProperty, int) { return false; }
bool TCustomRVItemInfo::GetExtraIntProperty(TRVExtraItemProperty, int &) const { return false; }

bool TCustomRVItemInfo::SetExtraStrProperty(TRVExtraItemStrProperty prop, const std::string &value)
{
    if (prop != rvespHint)
        return false;
    Hint = value;
    return true;
}

bool TCustomRVItemInfo::GetExtraStrProperty(TRVExtraItemStrProperty prop, std::string &value) const
{
    if (prop != rvespHint)
        return false;
    value = Hint.str();
    return true;
}

// A paragraph continuation is neither a new page nor a new line; a page break
// starts a paragraph; a line break stays in the paragraph but full-line items
// always stand alone, so they refuse it.
void TCustomRVItemInfo::SetContinuesParagraph(bool on)
{
    if (on)
        ItemOptions = uint8_t((ItemOptions | ioContinuesParagraph) & ~(ioPageBreakBefore | ioLineBreak));
    else
        ItemOptions &= uint8_t(~ioContinuesParagraph);
}

void TCustomRVItemInfo::SetPageBreakBefore(bool on)
{
    if (on)
        ItemOptions = uint8_t((ItemOptions | ioPageBreakBefore) & ~(ioContinuesParagraph | ioLineBreak));
    else
        ItemOptions &= uint8_t(~ioPageBreakBefore);
}

void TCustomRVItemInfo::SetLineBreak(bool on)
{
    if (on && !IsFullLine())
        ItemOptions = uint8_t((ItemOptions | ioLineBreak) & ~ioContinuesParagraph);
    else
        ItemOptions &= uint8_t(~ioLineBreak);
}

// ---------------------------------------------------------------- non-text

void TRVNonTextItemInfo::Assign(const TCustomRVItemInfo &src)
{
    TCustomRVItemInfo::Assign(src);
    if (auto *s = dynamic_cast<const TRVNonTextItemInfo *>(&src))
        Unremovable = s->Unremovable;
}

bool TRVNonTextItemInfo::SetExtraIntProperty(TRVExtraItemProperty prop, int value)
{
    if (prop != rvepDeleteProtect)
        return TCustomRVItemInfo::SetExtraIntProperty(prop, value);
    Unremovable = value != 0;
    return true;
}

bool TRVNonTextItemInfo::GetExtraIntProperty(TRVExtraItemProperty prop, int &value) const
{
    if (prop != rvepDeleteProtect)
        return TCustomRVItemInfo::GetExtraIntProperty(prop, value);
    value = Unremovable;
    return true;
}

void TRVBreakItemInfo::Assign(const TCustomRVItemInfo &src)
{
    TRVFullLineItemInfo::Assign(src);
    if (auto *s = dynamic_cast<const TRVBreakItemInfo *>(&src)) {
        LineWidth = s->LineWidth;
        LineStyle = s->LineStyle;
        LineColor = s->LineColor;
    }
}

void TRVRectItemInfo::Assign(const TCustomRVItemInfo &src)
{
    TRVNonTextItemInfo::Assign(src);
    if (auto *s = dynamic_cast<const TRVRectItemInfo *>(&src)) {
        MinHeightOnPage = s->MinHeightOnPage;
        VerticalAlign = s->VerticalAlign;
        VShift = s->VShift;
        VShiftAbsolute = s->VShiftAbsolute;
        Spacing = s->Spacing;
    }
}

bool TRVRectItemInfo::SetExtraIntProperty(TRVExtraItemProperty prop, int value)
{
    switch (prop) {
    case rvepVShift: VShift = value; return true;
    case rvepVShiftAbs: VShiftAbsolute = value != 0; return true;
    case rvepSpacing: Spacing = value < 0 ? 0 : value; return true;
    case rvepMinHeightOnPage:
        if (!HasMinHeightOnPage())
            return false;
        MinHeightOnPage = value;
        return true;
    default: return TRVNonTextItemInfo::SetExtraIntProperty(prop, value);
    }
}

bool TRVRectItemInfo::GetExtraIntProperty(TRVExtraItemProperty prop, int &value) const
{
    switch (prop) {
    case rvepVShift: value = VShift; return true;
    case rvepVShiftAbs: value = VShiftAbsolute; return true;
    case rvepSpacing: value = Spacing; return true;
    case rvepMinHeightOnPage:
        if (!HasMinHeightOnPage())
            return false;
        value = MinHeightOnPage;
        return true;
    default: return TRVNonTextItemInfo::GetExtraIntProperty(prop, value);
    }
}

void TRVTabItemInfo::Assign(const TCustomRVItemInfo &src)
{
    TRVRectItemInfo::Assign(src);
    if (auto *s = dynamic_cast<const TRVTabItemInfo *>(&src))
        TextStyleNo = s->TextStyleNo;
}

void TRVControlItemInfo::Assign(const TCustomRVItemInfo &src)
{
    TRVRectItemInfo::Assign(src);
    if (auto *s = dynamic_cast<const TRVControlItemInfo *>(&src)) {
        HasControl = s->HasControl;
        ControlClassName = s->ControlClassName;
        ControlResizable = s->ControlResizable;
        ControlVisible = s->ControlVisible;
    }
}

bool TRVControlItemInfo::SetExtraIntProperty(TRVExtraItemProperty prop, int value)
{
    if (prop == rvepResizable) { ControlResizable = value != 0; return true; }
    if (prop == rvepVisible) { ControlVisible = value != 0; return true; }
    return TRVRectItemInfo::SetExtraIntProperty(prop, value);
}

bool TRVControlItemInfo::GetExtraIntProperty(TRVExtraItemProperty prop, int &value) const
{
    if (prop == rvepResizable) { value = ControlResizable; return true; }
    if (prop == rvepVisible) { value = ControlVisible; return true; }
    return TRVRectItemInfo::GetExtraIntProperty(prop, value);
}

// ---------------------------------------------------------------- pictures

TRVGraphicItemInfo::TRVGraphicItemInfo(int styleNo) : TRVRectItemInfo(styleNo) {}
TRVGraphicItemInfo::~TRVGraphicItemInfo() = default;

void TRVGraphicItemInfo::Assign(const TCustomRVItemInfo &src)
{
    TRVRectItemInfo::Assign(src);
    if (auto *s = dynamic_cast<const TRVGraphicItemInfo *>(&src)) {
        ImageResizable = s->ImageResizable;
        Image = s->Image ? s->Image->Clone() : nullptr;
        ImageCopy.reset();
        ImageWidth = s->ImageWidth;
        ImageHeight = s->ImageHeight;
        Interval = s->Interval;
        NoHTMLImageSize = s->NoHTMLImageSize;
        AltText = s->AltText;
        ImageFileName = s->ImageFileName;
    }
}

bool TRVGraphicItemInfo::SetExtraIntProperty(TRVExtraItemProperty prop, int value)
{
    switch (prop) {
    case rvepImageWidth: ImageWidth = value; return true;
    case rvepImageHeight: ImageHeight = value; return true;
    case rvepResizable: ImageResizable = value != 0; return true;
    case rvepNoHTMLImageSize: NoHTMLImageSize = value != 0; return true;
    case rvepAnimationInterval: Interval = value; return true;
    case rvepTransparent:
    case rvepTransparentMode:
    case rvepTransparentColor:
        // These act on a bitmap itself; other picture classes ignore them.
        if (Image && Image->SupportsTransparency()) {
            if (prop == rvepTransparent)
                Image->Transparent = value != 0;
            else if (prop == rvepTransparentMode)
                Image->TransparentMode = value;
            else
                Image->TransparentColor = TColor(value);
        }
        return true;
    default: return TRVRectItemInfo::SetExtraIntProperty(prop, value);
    }
}

bool TRVGraphicItemInfo::GetExtraIntProperty(TRVExtraItemProperty prop, int &value) const
{
    switch (prop) {
    case rvepImageWidth: value = ImageWidth; return true;
    case rvepImageHeight: value = ImageHeight; return true;
    case rvepResizable: value = ImageResizable; return true;
    case rvepNoHTMLImageSize: value = NoHTMLImageSize; return true;
    case rvepAnimationInterval: value = Interval; return true;
    case rvepTransparent: value = Image && Image->Transparent; return true;
    case rvepTransparentMode: value = Image ? Image->TransparentMode : 0; return true;
    case rvepTransparentColor: value = Image ? int(Image->TransparentColor) : 0; return true;
    default: return TRVRectItemInfo::GetExtraIntProperty(prop, value);
    }
}

bool TRVGraphicItemInfo::SetExtraStrProperty(TRVExtraItemStrProperty prop, const std::string &value)
{
    if (prop == rvespAlt) { AltText = value; return true; }
    if (prop == rvespImageFileName) { ImageFileName = value; return true; }
    return TRVRectItemInfo::SetExtraStrProperty(prop, value);
}

bool TRVGraphicItemInfo::GetExtraStrProperty(TRVExtraItemStrProperty prop, std::string &value) const
{
    if (prop == rvespAlt) { value = AltText; return true; }
    if (prop == rvespImageFileName) { value = ImageFileName; return true; }
    return TRVRectItemInfo::GetExtraStrProperty(prop, value);
}

// A stored size past what a canvas can show is refused (the picture keeps its
// own size), and spacing is held to the same bound, so box arithmetic stays
// well inside int.
static int pictureSide(int stored, int natural)
{
    int n = std::clamp(natural, 0, kMaxPictureSide);
    return stored > 0 && stored <= kMaxPictureSide ? stored : n;
}

static int pictureSpacing(int spacing) { return std::clamp(spacing, 0, kMaxPictureSide); }

Size TRVGraphicItemInfo::ContentSize() const
{
    return {pictureSide(ImageWidth, Image ? Image->Width() : 0), pictureSide(ImageHeight, Image ? Image->Height() : 0)};
}

Size TRVGraphicItemInfo::BoxSize(int targetDpi, int screenDpi) const
{
    Size s = ContentSize();
    const int spacing = pictureSpacing(Spacing);
    Size box{s.cx + 2 * spacing, s.cy + 2 * spacing};
    if (targetDpi > 0 && screenDpi > 0)
        box.cx = MulDiv(box.cx, targetDpi, screenDpi);
    return box;
}

void TRVGraphicItemInfo::Paint(Canvas &canvas, int x, int y, const TRVItemDrawState &state, TRVStyle &style) const
{
    Size s = ContentSize();
    const int Spacing = pictureSpacing(this->Spacing);
    const int naturalW = s.cx + 2 * Spacing, naturalH = s.cy + 2 * Spacing;
    // At another resolution the picture and its spacing fill the box the layout scaled.
    const int bw = state.BoxWidth > 0 ? state.BoxWidth : naturalW;
    const int bh = state.BoxHeight > 0 ? state.BoxHeight : naturalH;
    const int sx = naturalW > 0 && bw != naturalW ? MulDiv(Spacing, bw, naturalW) : Spacing;
    const int sy = naturalH > 0 && bh != naturalH ? MulDiv(Spacing, bh, naturalH) : Spacing;
    if (Image)
        Image->Draw(canvas, {x + sx, y + sy, x + bw - sx, y + bh - sy});
    TColor frame = clNone;
    if (state.Selected)
        frame = state.Focused ? style.SelColor : style.InactiveSelColor;
    if (frame != clNone) {
        canvas.setPen({frame, 1, PenStyle::Solid});
        canvas.setBrush({clWhite, BrushStyle::Clear});
        canvas.rectangle({x, y, x + bw, y + bh});
    }
    if (state.Current && style.CurrentItemColor != clNone) {
        canvas.setPen({style.CurrentItemColor, 1, PenStyle::Solid});
        canvas.setBrush({clWhite, BrushStyle::Clear});
        canvas.rectangle({x - 1, y - 1, x + bw + 1, y + bh + 1});
    }
}

// ---------------------------------------------------------------- bullets

void TRVBulletItemInfo::Assign(const TCustomRVItemInfo &src)
{
    TRVRectItemInfo::Assign(src);
    if (auto *s = dynamic_cast<const TRVBulletItemInfo *>(&src)) {
        ImageList = s->ImageList;
        ImageListTag = s->ImageListTag;
        ImageIndex = s->ImageIndex;
        NoHTMLImageSize = s->NoHTMLImageSize;
        AltText = s->AltText;
    }
}

bool TRVBulletItemInfo::SetExtraIntProperty(TRVExtraItemProperty prop, int value)
{
    if (prop == rvepNoHTMLImageSize) { NoHTMLImageSize = value != 0; return true; }
    return TRVRectItemInfo::SetExtraIntProperty(prop, value);
}

bool TRVBulletItemInfo::GetExtraIntProperty(TRVExtraItemProperty prop, int &value) const
{
    if (prop == rvepNoHTMLImageSize) { value = NoHTMLImageSize; return true; }
    return TRVRectItemInfo::GetExtraIntProperty(prop, value);
}

bool TRVBulletItemInfo::SetExtraStrProperty(TRVExtraItemStrProperty prop, const std::string &value)
{
    if (prop == rvespAlt) { AltText = value; return true; }
    return TRVRectItemInfo::SetExtraStrProperty(prop, value);
}

bool TRVBulletItemInfo::GetExtraStrProperty(TRVExtraItemStrProperty prop, std::string &value) const
{
    if (prop == rvespAlt) { value = AltText; return true; }
    return TRVRectItemInfo::GetExtraStrProperty(prop, value);
}

void TRVHotspotItemInfo::Assign(const TCustomRVItemInfo &src)
{
    TRVBulletItemInfo::Assign(src);
    if (auto *s = dynamic_cast<const TRVHotspotItemInfo *>(&src))
        HotImageIndex = s->HotImageIndex;
}

void TRVMarkerItemInfo::Assign(const TCustomRVItemInfo &src)
{
    TRVRectItemInfo::Assign(src);
    if (auto *s = dynamic_cast<const TRVMarkerItemInfo *>(&src)) {
        ListNo = s->ListNo;
        Level = s->Level;
        Reset = s->Reset;
        StartFrom = s->StartFrom;
        Counter = s->Counter;
        DisplayString = s->DisplayString;
    }
}

void TRVLabelItemInfo::Assign(const TCustomRVItemInfo &src)
{
    TRVRectItemInfo::Assign(src);
    if (auto *s = dynamic_cast<const TRVLabelItemInfo *>(&src)) {
        Text = s->Text;
        TextStyleNo = s->TextStyleNo;
        StoredInt = s->StoredInt;
        StoredByte = s->StoredByte;
        ProtectTextStyleNo = s->ProtectTextStyleNo;
    }
}

void TRVSeqItemInfo::Assign(const TCustomRVItemInfo &src)
{
    TRVLabelItemInfo::Assign(src);
    if (auto *s = dynamic_cast<const TRVSeqItemInfo *>(&src)) {
        SeqName = s->SeqName;
        NumberType = s->NumberType;
        Reset = s->Reset;
        StartFrom = s->StartFrom;
        FormatString = s->FormatString;
        Counter = s->Counter;
    }
}

TCustomRVNoteItemInfo::TCustomRVNoteItemInfo(int styleNo) : TRVSeqItemInfo(styleNo) {}
TCustomRVNoteItemInfo::~TCustomRVNoteItemInfo() = default;

void TCustomRVNoteItemInfo::Assign(const TCustomRVItemInfo &src)
{
    TRVSeqItemInfo::Assign(src);
    auto *s = dynamic_cast<const TCustomRVNoteItemInfo *>(&src);
    if (!s || !s->Document)
        return;
    Document = std::make_unique<TCustomRVData>(s->Document->GetRVStyle());
    Document->OwnsStyleSheet = false;
    for (int i = 0; i < s->Document->ItemCount(); ++i)
        Document->AddItem(s->Document->ItemText(i), s->Document->GetItem(i).Clone());
}

// ---------------------------------------------------------------- registry

template <class T>
static std::unique_ptr<TCustomRVItemInfo> make(int styleNo)
{
    return std::make_unique<T>(styleNo);
}

static std::map<int, TRVItemFactory> &registry()
{
    static std::map<int, TRVItemFactory> kinds = {
        {ikTable, &make<TRVTableItemInfo>},       {ikLabel, &make<TRVLabelItemInfo>},
        {ikSequence, &make<TRVSeqItemInfo>},      {ikFootnote, &make<TRVFootnoteItemInfo>},
        {ikEndnote, &make<TRVEndnoteItemInfo>},   {ikNoteReference, &make<TRVNoteReferenceItemInfo>}};
    return kinds;
}

static TRVItemFactory &textFactory()
{
    static TRVItemFactory f = &make<TRVTextItemInfo>;
    return f;
}

void SetTextItemFactory(TRVItemFactory factory)
{
    textFactory() = factory ? factory : &make<TRVTextItemInfo>;
}

bool TextItemsArePlain() { return textFactory() == &make<TRVTextItemInfo>; }

void RegisterItemKind(int styleNo, TRVItemFactory factory)
{
    auto &kinds = registry();
    auto it = kinds.find(styleNo);
    if (styleNo >= -9 || (it != kinds.end() && it->second != factory))
        throw EReadViewError("Can't register ReadView item type - this StyleNo is already registered");
    kinds[styleNo] = factory;
}

std::unique_ptr<TCustomRVItemInfo> CreateItemForStyle(int styleNo)
{
    std::unique_ptr<TCustomRVItemInfo> item;
    if (styleNo >= 0)
        item = textFactory()(styleNo);
    else {
        switch (styleNo) {
        case ikHorizontalLine: item = make<TRVBreakItemInfo>(styleNo); break;
        case ikPicture: item = make<TRVGraphicItemInfo>(styleNo); break;
        case ikHotspot: item = make<TRVHotspotItemInfo>(styleNo); break;
        case ikControl: item = make<TRVControlItemInfo>(styleNo); break;
        case ikBullet: item = make<TRVBulletItemInfo>(styleNo); break;
        case ikHotPicture: item = make<TRVHotGraphicItemInfo>(styleNo); break;
        case ikListMarker: item = make<TRVMarkerItemInfo>(styleNo); break;
        case ikTab: item = make<TRVTabItemInfo>(styleNo); break;
        default: {
            auto &kinds = registry();
            auto it = kinds.find(styleNo);
            if (it == kinds.end())
                return nullptr;
            item = it->second(styleNo);
        }
        }
    }
    if (item)
        item->StyleNo = styleNo;
    return item;
}

} // namespace rv
