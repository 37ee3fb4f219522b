// The data lines of item records: text, pictures, controls, tables, labels,
// sequences and notes, with their extra property lines.
#include "rvf_reader_impl.h"

#include "platform/codepage.h"
#include "rv_graphic.h"
#include "rv_marker.h"
#include "rv_table.h"

#include <cstring>

namespace rv::rvfread {

using namespace platform;

namespace {

// Notes carry documents of their own; a hostile file must not nest them without end.
constexpr int kMaxNesting = 16;
thread_local int gNesting = 0;

} // namespace

void Reader::dataLine(std::string_view line, int i)
{
    // Text first: the records of the document's own kinds all have negative numbers.
    if (style_ >= 0 && item_ && item_->IsText()) {
        TRVItemPtr text = copyTextItem();
        std::string hex;
        std::string_view s = line;
        if ((item_->ItemOptions & ioUnicode) && encoding_ == rtHexUnicode) {
            HexToBytes(line, hex);
            s = hex;
        }
        addItem(std::move(text), s);
        if (i + 1 == lineCount_)
            dropItem();
        return;
    }
    if (style_ == ikPropertiesRecord) {
        propertiesLine(line, i);
        return;
    }
    if (style_ == ikBackgroundRecord) {
        if (i == 0 && encoding_ == rtBinary && lineCount_ > 1)
            fm_ = fmTextThenBinary;
        if (i == 1 && (opts_ & rvfoLoadBack)) {
            std::string bytes = bodyBytes(line, true);
            auto bmp = CreateGraphicByClassName("TBitmap");
            if (bmp->LoadFromBytes(bytes) && back_ && load_)
                back_->Bitmap = std::move(bmp);
        }
        return;
    }
    if (style_ == ikCheckpointRecord) {
        if (i == 0 && !pending_) {
            pending_ = std::make_unique<TRVCPInfo>();
            pending_->Name = std::string(line);
            pending_->Tag = tag_;
            pending_->RaiseEvent = cpRaiseEvent_;
            pending_->Persistent = cpPersistent_;
        }
        return;
    }
    itemDataLine(line, i);
    if (i + 1 == lineCount_) {
        addRecordItem();
        item_.reset();
    }
}

std::string Reader::bodyBytes(std::string_view line, bool mustDecode)
{
    if (encoding_ == rtBinary)
        return std::string(line);
    std::string out;
    if (!HexToBytes(line, out) && mustDecode)
        fail(RvfErrorKind::Data, "Invalid RVF format: hexadecimal data does not decode");
    return out;
}

void Reader::extraProperty(std::string_view line)
{
    static const char *intNames[] = {"vshift", "vshiftabs", "width", "height", "transparent", "tmode", "tcolor",
                                     "minheightonpage", "spacing", "resizable", "unremovable", "nohtmlsize",
                                     "ainterval", "visible"};
    static const char *strNames[] = {"hint", "alt", "filename"};
    size_t eq = line.find('=');
    if (eq == std::string_view::npos || !item_)
        return;
    std::string_view name = line.substr(0, eq), value = line.substr(eq + 1);
    for (int k = 0; k < 14; ++k)
        if (name == intNames[k]) {
            item_->SetExtraIntProperty(TRVExtraItemProperty(k + 1), intOrZero(value));
            return;
        }
    for (int k = 0; k < 3; ++k)
        if (name == strNames[k]) {
            auto prop = TRVExtraItemStrProperty(k + 1);
            auto *pic = dynamic_cast<TRVGraphicItemInfo *>(item_.get());
            std::string old = pic ? pic->ImageFileName : std::string();
            item_->SetExtraStrProperty(prop, std::string(value));
            // An external picture may be found by its file name.
            if (pic && prop == rvespImageFileName && encoding_ == rtExternal && !pic->Image
                && pic->ImageFileName != old && d_.OnRVFPictureNeeded)
                pic->Image = d_.OnRVFPictureNeeded(pic->ImageFileName, tag_);
            return;
        }
}

// Label lines 1-4, shared by labels, sequences and notes.
void Reader::labelLine(TRVLabelItemInfo &l, std::string_view line, int k)
{
    switch (k) {
    case 0: l.TextStyleNo = intOrZero(line); break;
    case 1: l.StoredInt = intOrZero(line); break;
    case 2: l.StoredByte = intOrZero(line); break;
    case 3: l.ProtectTextStyleNo = line == "protect"; break;
    }
}

// The body (the record's last line) of a binary record is a block: the line
// before it switches framing, once the record is past its fixed lines.
void Reader::binaryBodyNext(int i, int firstBodyLine)
{
    if (encoding_ == rtBinary && i + 1 == lineCount_ - 1 && i + 1 >= firstBodyLine)
        fm_ = fmTextThenBinary;
}

void Reader::itemDataLine(std::string_view line, int i)
{
    switch (style_) {
    case ikPicture:
    case ikHotPicture: pictureLine(line, i); break;
    case ikControl: controlLine(line, i); break;
    case ikHotspot:
    case ikBullet:
        if (i == 0)
            itemName_ = std::string(line);
        else
            extraProperty(line);
        break;
    case ikTable: tableLine(line, i); break;
    case ikLabel:
    case ikNoteReference: {
        auto &l = static_cast<TRVLabelItemInfo &>(*item_);
        if (i == 0)
            l.Text = std::string(line);
        else if (i <= 4)
            labelLine(l, line, i - 1);
        else if (i == 5)
            itemName_ = std::string(line);
        else
            extraProperty(line);
        break;
    }
    case ikSequence: sequenceLine(line, i); break;
    case ikFootnote:
    case ikEndnote: noteLine(line, i); break;
    default:
        extraProperty(line); // horizontal lines, list markers, tabs
        break;
    }
}

void Reader::pictureLine(std::string_view line, int i)
{
    auto &pic = static_cast<TRVGraphicItemInfo &>(*item_);
    if (i == 0) {
        itemName_ = std::string(line);
        if (encoding_ == rtExternal && d_.OnRVFPictureNeeded)
            pic.Image = d_.OnRVFPictureNeeded(itemName_, tag_);
    } else if (encoding_ == rtExternal) {
        extraProperty(line);
    } else if (i == 1) {
        pic.Image = CreateGraphicByClassName(line);
        if (!pic.Image) {
            d_.LoadWarnings |= lwUnknownPictureFormat;
            if (!(opts_ & rvfoIgnoreUnknownPicFmt))
                fail(RvfErrorKind::Picture, "Unknown picture format");
        }
    } else if (i == lineCount_ - 1) {
        std::string bytes = bodyBytes(line, true);
        if (pic.Image && !pic.Image->LoadFromBytes(bytes)) {
            // Unreadable data shows the sheet's invalid picture; the read goes on.
            pic.Image = st_.InvalidPicture().Clone();
            d_.LoadWarnings |= lwInvalidPicture;
        }
    } else {
        extraProperty(line);
    }
    if (encoding_ != rtExternal)
        binaryBodyNext(i, 2);
}

void Reader::controlLine(std::string_view line, int i)
{
    auto &ctl = static_cast<TRVControlItemInfo &>(*item_);
    const bool last = i == lineCount_ - 1;
    if (i == 0) {
        itemName_ = std::string(line);
        if (encoding_ == rtExternal && d_.OnRVFControlNeeded)
            ctl.HasControl = d_.OnRVFControlNeeded(itemName_, tag_);
    } else if (encoding_ == rtExternal) {
        extraProperty(line);
    } else if (i == 1) {
        ctl.ControlClassName = std::string(line);
    } else if (last) {
        // No control classes are registered, so no control can be made.
        d_.LoadWarnings |= lwUnknownControl;
        fail(RvfErrorKind::Control, "Unknown control class");
    } else {
        extraProperty(line);
    }
    if (encoding_ != rtExternal)
        binaryBodyNext(i, 2);
    if (last && !ctl.HasControl) {
        d_.LoadWarnings |= lwUnknownControl;
        if (!(opts_ & rvfoIgnoreUnknownCtrls))
            fail(RvfErrorKind::Control, "Unknown control");
    }
}

void Reader::tableLine(std::string_view line, int i)
{
    auto &t = static_cast<TRVTableItemInfo &>(*item_);
    if (i == 0) {
        itemName_ = std::string(line);
    } else if (i == lineCount_ - 1) {
        t.StoredBody = bodyBytes(line, true);
        ReadTableBody(t, t.StoredBody, d_, d_.LoadWarnings);
    } else {
        extraProperty(line);
    }
    binaryBodyNext(i, 1);
}

void Reader::sequenceLine(std::string_view line, int i)
{
    auto &s = static_cast<TRVSeqItemInfo &>(*item_);
    switch (i) {
    case 0: s.SeqName = std::string(line); break;
    case 1: {
        int t = intOrZero(line);
        s.NumberType = TRVSeqType(t >= rvseqDecimal && t <= rvseqUpperRoman ? t : rvseqDecimal);
        break;
    }
    case 2: s.Reset = line != "0"; break;
    case 3: s.StartFrom = intOrZero(line); break;
    case 4: case 5: case 6: case 7: labelLine(s, line, i - 4); break;
    case 8: itemName_ = std::string(line); break;
    case 9: s.FormatString = std::string(line); break;
    default: extraProperty(line);
    }
}

void Reader::noteLine(std::string_view line, int i)
{
    auto &note = static_cast<TCustomRVNoteItemInfo &>(*item_);
    if (i <= 3)
        labelLine(note, line, i);
    else if (i == 4)
        note.Reset = line != "0";
    else if (i == 5)
        note.StartFrom = intOrZero(line);
    else if (i == 6)
        itemName_ = std::string(line);
    else if (i == lineCount_ - 1)
        readNoteDocument(note, line);
    else
        extraProperty(line);
    binaryBodyNext(i, 7);
}

void Reader::readNoteDocument(TCustomRVNoteItemInfo &note, std::string_view line)
{
    if (gNesting >= kMaxNesting)
        fail(RvfErrorKind::Note, "Invalid RVF format: notes nested too deeply");
    std::string body = bodyBytes(line, true);
    note.Document = std::make_unique<TCustomRVData>(&st_);
    note.Document->OwnsStyleSheet = false;
    note.Document->DocParameters.reset();
    note.Document->RVFOptions = opts_;
    note.Document->RVFTextStylesReadMode = d_.RVFTextStylesReadMode;
    note.Document->RVFParaStylesReadMode = d_.RVFParaStylesReadMode;
    int at = 0;
    // The depth goes back down however the inner read ends.
    struct Depth {
        Depth() { ++gNesting; }
        ~Depth() { --gNesting; }
    };
    bool ok;
    {
        Depth depth;
        // The note shares the sheet: when the outer read only inserts, its
        // style tables must be merged, never put in place of the sheet's.
        ok = ReadRVFStream(*note.Document, body, at, load_);
    }
    d_.LoadWarnings |= note.Document->LoadWarnings;
    if (!ok)
        throw EReadViewError("Invalid RVF format: note document: " + note.Document->LoadError.Text(),
                             RvfErrorKind::Note);
}

} // namespace rv::rvfread
