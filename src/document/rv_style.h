// The style sheet: numbered text, paragraph and list styles, the colours and
// cursors of selection, hyperlinks and marks, and the services that put a text
// style on a canvas. Items never carry fonts or colours; they name styles here
// by number, and a lookup by number never fails (out-of-range numbers get a
// conspicuous fallback entry).
//
// Style names are 8-bit text in the system ANSI code page (RVF headers compare
// them byte for byte).
#pragma once
#include "platform/canvas.h"
#include "platform/geometry.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace rv {

using TColor = platform::Color;
using platform::clNone;
using TCursor = int16_t;

class TRVGraphic;
class TCustomImageList;

// Cursors the sheet registers with the screen (the widget layer maps them).
constexpr TCursor crDefault = 0;
constexpr TCursor crJump = 101;         // hand over hyperlinks
constexpr TCursor crRVFlipArrow = 106;  // whole-line selection from the margin

// Font style bits (TFontInfo::Style, marker fonts).
enum : uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

enum TRVAlignment : uint8_t { rvaLeft, rvaRight, rvaCenter, rvaJustify };
enum TRVLineSpacingType : uint8_t { rvlsPercent, rvlsSpaceBetween };
enum TRVBorderStyle : uint8_t { rvbNone, rvbSingle, rvbDouble, rvbTriple, rvbThickInside, rvbThickOutside };
enum TRVParaOption : uint8_t {
    rvpaoNoWrap, rvpaoReadOnly, rvpaoStyleProtect, rvpaoDoNotWantReturns, rvpaoKeepLinesTogether,
    rvpaoKeepWithNext, rvpaoWidowOrphanControl
};
enum TRVProtectOption : uint8_t {
    rvprStyleProtect, rvprStyleSplitProtect, rvprModifyProtect, rvprDeleteProtect, rvprConcateProtect,
    rvprRVFInsertProtect, rvprDoNotAutoSwitch, rvprParaStartProtect, rvprSticking, rvprSticking2,
    rvprSticking3, rvprStickToTop, rvprStickToBottom
};
enum TRVTextOption : uint8_t { rvteoHTMLCode, rvteoRTFCode };
enum TRVFontStyleEx : uint8_t { rvfsOverline, rvfsAllCaps };
enum TRVHoverEffect : uint8_t { rvheUnderline };
enum TRVSubSuperScriptType : uint8_t { rvsssNormal, rvsssSubscript, rvsssSuperScript };
enum TRVUnderlineType : uint8_t {
    rvutNormal, rvutThick, rvutDouble, rvutDotted, rvutThickDotted, rvutDashed, rvutThickDashed,
    rvutLongDashed, rvutThickLongDashed, rvutDashDotted, rvutThickDashDotted, rvutDashDotDotted,
    rvutThickDashDotDotted
};
enum TRVBiDiMode : uint8_t { rvbdUnspecified, rvbdLeftToRight, rvbdRightToLeft };
enum TRVTabAlign : uint8_t { rvtaLeft, rvtaRight, rvtaCenter };
enum TRVListType : uint8_t {
    rvlstBullet, rvlstPicture, rvlstImageList, rvlstDecimal, rvlstLowerAlpha, rvlstUpperAlpha,
    rvlstLowerRoman, rvlstUpperRoman, rvlstImageListCounter, rvlstUnicodeBullet
};
enum TRVMarkerAlignment : uint8_t { rvmaLeft, rvmaRight, rvmaCenter };
enum TRVListLevelOption : uint8_t { rvloContinuous, rvloLevelReset, rvloLegalStyleNumbering };
enum TRVSelectionMode : uint8_t { rvsmChar, rvsmWord, rvsmParagraph };
enum TRVSelectionStyle : uint8_t { rvssItems, rvssLines };
enum TRVFieldHighlightType : uint8_t { rvfhNever, rvfhCurrent, rvfhAlways };
enum TRVSeqType : uint8_t { rvseqDecimal, rvseqLowerAlpha, rvseqUpperAlpha, rvseqLowerRoman, rvseqUpperRoman };
enum TRVColorMode : uint8_t { rvcmColor, rvcmPrinterColor, rvcmGrayScale, rvcmBlackAndWhite, rvcmBlackOnWhite };

// Sets are bit sets: value n of the enumeration is bit n.
constexpr uint32_t bit(int n) { return 1u << n; }

// Draw-state flags given to ApplyStyleColor.
enum : uint32_t { rvtsSelected = bit(0), rvtsHover = bit(1), rvtsFocused = bit(6) };

// Fields common to every style entry.
class TCustomRVInfo {
public:
    virtual ~TCustomRVInfo() = default;
    int BaseStyleNo = -1;
    std::string StyleName;
    bool Standard = true;
    int StyleTemplateId = -1;

protected:
    void AssignCommon(const TCustomRVInfo &src);
};

// A text style.
class TFontInfo : public TCustomRVInfo {
public:
    TFontInfo() { StyleName = "Font Style"; }
    TFontInfo(const TFontInfo &o) { Assign(o); }
    TFontInfo &operator=(const TFontInfo &o) { Assign(o); return *this; }
    void Assign(const TFontInfo &src);
    // Part of merging: see the .cpp for exactly which fields count.
    bool IsEqual(const TFontInfo &o, bool ignoreNextStyleNo) const;

    TRVBiDiMode BiDiMode = rvbdUnspecified;
    bool Jump = false;
    TCursor JumpCursor = crJump;
    std::string FontName = "Arial";
    int Size = 10;
    TColor Color = platform::clWindowText; 
    TColor BackColor = clNone;
    TColor HoverColor = clNone;
    TColor HoverBackColor = clNone;
    TColor UnderlineColor = clNone;
    TColor HoverUnderlineColor = clNone;
    TRVUnderlineType UnderlineType = rvutNormal;
    uint8_t HoverEffects = 0;   // set of TRVHoverEffect
    uint8_t Style = 0;          // fsBold | fsItalic | fsUnderline | fsStrikeOut
    uint8_t StyleEx = 0;        // set of TRVFontStyleEx
    int VShift = 0;
    uint8_t Charset = platform::DEFAULT_CHARSET;
    uint16_t Protection = 0;    // set of TRVProtectOption
    uint8_t Options = 0;        // set of TRVTextOption
    int CharScale = 100;
    int CharSpacing = 0;
    TRVSubSuperScriptType SubSuperScriptType = rvsssNormal;
    bool Unicode = false;
    int NextStyleNo = -1;
    uint32_t ModifiedProperties = 0;
};

struct TRVRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    void SetAll(int v) { Left = Top = Right = Bottom = v; }
    friend bool operator==(const TRVRect &, const TRVRect &) = default;
};
struct TRVBooleanRect {
    bool Left = true, Top = true, Right = true, Bottom = true;
    friend bool operator==(const TRVBooleanRect &, const TRVBooleanRect &) = default;
};

struct TRVBorder {
    TColor Color = platform::clWindowText;
    TRVBorderStyle Style = rvbNone;
    int Width = 1;
    int InternalWidth = 1;
    TRVBooleanRect VisibleBorders;
    TRVRect BorderOffsets;
    friend bool operator==(const TRVBorder &, const TRVBorder &) = default;
};

struct TRVBackgroundRect {
    TColor Color = clNone;
    TRVRect BorderOffsets;
    friend bool operator==(const TRVBackgroundRect &, const TRVBackgroundRect &) = default;
};

struct TRVTabInfo {
    int Position = 0;
    TRVTabAlign Align = rvtaLeft;
    std::string Leader;
    friend bool operator==(const TRVTabInfo &, const TRVTabInfo &) = default;
};

// A paragraph style.
class TParaInfo : public TCustomRVInfo {
public:
    TParaInfo() { StyleName = "Paragraph Style"; }
    TParaInfo(const TParaInfo &o) { Assign(o); }
    TParaInfo &operator=(const TParaInfo &o) { Assign(o); return *this; }
    void Assign(const TParaInfo &src);
    bool IsEqual(const TParaInfo &o, bool ignoreReferences) const;

    int FirstIndent = 0;
    int LeftIndent = 0;
    int RightIndent = 0;
    int SpaceBefore = 0;
    int SpaceAfter = 0;
    int LineSpacing = 100;
    TRVLineSpacingType LineSpacingType = rvlsPercent;
    TRVAlignment Alignment = rvaLeft;
    TRVBorder Border;
    TRVBackgroundRect Background;
    uint8_t Options = 0;  // set of TRVParaOption
    TRVBiDiMode BiDiMode = rvbdUnspecified;
    std::vector<TRVTabInfo> Tabs;
    int NextParaNo = -1;
    int DefStyleNo = -1;
    uint32_t ModifiedProperties1 = 0, ModifiedProperties2 = 0;
};

struct TRVMarkerFont {
    std::string Name = "Arial";
    uint8_t Charset = platform::DEFAULT_CHARSET;
    TColor Color = platform::clWindowText;
    uint8_t Style = 0;
    int Height = -11; // pixels at the screen resolution, negative: character height
    friend bool operator==(const TRVMarkerFont &, const TRVMarkerFont &) = default;
};

// One level of a list style.
class TRVListLevel {
public:
    TRVListLevel();
    TRVListLevel(const TRVListLevel &o);
    TRVListLevel &operator=(const TRVListLevel &o);
    ~TRVListLevel();
    bool IsEqual(const TRVListLevel &o) const;
    // True for the list types whose markers show a counter.
    bool HasNumbers() const { return ListType >= rvlstDecimal && ListType <= rvlstUpperRoman; }

    TRVListType ListType = rvlstBullet;
    int StartFrom = 1;
    TCustomImageList *ImageList = nullptr; // not owned
    int ImageIndex = 0;
    std::string FormatString = "\xB7";
    std::u16string FormatStringW;
    int LeftIndent = 0;
    int FirstIndent = 10;
    int MarkerIndent = 0;
    TRVMarkerAlignment MarkerAlignment = rvmaLeft;
    std::unique_ptr<TRVGraphic> Picture;
    TRVMarkerFont Font;
    uint8_t Options = bit(rvloContinuous) | bit(rvloLevelReset);
};

// A list style.
class TRVListInfo : public TCustomRVInfo {
public:
    TRVListInfo() { StyleName = "List Style"; }
    TRVListInfo(const TRVListInfo &o) { Assign(o, true); }
    TRVListInfo &operator=(const TRVListInfo &o) { Assign(o, true); return *this; }
    void Assign(const TRVListInfo &src, bool copyListId);
    bool IsEqual(const TRVListInfo &o, bool ignoreListId) const;
    bool HasNumbering() const;

    std::vector<TRVListLevel> Levels;
    bool OneLevelPreview = false;

    // The list identifier ("LstID"): made up on first request and kept.
    int32_t GetListID();
    int32_t ListIDRaw() const { return FListID; }
    void SetListID(int32_t id) { FListID = id; }

private:
    int32_t FListID = 0;
};

// An ordered collection that owns its entries; an entry's number is its position.
template <class T>
class TRVStyleCollection {
public:
    virtual ~TRVStyleCollection() = default;
    int Count() const { return int(FItems.size()); }
    // Entry n, or the collection's fallback entry when n is out of range.
    T &operator[](int n) { return n >= 0 && n < Count() ? *FItems[size_t(n)] : Invalid(); }
    const T &operator[](int n) const { return const_cast<TRVStyleCollection &>(*this)[n]; }
    bool InRange(int n) const { return n >= 0 && n < Count(); }
    // Appends an entry with the defaults.
    T &Add() { FItems.push_back(std::make_unique<T>()); return *FItems.back(); }
    T &Add(const T &copy) { FItems.push_back(std::make_unique<T>(copy)); return *FItems.back(); }
    void Clear() { FItems.clear(); }

protected:
    virtual T &Invalid() = 0;
    std::vector<std::unique_ptr<T>> FItems;
};

class TFontInfos : public TRVStyleCollection<TFontInfo> {
public:
    void Assign(const TFontInfos &src);
    // A pixels-per-inch value ApplyStyle may use instead of the canvas's; 0 = none.
    int PixelsPerInch = 0;

protected:
    // White on red, made from style 0 on first use.
    TFontInfo &Invalid() override;

private:
    std::unique_ptr<TFontInfo> FInvalid;
};

class TParaInfos : public TRVStyleCollection<TParaInfo> {
public:
    void Assign(const TParaInfos &src);

protected:
    // Style 0 with a red 2-pixel frame, made on first use.
    TParaInfo &Invalid() override;

private:
    std::unique_ptr<TParaInfo> FInvalid;
};

class TRVListInfos : public TRVStyleCollection<TRVListInfo> {
public:
    void Assign(const TRVListInfos &src);
    // Whether Assign copies list identifiers (load mode sets it).
    bool FRVFAllowAssignListID = true;

protected:
    TRVListInfo &Invalid() override;

private:
    std::unique_ptr<TRVListInfo> FInvalid;
};

// The style sheet.
class TRVStyle {
public:
    TRVStyle();   // the defaults of a new sheet: 6 text styles, 2 paragraph styles
    ~TRVStyle();
    TRVStyle(const TRVStyle &) = delete;
    TRVStyle &operator=(const TRVStyle &) = delete;

    // Replaces the collections and settings with the reader's initial sheet
    // (12 text styles, 5 paragraph styles; text style 7 is the verse-link style).
    void LoadReaderDefaults();

    // The component name; RVF writers store it with the style tables.
    std::string Name;
    TFontInfos TextStyles;
    TParaInfos ParaStyles;
    TRVListInfos ListStyles;

    int SpacesInTab = 0;
    int DefTabWidth = 48;
    TCursor JumpCursor = crJump;
    TCursor LineSelectCursor = crRVFlipArrow;
    bool FullRedraw = false;
    bool UseSound = true;
    TColor Color = platform::clWindow;
    TColor HoverColor = clNone;
    TColor CurrentItemColor = clNone;
    TColor SelColor = platform::clHighlight;
    TColor SelTextColor = platform::clHighlightText;
    TColor InactiveSelColor = platform::clHighlight;
    TColor InactiveSelTextColor = platform::clHighlightText;
    TColor CheckpointColor = platform::clGreen;
    TColor CheckpointEvColor = platform::clLime;
    TColor PageBreakColor = platform::clBtnShadow;
    TColor SoftPageBreakColor = platform::clBtnFace;
    TColor LiveSpellingColor = platform::clRed;
    TRVSelectionMode SelectionMode = rvsmWord;
    TRVSelectionStyle SelectionStyle = rvssItems;
    TColor FieldHighlightColor = platform::clBtnFace;
    TRVFieldHighlightType FieldHighlightType = rvfhCurrent;
    TRVSeqType FootnoteNumbering = rvseqDecimal;
    TRVSeqType EndnoteNumbering = rvseqLowerRoman;
    bool FootnotePageReset = true;
    int DefUnicodeStyle = -1;
    int DefCodePage = 0;

    // Hooks; each may clear DoDefault to suppress the built-in action.
    std::function<void(TRVStyle &, platform::Canvas &, int StyleNo, bool &DoDefault)> OnApplyStyle;
    std::function<void(TRVStyle &, platform::Canvas &, int StyleNo, uint32_t DrawState, bool &DoDefault)> OnApplyStyleColor;
    std::function<void(TRVStyle &, int StyleNo, bool &DoDefault)> OnDrawStyleText;
    std::function<void(TRVStyle &, int StyleNo, bool &Sensitive)> OnStyleHoverSensitive;
    std::function<void(TRVStyle &, int StyleNo, bool &DoDefault)> OnDrawTextBack;
    std::function<void(TRVStyle &, platform::Canvas &, int X, int Y, int ItemNo, bool &DoDefault)> OnDrawCheckpoint;
    std::function<void(TRVStyle &, platform::Canvas &, int Y, bool &DoDefault)> OnDrawPageBreak;
    std::function<void(TRVStyle &, int ParaNo, bool &DoDefault)> OnDrawParaBack;

    // Code page of text style n (its Charset, DEFAULT_CHARSET → DefCodePage).
    int CodePageOfStyle(int StyleNo) const;

    // Hover colour of text style n: its own, or the sheet's when that is clNone.
    TColor GetHoverColor(int StyleNo) const;
    bool StyleHoverSensitive(int StyleNo);

    // Puts text style n's font on the canvas. useCollectionPPI: prefer
    // TextStyles.PixelsPerInch over the canvas resolution. For sub/superscript
    // styles, extraFontHeight gives the height to use (nullptr: computed);
    // ignoreSubSuper says the caller already set it.
    void ApplyStyle(platform::Canvas &canvas, int StyleNo, TRVBiDiMode DefBiDiMode, bool useCollectionPPI,
                    const int *extraFontHeight = nullptr, bool ignoreSubSuper = false);
    // Puts text style n's text and background colours (and hover underline) on the canvas.
    void ApplyStyleColor(platform::Canvas &canvas, int StyleNo, uint32_t DrawState, bool Printing,
                         TRVColorMode ColorMode);
    // Checkpoint mark at (X, Y): a circle when it belongs to an item (ItemNo >= 0),
    // then a dotted line from the left edge across Width; all shifted left by XShift.
    void DrawCheckpoint(platform::Canvas &canvas, int X, int Y, int Width, int XShift, int ItemNo, bool RaiseEvent);
    // Page-break mark at height Y across Width (explicit or computed), shifted left by XShift.
    void DrawPageBreak(platform::Canvas &canvas, int Y, int Width, int XShift, bool Explicit);

    // Picture shown for unreadable pictures (made on first request).
    const TRVGraphic &InvalidPicture();
    void SetInvalidPicture(const TRVGraphic *g); // copies; nullptr releases it

    // Colour conversion for printing (system colours resolved, then mode rules).
    static TColor ToPrinterColor(TColor c);
    static TColor ToGray(TColor c);

private:
    std::unique_ptr<TRVGraphic> FInvalidPicture;
};

} // namespace rv
