// The printing engine: lays a viewer's document out again at the printer's
// resolution, cuts it into pages and draws any page on a canvas. No Qt here:
// the printer is described by TRVPrinterPage and reached through TRVPrintJob,
// so pagination and page drawing run on the deterministic test canvas too.
// The Qt side (rv_print_qt.h) fills these from a QPrinter.
#pragma once
#include "document/rv_docparams.h"
#include "viewer/rv_fdata.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace rv {

enum TRVFixMarginsMode : uint8_t { rvfmmAutoCorrect, rvfmmIgnore };

// One printed page. Lengths are printer pixels in the hidden layout's coordinates.
struct TRVPageInfo {
    int PageTop = 0;       // document y where the page's content starts
    int FirstDrawItem = 0; // first draw item on the page
    int FirstPart = 0;     // part of a split item the page begins with (0: none)
    int PartTop = 0;       // document y of that part
    int ContentHeight = 0; // height of the content placed on the page
    std::vector<int> Footnotes; // items of the footnotes whose references are on the page, in order
};
using TRVPageCollection = std::vector<TRVPageInfo>;

// What the printer reports about its paper, in printer pixels
// (LOGPIXELS, PHYSICALWIDTH/HEIGHT, PHYSICALOFFSETX/Y, HORZRES/VERTRES).
struct TRVPrinterPage {
    int DpiX = 0, DpiY = 0;
    int PhysicalWidth = 0, PhysicalHeight = 0;
    int OffsetX = 0, OffsetY = 0;
    int PageWidth = 0, PageHeight = 0; // the printable area
    bool IsValid() const { return DpiX > 0 && DpiY > 0 && PageWidth > 0 && PageHeight > 0; }
    // A paper of the given size in millimetres printable to its edges.
    static TRVPrinterPage FromPaperMM(int widthMM, int heightMM, int dpi);
};

// The print job side of a printer; the Qt part implements it on QPrinter.
class TRVPrintJob {
public:
    virtual ~TRVPrintJob() = default;
    virtual void SetTitle(const std::string &title) = 0;
    virtual bool CanCopy() const = 0; // the printer makes copies itself
    virtual int Copies() const = 0;
    virtual void SetCopies(int copies) = 0;
    virtual bool Collate() const { return false; }
    virtual void SetCollate(bool) {}
    // Starts the document; the canvas draws on the current sheet until EndDoc.
    // nullptr when the job could not start.
    virtual platform::Canvas *BeginDoc() = 0;
    // False when the printer failed; the job is then aborted.
    virtual bool NewPage() = 0;
    virtual bool EndDoc() = 0;
    // Drops a started job (nothing reaches the printer).
    virtual void Abort() = 0;
};

// Why a pagination or a print job gave nothing.
enum class TRVPrintError {
    None,
    NoRoom,        // the margins leave no room for text on the page
    JobNotStarted, // the printer refused the job
    JobFailed,     // the printer or the drawing failed after the job began
};
// The reader's message for an error (Spanish).
std::string PrintErrorText(TRVPrintError e);

class TCustomRVPrint;
class PageCutter;

// Paper, margins and header/footer positions in millimetres: what a study's
// document parameters ask of the printed page.
struct TRVPageSetup {
    double PaperWidthMM = 210, PaperHeightMM = 297; // the sheet as it lies (landscape: wider than high)
    bool Landscape = false;
    int LeftMM = 20, RightMM = 20, TopMM = 20, BottomMM = 20;
    int HeaderYMM = 10, FooterYMM = 10;
    bool Mirror = false;
};

// The page set-up a study's parameters describe. nullopt when they are all
// at their defaults (the study carries none) and when they make no sense (a
// sheet smaller than its margins, negative, zero or huge lengths, an unknown
// unit): *warning then says why, and the caller keeps its own settings.
// screenPPI serves lengths stored in pixels.
std::optional<TRVPageSetup> PageSetupOf(const TRVDocParameters &params, int screenPPI, std::string *warning);

// The hidden viewer's document data: shares the attached viewer's items and
// lays them out for the printable width at the printer's resolution.
class TPrintableRVData : public TCustomRVFormattedData {
public:
    explicit TPrintableRVData(TCustomRVPrint &owner) : FOwner(owner) {}
    platform::Canvas *GetCanvas() override { return Canvas; }
    int GetClientWidth() const override { return ClientWidth; }
    int GetClientHeight() const override { return ClientHeight; }
    int GetLeftMargin() const override;
    int GetRightMargin() const override;
    int GetTopMargin() const override { return 0; }
    int GetBottomMargin() const override { return 0; }
    TRVOptions GetOptions() const override;
    TRVBiDiMode GetBiDiMode() const override;
    int GetScreenPixelsPerInchX() const override;
    int GetScreenPixelsPerInchY() const override;
    bool IsControlFocused() const override { return false; }
    platform::Color GetColor() const override;
    const TRVBackground *GetBackground() const override;
    std::string GetControlName() const override { return "TPrintableRV"; }

    platform::Canvas *Canvas = nullptr; // the printer's measuring canvas while formatting
    int ClientWidth = 0, ClientHeight = 0;

private:
    TCustomRVPrint &FOwner;
};

// One foot- or endnote's document laid out at the printer's resolution for
// the page's text width (its own margins are zero; y 0 is its top).
class TRVNotePtblData : public TRVFieldSettingsData {
public:
    TRVNotePtblData(const TCustomRVFormattedData &owner, TCustomRVNoteItemInfo &note, int itemNo);
    platform::Canvas *GetCanvas() override { return Target; }
    int GetClientWidth() const override { return Width; }
    int GetClientHeight() const override { return 0; }
    int GetScreenPixelsPerInchX() const override { return FOwner.GetScreenPixelsPerInchX(); }
    int GetScreenPixelsPerInchY() const override { return FOwner.GetScreenPixelsPerInchY(); }
    bool IsControlFocused() const override { return false; }
    int Height() const { return ContentHeight(); }

    platform::Canvas *Target = nullptr;
    int Width = 0;
    int ItemNo = -1; // the note's item in the printed document
    TCustomRVNoteItemInfo &Note;

private:
    const TCustomRVFormattedData &FOwner;
};

// A header or footer document: its own items laid out at the page's text
// width at the printer's resolution, drawn on every page.
class TRVBandPtblRVData : public TCustomRVFormattedData {
public:
    explicit TRVBandPtblRVData(TCustomRVFormattedData &source);
    ~TRVBandPtblRVData() override;
    platform::Canvas *GetCanvas() override { return Canvas; }
    int GetClientWidth() const override { return ClientWidth; }
    int GetClientHeight() const override { return 0; }
    int GetLeftMargin() const override { return FBand.GetLeftMargin(); }
    int GetRightMargin() const override { return FBand.GetRightMargin(); }
    int GetTopMargin() const override { return 0; }
    int GetBottomMargin() const override { return 0; }
    TRVOptions GetOptions() const override { return FBand.GetOptions(); }
    TRVBiDiMode GetBiDiMode() const override { return FBand.GetBiDiMode(); }
    int GetScreenPixelsPerInchX() const override { return FBand.GetScreenPixelsPerInchX(); }
    int GetScreenPixelsPerInchY() const override { return FBand.GetScreenPixelsPerInchY(); }
    bool IsControlFocused() const override { return false; }
    std::string GetControlName() const override { return "TPrintableRV"; }

    // Lays the band out on `measure` for `width` printer pixels; returns its height.
    int Layout(platform::Canvas &measure, int width);
    int Height() const { return ContentHeight(); }

    platform::Canvas *Canvas = nullptr;
    int ClientWidth = 0;

private:
    TCustomRVFormattedData &FBand;
};

// (sender, pages done, step 0 start / 1 page / 2 end)
using TRVPrintingEvent = std::function<void(TCustomRVFormattedData &sender, int page, int step)>;
// (sender, page number, canvas, preview, content rectangle, printable-area rectangle)
using TRVPagePrepaintEvent = std::function<void(TCustomRVPrint &sender, int pageNo, platform::Canvas &canvas,
                                                bool preview, const platform::Rect &pageRect,
                                                const platform::Rect &printAreaRect)>;

class TCustomRVPrint {
public:
    TCustomRVPrint();
    virtual ~TCustomRVPrint();
    TCustomRVPrint(const TCustomRVPrint &) = delete;
    TCustomRVPrint &operator=(const TCustomRVPrint &) = delete;

    // ---- settings (take effect at the next pagination) ----
    bool PreviewCorrection = false;
    bool TransparentBackground = false;
    TRVColorMode ColorMode = rvcmPrinterColor;
    bool ClipMargins = false;
    bool MirrorMargins = false;
    int LeftMarginMM = 20, RightMarginMM = 20, TopMarginMM = 20, BottomMarginMM = 20;
    int FooterYMM = 10, HeaderYMM = 10;
    TRVFixMarginsMode FixMarginsMode = rvfmmAutoCorrect;
    TRVPrintingEvent OnFormatting, OnSendingToPrinter;
    TRVPagePrepaintEvent OnPagePrepaint, OnPagePostpaint;
    // The user chose paper or margins in this session: studies no longer change them.
    bool UserPageSetup = false;

    // Takes the page set-up a study carries (margins, header and footer
    // positions, mirroring, and the paper it asks for, see StudyPaper) unless
    // UserPageSetup; a study carrying none, or absurd values, gets the
    // component's own settings back. Returns a warning for absurd values ("" otherwise).
    std::string UseStudyPageSetup(const TRVDocParameters *params, int screenPPI = 96);
    // The paper the current study asks for (nullopt: the printer's own).
    const std::optional<TRVPageSetup> &StudyPaper() const { return FStudyPaper; }

    // Header and footer documents (not owned; nullptr: none). They must stay
    // formatted-data objects alive while the component paginates and draws.
    void SetHeader(TCustomRVFormattedData *doc);
    void SetFooter(TCustomRVFormattedData *doc);

    // Shares the source's items and takes its margins, style sheet, colour and
    // background. Call again whenever the source's document changes.
    void AttachData(TCustomRVFormattedData &source);
    // The attached document: read only, its layout and state stay the viewer's.
    const TCustomRVFormattedData *Source() const { return FSource; }

    // Lays the document out on `measure` (a canvas at the printer's resolution)
    // for `page` and cuts it into pages; returns the page count.
    int PaginateOn(platform::Canvas &measure, const TRVPrinterPage &page);
    // Text pages, then the pages only endnotes fill.
    int PageCount() const { return int(FPages.size()) + FEndnotePages; }
    // The text pages (endnote pages have no record of their own).
    const TRVPageCollection &Pages() const { return FPages; }
    // The laid-out footnote of a footnote item, or nullptr.
    const TRVNotePtblData *FootnoteOf(int itemNo) const;
    // Where a page's footnotes stand, bottom up from the margin (printable-area
    // coordinates): the top of each of pg.Footnotes, in their order.
    std::vector<int> FootnoteTops(int pageNo) const;
    // The height of a "-" on the printer: the space above the first footnote.
    int SeparatorSpace() const { return FSeparatorSpace; }
    // One endnote's piece on a page: lines of the note between DocTop and
    // DocBottom (its own y) at PageY below the page's text top.
    struct TEndnotePiece {
        int Page = 0;
        const TRVNotePtblData *Note = nullptr;
        int DocTop = 0, DocBottom = 0, PageY = 0;
    };
    const std::vector<TEndnotePiece> &EndnotePieces() const { return FEndnotePieces; }
    // Raised by every pagination, 1..9999 then 0 again.
    int PaginationCounter() const { return FCounter; }
    bool Ready() const { return FReady; }
    TPrintableRVData &PrintData() { return FData; }
    const TPrintableRVData &PrintData() const { return FData; }

    // ---- geometry of the last pagination, printer pixels ----
    const TRVPrinterPage &PrinterPage() const { return FPrinter; }
    // Millimetres to printer pixels: MulDiv(mm, 5 * ppi, 127).
    static int MMToPixels(int mm, int ppi);
    int LeftMargin(int pageNo) const; // mirrored on even pages with MirrorMargins
    int TopMargin() const { return FTop; }
    int RightMargin() const { return FRight; }
    int BottomMargin() const { return FBottom; }
    int ClientWidth() const { return FData.ClientWidth; }
    int ClientHeight() const { return FData.ClientHeight; }
    // Where the header and footer of the last pagination lie (printable-area
    // y of their tops) and their heights; 0 heights when there are none.
    int HeaderTop() const { return FHeaderTop; }
    int HeaderHeight() const { return FHeader ? FHeader->Height() : 0; }
    int FooterTop() const { return FFooterTop; }
    int FooterHeight() const { return FFooter ? FFooter->Height() : 0; }
    // The document's own top and bottom margins in printer pixels.
    int DocTopMargin() const;
    int DocBottomMargin() const;
    // Content rectangle of a page (printable-area coordinates).
    platform::Rect PageContentRect(int pageNo) const;
    // (0, 0, client size plus the four margins).
    platform::Rect PrintableAreaRect() const;
    // Unprintable strips (left, top, right, bottom) and the printable area's size,
    // in pixels of a screen at screenDpi.
    platform::Rect UnprintableStripsOnScreen(int screenDpiX, int screenDpiY) const;
    platform::Size PrintableSizeOnScreen(int screenDpiX, int screenDpiY) const;

    // ---- drawing ----
    // Draws page pageNo (from 1) with the printable area's corner at canvas (0, 0).
    // Pages outside 1..PageCount draw nothing.
    void DrawPage(int pageNo, platform::Canvas &canvas, bool preview, bool correction);
    // Draws a page scaled into a screen rectangle (white paper first).
    void DrawPreview(int pageNo, platform::Canvas &canvas, const platform::Rect &r);
    // Frames the page's content area scaled into r with the canvas's pen.
    void DrawMarginsRect(platform::Canvas &canvas, const platform::Rect &r, int pageNo);

    // ---- the print job ----
    // Prints pages first..last (clamped to the pages there are). False when the
    // job could not start or failed: it is then aborted, and the printer's copy
    // count and collation are back as they were either way.
    bool PrintPages(int first, int last, const std::string &title, int copies, bool collate, TRVPrintJob &job);
    bool PrintDocumentOn(const std::string &title, int copies, bool collate, TRVPrintJob &job)
    {
        return PrintPages(1, PageCount(), title, copies, collate, job);
    }
    // The reason the last pagination or print job gave nothing (None after success).
    TRVPrintError LastError() const { return FError; }

    // ---- page-break marks for the viewer ----
    // Where the pages of the last pagination break in the attached document's
    // own layout (document y of its lines), for a viewer that marks them.
    // Pagination owns them; the viewer reads them when it paints.
    const std::vector<int> &SourcePageBreaks() const { return FSourceBreaks; }
    // The failure's own words when a drawing error ended a job ("" otherwise).
    const std::string &LastErrorDetail() const { return FErrorDetail; }

private:
    friend class TPrintableRVData;
    friend class PageCutter;
    void ComputeGeometry(platform::Canvas &measure);
    void CutPages();
    void MarkSourceBreaks();
    void DrawPageText(int pageNo, platform::Canvas &canvas, const platform::Rect &content, const platform::Rect &area,
                      const std::unordered_map<int, std::string> &labels);

    // Notes (rv_print_notes.cpp).
    void LayoutNotes(platform::Canvas &measure);
    void PlaceEndnotes();
    void DrawFootnotes(int pageNo, platform::Canvas &canvas, const std::unordered_map<int, std::string> &labels);
    void DrawEndnotes(int pageNo, platform::Canvas &canvas);
    // The numbers 1, 2, ... a page's footnotes show when the sheet restarts
    // them on every page (footnote item → text; empty otherwise). Painting
    // shows them in place of the document's own, which stay as they are.
    std::unordered_map<int, std::string> PageNoteLabels(int pageNo) const;

    // Tables over pages (rv_print_tables.cpp).
    // The band of a table repeated at the top of a page that continues it
    // (top border, spacing and heading rows), or 0.
    int RepeatedTableBand(const TRVPageInfo &page) const;
    // Where the table of draw item k is cut on a page ending at document y
    // pageBottom (the next part's top), or -1 (no cut: it fits, or moves whole).
    int TableCut(int k, const TRVPageInfo &page, int pageBottom, bool overflow, bool firstOnPage) const;
    // Document y where a page ending inside a table stops drawing its rows.
    int TablePartEnd(const TRVPageInfo &next) const;
    // Draws the repeated band above the page's part (top) or the table's
    // bottom edge below a part that goes on over the next page (!top).
    void DrawTableEdges(int pageNo, platform::Canvas &canvas, int xOffs, int yOffs, int reserve, bool top);
    void DrawBands(platform::Canvas &canvas, int pageNo);
    void DrawPageBackground(platform::Canvas &canvas, const platform::Rect &content);

    TPrintableRVData FData;
    const TCustomRVFormattedData *FSource = nullptr;
    TRVPageCollection FPages;
    TRVPrinterPage FPrinter;
    int FLeft = 0, FTop = 0, FRight = 0, FBottom = 0, FMirrorLeft = 0;
    int FCounter = 0;
    bool FReady = false;
    std::unique_ptr<TRVBandPtblRVData> FHeader, FFooter;
    int FHeaderTop = 0, FFooterTop = 0;
    std::optional<TRVPageSetup> FStudyPaper;
    std::optional<TRVPageSetup> FOwnSetup; // the component's settings while a study's are in use
    // Measures text at the printer's resolution after pagination (preview correction).
    std::unique_ptr<platform::Canvas> FMeasure;
    TRVPrintError FError = TRVPrintError::None;
    std::string FErrorDetail;
    std::vector<std::unique_ptr<TRVNotePtblData>> FNotes; // in item order
    std::vector<TEndnotePiece> FEndnotePieces;
    int FEndnotePages = 0, FSeparatorSpace = 0;
    std::vector<int> FSourceBreaks;
};

} // namespace rv
