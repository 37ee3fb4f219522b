#include "rvf_reader.h"

#include "rv_marker.h"

#include "platform/codepage.h"
#include "rv_error.h"
#include "rv_graphic.h"
#include "rv_table.h"
#include "rvf_styles.h"

#include <charconv>
#include <cstring>
#include <fstream>
#include <new>
#include <iterator>

namespace rv {

using namespace platform;

namespace {

enum TRVFDataEncoding { rtText = 0, rtExternal = 1, rtBinary = 2, rtHexUnicode = 3 };
enum TFraming { fmText, fmTextThenBinary, fmBinary, fmTextThenUnicode, fmUnicode, fmUnicodeLast };
enum TReadState { rsHeader, rsDataLines, rsSkipLines };
enum TPropSubtype { psTextStyles = 1, psParaStyles = 2, psLayout = 3, psListStyles = 4, psDocProperties = 5,
                    psMarkers = 6, psDocParameters = 7 };

// Notes carry documents of their own; a hostile file must not nest them without end.
constexpr int kMaxNesting = 16;
thread_local int gNesting = 0;

[[noreturn]] void fail(RvfErrorKind kind, const char *why) { throw EReadViewError(why, kind); }

int hexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Strict integer: optional minus and decimal digits, within 32 bits.
bool parseInt(std::string_view s, int &out)
{
    if (s.empty() || (s[0] != '-' && (s[0] < '0' || s[0] > '9')))
        return false;
    auto r = std::from_chars(s.data(), s.data() + s.size(), out);
    return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

// Extra property values: a decimal integer, 0 when not numeric.
int intOrZero(std::string_view s)
{
    int v;
    return parseInt(s, v) ? v : 0;
}

// The first CR, LF or NUL at or after `from` (or `n`). Text lines are most of a
// study, so this looks at eight bytes at a time.
size_t lineEnd(const char *b, size_t from, size_t n)
{
    constexpr uint64_t ones = 0x0101010101010101ull, highs = 0x8080808080808080ull;
    auto hasZero = [](uint64_t v) { return (v - ones) & ~v & highs; };
    size_t p = from;
    for (; p + 8 <= n; p += 8) {
        uint64_t w;
        std::memcpy(&w, b + p, 8);
        if (hasZero(w) | hasZero(w ^ (ones * '\n')) | hasZero(w ^ (ones * '\r')))
            break;
    }
    while (p < n && b[p] != '\0' && b[p] != '\n' && b[p] != '\r')
        ++p;
    return p;
}

// Fields of a header line, separated by exactly one space.
class HeaderCursor {
public:
    explicit HeaderCursor(std::string_view s) : s_(s) {}
    bool atEnd() const { return pos_ >= s_.size(); }
    bool startsWith(char c) const { return !atEnd() && s_[pos_] == c; }
    bool startsNumber() const { return !atEnd() && (s_[pos_] == '-' || (s_[pos_] >= '0' && s_[pos_] <= '9')); }

    // A number ended by one space (consumed) or the end of the line.
    bool number(int &out)
    {
        size_t start = pos_, p = pos_;
        if (p < s_.size() && s_[p] == '-')
            ++p;
        size_t digits = p;
        while (p < s_.size() && s_[p] >= '0' && s_[p] <= '9')
            ++p;
        if (p == digits || (p < s_.size() && s_[p] != ' '))
            return false;
        int64_t v = 0;
        auto r = std::from_chars(s_.data() + start, s_.data() + p, v);
        if (r.ec != std::errc() || v < INT32_MIN || v > INT32_MAX)
            return false;
        out = int(v);
        pos_ = p < s_.size() ? p + 1 : p;
        return true;
    }
    // A number or nothing at the end of the line.
    bool optionalNumber(int &out, int def)
    {
        if (atEnd()) {
            out = def;
            return true;
        }
        return number(out);
    }
    // Characters between double quotes ("" for one), then one optional space.
    // Without an opening quote the name is empty and nothing is consumed.
    bool quoted(std::string &out)
    {
        out.clear();
        if (!startsWith('"'))
            return true;
        size_t p = pos_ + 1;
        for (;;) {
            if (p >= s_.size())
                return false;
            if (s_[p] == '"') {
                if (p + 1 < s_.size() && s_[p + 1] == '"') {
                    out.push_back('"');
                    p += 2;
                    continue;
                }
                ++p;
                break;
            }
            out.push_back(s_[p++]);
        }
        if (p < s_.size() && s_[p] == ' ')
            ++p;
        pos_ = p;
        return true;
    }
    // The text up to the next space (consumed) or the end of the line.
    std::string_view word()
    {
        size_t sp = s_.find(' ', pos_);
        std::string_view w = s_.substr(pos_, sp == std::string_view::npos ? std::string_view::npos : sp - pos_);
        pos_ = sp == std::string_view::npos ? s_.size() : sp + 1;
        return w;
    }

private:
    std::string_view s_;
    size_t pos_ = 0;
};

struct Line {
    std::string_view text;
    size_t end = 0; // where the terminator starts
};

class Reader {
public:
    Reader(TCustomRVData &d, std::string_view buf, int &index, bool loadMode, TRVLayoutInfo *layout,
           TRVBackground *back, TColor *color)
        : d_(d), st_(*d.GetRVStyle()), buf_(buf), index_(index), load_(loadMode), layout_(layout), back_(back),
          color_(color), opts_(d.RVFOptions)
    {
    }
    ~Reader() { finishPending(false); }

    bool run();

private:
    // --- framing ---
    Line readLine();
    void advance(const Line &line);

    // --- records ---
    void parseHeader(std::string_view line);
    void readTail(HeaderCursor &h);
    void dataLine(std::string_view line, int i);
    void itemDataLine(std::string_view line, int i);
    void pictureLine(std::string_view line, int i);
    void controlLine(std::string_view line, int i);
    void tableLine(std::string_view line, int i);
    void sequenceLine(std::string_view line, int i);
    void noteLine(std::string_view line, int i);
    void readNoteDocument(TCustomRVNoteItemInfo &note, std::string_view line);
    static void labelLine(TRVLabelItemInfo &l, std::string_view line, int k);
    void binaryBodyNext(int i, int firstBodyLine);
    void propertiesLine(std::string_view line, int i);
    void readStyleTable(std::string_view line);
    void readLayout(std::string_view bytes);
    void readMarkers(std::string_view bytes);
    void extraProperty(std::string_view line);
    std::string bodyBytes(std::string_view line, bool mustDecode);
    void addItem(std::unique_ptr<TCustomRVItemInfo> item, std::string text);
    void addRecordItem();
    void finishPending(bool success);

    int mapTextStyle(int n, bool dropInsteadOfFail, bool &drop);

    TCustomRVData &d_;
    TRVStyle &st_;
    std::string_view buf_;
    size_t pos_ = 0;
    int &index_;
    bool load_;
    TRVLayoutInfo *layout_;
    TRVBackground *back_;
    TColor *color_;
    uint16_t opts_;

    int version_ = 1, subversion_ = 0;
    TFraming fm_ = fmText;
    TReadState state_ = rsHeader;

    // the current record
    int style_ = 0, lineCount_ = 0, paraNo_ = 0, encoding_ = 0, tag_ = 0, subtype_ = 0;
    bool cpRaiseEvent_ = false, cpPersistent_ = false;
    std::unique_ptr<TCustomRVItemInfo> item_;
    std::string itemName_;
    bool unicodeText_ = false;

    std::vector<int> textMap_, paraMap_, listMap_;
    bool haveTextMap_ = false, haveParaMap_ = false, haveListMap_ = false;

    TRVCPInfo *prevCP_ = nullptr;
    std::unique_ptr<TRVCPInfo> pending_;
    bool pendingWasTrailing_ = false;
    bool atEnd_ = false;
    int firstAdded_ = -1;
    int lastAdded_ = -1;
};

Line Reader::readLine()
{
    Line l;
    size_t n = buf_.size();
    switch (fm_) {
    case fmBinary: {
        if (n - pos_ < 4)
            fail(RvfErrorKind::Truncated, "Invalid RVF format: binary block without length");
        auto *p = reinterpret_cast<const unsigned char *>(buf_.data() + pos_);
        size_t len = p[0] | p[1] << 8 | p[2] << 16 | size_t(p[3]) << 24;
        if (len > n - pos_ - 4)
            fail(RvfErrorKind::Truncated, "Invalid RVF format: binary block runs past the end");
        l.text = buf_.substr(pos_ + 4, len);
        l.end = pos_ + 4 + len;
        return l;
    }
    case fmUnicode:
    case fmUnicodeLast: {
        size_t p = pos_;
        while (p + 1 < n) {
            char16_t u = char16_t(uint8_t(buf_[p]) | uint8_t(buf_[p + 1]) << 8);
            if (u == 0x2029 || u == 0)
                break;
            p += 2;
        }
        l.text = buf_.substr(pos_, p - pos_);
        l.end = p;
        return l;
    }
    default: {
        size_t p = lineEnd(buf_.data(), pos_, n);
        l.text = buf_.substr(pos_, p - pos_);
        l.end = p;
        return l;
    }
    }
}

void Reader::advance(const Line &line)
{
    size_t p = line.end, n = buf_.size();
    switch (fm_) {
    case fmBinary:
        fm_ = fmText;
        break;
    case fmUnicode:
    case fmUnicodeLast:
        if (p + 1 < n) {
            char16_t u = char16_t(uint8_t(buf_[p]) | uint8_t(buf_[p + 1]) << 8);
            // A zero unit is consumed too, so every line moves the reading on.
            if (u == 0x2029 || u == 0)
                p += 2;
        } else if (p < n) {
            p = n; // an odd byte at the very end is no character
        }
        if (fm_ == fmUnicodeLast)
            fm_ = fmText;
        break;
    case fmTextThenBinary:
    case fmTextThenUnicode:
        if (n - p < 2 || buf_[p] != '\r' || buf_[p + 1] != '\n')
            fail(RvfErrorKind::Data, "Invalid RVF format: CR LF expected before binary data");
        p += 2;
        fm_ = fm_ == fmTextThenBinary ? fmBinary : fmUnicode;
        break;
    default:
        if (p < n && buf_[p] == '\0') {
            ++p; // a NUL ends the line and is consumed, so reading always moves on
            break;
        }
        if (p < n && buf_[p] == '\r')
            ++p;
        if (p < n && buf_[p] == '\n')
            ++p;
        break;
    }
    pos_ = p;
}

bool Reader::run()
{
    index_ = std::clamp(index_, 0, d_.ItemCount());
    atEnd_ = index_ == d_.ItemCount();
    if (atEnd_) {
        prevCP_ = d_.LastCP;
        if (d_.TrailingCheckpoint) {
            pending_ = std::move(d_.TrailingCheckpoint);
            pendingWasTrailing_ = true;
        }
    } else {
        prevCP_ = d_.FindCheckpointBefore(index_);
    }
    d_.LoadWarnings = 0;
    d_.LoadError = {};
    if (load_)
        d_.DocProperties.clear();
    bool ok = true;
    // Lines of the RVF text read so far; a binary block or a run of UTF-16
    // counts as the one line it stands for.
    int textLine = 0;
    try {
        int lineNo = 0;
        while (pos_ < buf_.size()) {
            ++textLine;
            Line line = readLine();
            switch (state_) {
            case rsHeader:
                parseHeader(line.text);
                lineNo = 0;
                break;
            case rsDataLines:
                dataLine(line.text, lineNo);
                if (++lineNo == lineCount_) {
                    state_ = rsHeader;
                    if (fm_ == fmUnicode)
                        fm_ = fmUnicodeLast;
                }
                break;
            case rsSkipLines:
                ++lineNo;
                if (lineNo + 1 == lineCount_ && encoding_ == rtBinary)
                    fm_ = fmTextThenBinary;
                if (lineNo == lineCount_)
                    state_ = rsHeader;
                break;
            }
            advance(line);
        }
        ok = state_ == rsHeader;
        if (!ok)
            d_.LoadError = {RvfErrorKind::Truncated, textLine,
                            "the text ends inside a record (" + std::to_string(lineNo) + " of "
                                + std::to_string(lineCount_) + " data lines read)"};
    } catch (const EReadViewError &e) {
        ok = false;
        d_.LoadError = {e.Kind, textLine, e.what()};
    } catch (const std::bad_alloc &) {
        throw;
    } catch (const std::exception &e) {
        ok = false;
        d_.LoadError = {RvfErrorKind::Other, textLine, e.what()};
    }
    item_.reset();
    try {
        // A marker never ends its paragraph.
        if (lastAdded_ >= 0 && d_.GetItemStyle(lastAdded_) == ikListMarker
            && (lastAdded_ + 1 >= d_.ItemCount() || d_.IsParaStart(lastAdded_ + 1))) {
            auto text = CreateItemForStyle(0);
            text->ParaNo = d_.GetItem(lastAdded_).ParaNo;
            text->SetContinuesParagraph(true);
            if (st_.TextStyles[0].Unicode)
                text->ItemOptions |= ioUnicode;
            d_.InsertItem(lastAdded_ + 1, std::string(), std::move(text));
            index_ = lastAdded_ + 2;
        }
        // The paragraph holding the first added item takes one paragraph style.
        if (firstAdded_ >= 0 && firstAdded_ < d_.ItemCount()) {
            int start = d_.GetFirstParaItem(firstAdded_);
            int paraNo = d_.GetItem(start).ParaNo;
            for (int i = start + 1; i < d_.ItemCount() && !d_.IsParaStart(i); ++i)
                d_.GetItem(i).ParaNo = paraNo;
        }
    } catch (const EReadViewError &e) {
        ok = false;
        d_.LoadError = {e.Kind, textLine, e.what()};
    }
    finishPending(ok);
    return ok;
}

void Reader::finishPending(bool success)
{
    if (!pending_)
        return;
    if (pendingWasTrailing_ || (success && atEnd_ && !d_.TrailingCheckpoint)) {
        if (!pendingWasTrailing_)
            ++d_.CPCount;
        pending_->ItemInfo = nullptr;
        d_.TrailingCheckpoint = std::move(pending_);
    }
    pending_.reset();
    pendingWasTrailing_ = false;
}

int Reader::mapTextStyle(int n, bool dropInsteadOfFail, bool &drop)
{
    drop = false;
    // A number outside the file's map or the sheet: style 0 when the options
    // allow it, else the item is dropped or the read ends.
    auto unknown = [&] {
        d_.LoadWarnings |= lwUnknownStyle;
        if (!(opts_ & rvfoConvUnknownStylesToZero)) {
            if (dropInsteadOfFail) {
                drop = true;
                return n;
            }
            fail(RvfErrorKind::Style, "Unknown text style");
        }
        return 0;
    };
    if (haveTextMap_) {
        if (n < 0 || size_t(n) >= textMap_.size())
            return unknown();
        n = textMap_[size_t(n)];
    }
    if (!st_.TextStyles.InRange(n))
        return unknown();
    return n;
}

void Reader::parseHeader(std::string_view text)
{
    HeaderCursor h(text);
    std::string name;
    auto styleOrName = [&](int &out, bool para) {
        if (h.startsNumber()) {
            if (!h.number(out))
                fail(RvfErrorKind::Header, "Invalid RVF header");
            return;
        }
        if (!h.quoted(name))
            fail(RvfErrorKind::Header, "Invalid RVF header");
        out = 0;
        if (para) {
            for (int i = 0; i < st_.ParaStyles.Count(); ++i)
                if (st_.ParaStyles[i].StyleName == name) {
                    out = i;
                    break;
                }
        } else {
            for (int i = 0; i < st_.TextStyles.Count(); ++i)
                if (st_.TextStyles[i].StyleName == name) {
                    out = i;
                    break;
                }
        }
    };
    item_.reset();
    itemName_.clear();
    unicodeText_ = false;
    styleOrName(style_, false);
    if (style_ == ikVersionRecord) {
        if (!h.number(version_) || !h.number(subversion_))
            fail(RvfErrorKind::Header, "Invalid RVF version record");
        return;
    }
    if (!h.number(lineCount_) || lineCount_ < 0)
        fail(RvfErrorKind::Header, "Invalid RVF header: line count");
    styleOrName(paraNo_, true);
    bool record = style_ == ikCheckpointRecord || style_ == ikBackgroundRecord || style_ == ikPropertiesRecord;
    if (!record)
        item_ = CreateItemForStyle(style_);
    if (version_ >= 1 && subversion_ >= 2) {
        int options;
        if (!h.number(options))
            fail(RvfErrorKind::Header, "Invalid RVF header: item options");
        if (item_)
            item_->ItemOptions = uint8_t(options);
    }
    if (!h.number(encoding_))
        fail(RvfErrorKind::Header, "Invalid RVF header: data encoding");
    // Tags are integers here: a word, or (in newer streams) a quoted string.
    std::string tagText;
    if ((version_ > 1 || subversion_ > 2) && h.startsWith('"')) {
        if (!h.quoted(tagText))
            fail(RvfErrorKind::Header, "Invalid RVF header: tag");
    } else {
        tagText = std::string(h.word());
    }
    if (!parseInt(tagText, tag_))
        fail(RvfErrorKind::Header, "Invalid RVF header: tag");
    if (item_)
        item_->Tag = tag_;
    if (style_ == ikPropertiesRecord) {
        if (!h.number(subtype_))
            fail(RvfErrorKind::Header, "Invalid RVF header: properties subtype");
        // Page setup is reset only when this read will fill it in.
        if (subtype_ == psDocParameters && d_.DocParameters && load_ && (opts_ & rvfoLoadDocProperties))
            d_.DocParameters->Reset();
    }
    if (item_ && style_ >= 0 && style_ != ParagraphDefaultStyle) {
        bool drop;
        item_->StyleNo = style_ = mapTextStyle(style_, false, drop);
    }
    if (item_ && paraNo_ != -1) {
        if (paraNo_ < 0)
            paraNo_ = INT32_MAX; // no paragraph style has a negative number
        if (haveParaMap_) {
            if (size_t(paraNo_) >= paraMap_.size()) {
                d_.LoadWarnings |= lwUnknownStyle;
                fail(RvfErrorKind::Style, "Unknown paragraph style");
            }
            paraNo_ = paraMap_[size_t(paraNo_)];
        }
        if (!st_.ParaStyles.InRange(paraNo_)) {
            d_.LoadWarnings |= lwUnknownStyle;
            if (!(opts_ & rvfoConvUnknownStylesToZero))
                fail(RvfErrorKind::Style, "Unknown paragraph style");
            paraNo_ = 0;
        }
    }
    if (item_)
        item_->ParaNo = paraNo_;
    readTail(h);

    if (lineCount_ == 0) {
        if (item_)
            addRecordItem();
        item_.reset();
        state_ = rsHeader;
    } else if (item_ || record) {
        state_ = rsDataLines;
        if (item_ && item_->IsText() && (item_->ItemOptions & ioUnicode) && encoding_ != rtHexUnicode) {
            unicodeText_ = true;
            fm_ = fmTextThenUnicode;
        }
    } else {
        state_ = rsSkipLines;
        if (lineCount_ == 1 && encoding_ == rtBinary)
            fm_ = fmTextThenBinary;
    }
}

void Reader::readTail(HeaderCursor &h)
{
    int a = 0, b = 0, c = 0, e = 0;
    auto need = [&](bool ok) {
        if (!ok)
            fail(RvfErrorKind::Header, "Invalid RVF header tail");
    };
    if (style_ >= 0 && item_) {
        std::string hint;
        need(h.quoted(hint));
        item_->Hint = hint;
        need(h.atEnd());
        return;
    }
    switch (style_) {
    case ikCheckpointRecord:
        need(h.optionalNumber(a, 0) && h.optionalNumber(b, 0));
        cpRaiseEvent_ = a != 0;
        cpPersistent_ = b != 0;
        break;
    case ikBackgroundRecord:
        need(h.number(a) && h.number(b));
        if (load_ && (opts_ & rvfoLoadBack)) {
            if (color_)
                *color_ = TColor(b);
            if (back_) {
                back_->Style = TBackgroundStyle(a >= bsNoBitmap && a <= bsBottomRight ? a : bsNoBitmap);
                back_->Bitmap.reset();
            }
        }
        break;
    case ikHorizontalLine: {
        auto *br = static_cast<TRVBreakItemInfo *>(item_.get());
        if (!h.atEnd()) {
            need(h.number(a) && h.number(b) && h.number(c));
            br->LineColor = TColor(a);
            br->LineStyle = TRVBreakStyle(uint8_t(b));
            br->LineWidth = uint8_t(c);
        }
        break;
    }
    case ikPicture: case ikHotPicture: case ikControl: case ikLabel: case ikSequence: case ikFootnote:
    case ikEndnote: case ikNoteReference:
        if (item_) {
            need(h.optionalNumber(a, 0));
            static_cast<TRVRectItemInfo *>(item_.get())->VerticalAlign = TRVVAlign(uint8_t(a));
        }
        break;
    case ikHotspot: case ikBullet: {
        if (!item_)
            break;
        auto *bu = static_cast<TRVBulletItemInfo *>(item_.get());
        need(h.number(a) && h.number(b));
        c = b;
        if (style_ == ikHotspot)
            need(h.optionalNumber(c, b));
        bu->ImageListTag = a;
        bu->ImageIndex = b;
        if (style_ == ikHotspot)
            static_cast<TRVHotspotItemInfo *>(bu)->HotImageIndex = c;
        if (d_.OnRVFImageListNeeded)
            bu->ImageList = d_.OnRVFImageListNeeded(a);
        if (bu->ImageList) {
            int count = bu->ImageList->Count();
            for (int *idx : {&bu->ImageIndex, style_ == ikHotspot ? &static_cast<TRVHotspotItemInfo *>(bu)->HotImageIndex : nullptr}) {
                if (idx && *idx >= count) {
                    d_.LoadWarnings |= lwImageIndexTooLarge;
                    if (!(opts_ & rvfoConvLargeImageIdxToZero))
                        fail(RvfErrorKind::Picture, "Image index out of range");
                    *idx = 0;
                }
            }
        }
        break;
    }
    case ikListMarker: {
        if (!item_)
            break;
        auto *m = static_cast<TRVMarkerItemInfo *>(item_.get());
        need(h.number(a) && h.number(b) && h.number(c) && h.number(e));
        m->ListNo = a;
        m->Level = b;
        m->StartFrom = c;
        m->Reset = e != 0;
        break;
    }
    case ikTab:
        if (item_) {
            need(h.optionalNumber(a, 0));
            item_->SetAssociatedTextStyleNo(a);
        }
        break;
    default:
        break; // tables and unknown kinds: the rest is not read
    }
}

void Reader::dataLine(std::string_view line, int i)
{
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
    if (item_ && item_->IsText()) {
        auto text = item_->Clone();
        std::string s;
        if ((item_->ItemOptions & ioUnicode) && encoding_ == rtHexUnicode)
            HexToBytes(line, s);
        else
            s = std::string(line);
        addItem(std::move(text), std::move(s));
        if (i + 1 == lineCount_)
            item_.reset();
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

void Reader::propertiesLine(std::string_view line, int i)
{
    if (i == 0 && encoding_ == rtBinary && lineCount_ > 1)
        fm_ = fmTextThenBinary;
    switch (subtype_) {
    case psTextStyles: case psParaStyles: case psListStyles:
        if (i == 1)
            readStyleTable(line);
        break;
    case psLayout:
        if (i == 1 && load_ && layout_ && (opts_ & rvfoLoadLayout))
            readLayout(bodyBytes(line, true));
        break;
    case psMarkers:
        if (i == 1 && load_ && (opts_ & rvfoLoadLayout))
            readMarkers(bodyBytes(line, true));
        break;
    case psDocProperties:
        if (load_ && (opts_ & rvfoLoadDocProperties)) {
            std::string s(line);
            for (char &c : s)
                c = c == '\x01' ? '\r' : c == '\x02' ? '\n' : c;
            d_.DocProperties.push_back(std::move(s));
        }
        break;
    case psDocParameters:
        if (load_ && (opts_ & rvfoLoadDocProperties) && d_.DocParameters)
            d_.DocParameters->SetFromLine(line);
        break;
    default:
        break;
    }
}

void Reader::readStyleTable(std::string_view line)
{
    TRVFReaderStyleMode mode = subtype_ == psTextStyles ? d_.RVFTextStylesReadMode : d_.RVFParaStylesReadMode;
    if (mode == rvf_sIgnore)
        return;
    std::string bytes;
    if (encoding_ == rtBinary)
        bytes = std::string(line);
    else if (line.size() % 2 == 0)
        HexToBytes(line, bytes); // a bad digit keeps what came before it
    if (bytes.empty())
        return;
    bool unknown = false;
    switch (subtype_) {
    case psTextStyles: {
        TFontInfos tmp;
        DecodeTextStyles(bytes, tmp, &unknown);
        if (tmp.Count() && !haveTextMap_) {
            if (load_)
                st_.TextStyles.Assign(tmp);
            else {
                textMap_ = MergeTextStyles(st_.TextStyles, tmp, mode);
                haveTextMap_ = true;
            }
        }
        break;
    }
    case psParaStyles: {
        TParaInfos tmp;
        DecodeParaStyles(bytes, tmp, &unknown);
        if (tmp.Count() && !haveParaMap_) {
            if (load_)
                st_.ParaStyles.Assign(tmp);
            else {
                paraMap_ = MergeParaStyles(st_.ParaStyles, tmp, mode, haveTextMap_ ? &textMap_ : nullptr);
                haveParaMap_ = true;
            }
        }
        break;
    }
    default: {
        TRVListInfos tmp;
        DecodeListStyles(bytes, tmp, &unknown);
        if (tmp.Count() && !haveListMap_) {
            if (load_) {
                bool allow = st_.ListStyles.FRVFAllowAssignListID;
                st_.ListStyles.FRVFAllowAssignListID = true;
                st_.ListStyles.Assign(tmp);
                st_.ListStyles.FRVFAllowAssignListID = allow;
            } else {
                listMap_ = MergeListStyles(st_.ListStyles, tmp, mode);
                haveListMap_ = true;
            }
        }
        break;
    }
    }
    if (unknown)
        d_.LoadWarnings |= lwUnknownStyleProperty;
}

static int32_t le32(std::string_view b, size_t off)
{
    return int32_t(uint8_t(b[off]) | uint8_t(b[off + 1]) << 8 | uint8_t(b[off + 2]) << 16 | uint32_t(uint8_t(b[off + 3])) << 24);
}

void Reader::readLayout(std::string_view b)
{
    if (b.size() < 8)
        fail(RvfErrorKind::Data, "Invalid RVF format: layout record too short");
    int32_t kind = le32(b, 0), size = le32(b, 4);
    size_t off = 8;
    if (kind == 0) {
        if (size < 25 || b.size() < off + 25)
            fail(RvfErrorKind::Data, "Invalid RVF format: layout record too short");
        layout_->LeftMargin = le32(b, off);
        layout_->RightMargin = le32(b, off + 4);
        layout_->TopMargin = le32(b, off + 8);
        layout_->BottomMargin = le32(b, off + 12);
        layout_->MinTextWidth = le32(b, off + 16);
        layout_->MaxTextWidth = le32(b, off + 20);
        uint8_t bidi = uint8_t(b[off + 24]);
        layout_->BiDiMode = TRVBiDiMode(bidi <= rvbdRightToLeft ? bidi : uint8_t(rvbdUnspecified));
        off += 25;
        size -= 25;
    }
    if (size >= 16 && b.size() >= off + 16) {
        layout_->FirstParaAborted = le32(b, off);
        layout_->LastParaAborted = le32(b, off + 4);
        layout_->FirstMarkerListNo = le32(b, off + 8);
        layout_->FirstMarkerLevel = le32(b, off + 12);
    }
    layout_->Loaded = true;
}

void Reader::readMarkers(std::string_view b)
{
    if (b.size() < 8)
        fail(RvfErrorKind::Data, "Invalid RVF format: marker state");
    int32_t count = le32(b, 4);
    if (count < 0 || size_t(count) > (b.size() - 8) / 17)
        fail(RvfErrorKind::Data, "Invalid RVF format: marker state");
    d_.StoredMarkers.clear();
    for (int32_t k = 0; k < count; ++k) {
        size_t off = 8 + size_t(k) * 17;
        TRVMarkerState m;
        m.ListNo = le32(b, off);
        m.Level = le32(b, off + 4);
        m.Reset = b[off + 8] != 0;
        m.StartFrom = le32(b, off + 9);
        m.Counter = le32(b, off + 13);
        if (haveListMap_ && m.ListNo >= 0)
            m.ListNo = size_t(m.ListNo) < listMap_.size() ? listMap_[size_t(m.ListNo)] : -1;
        d_.StoredMarkers.push_back(m);
    }
}

void Reader::addRecordItem()
{
    if (!item_)
        return;
    std::string name = itemName_;
    addItem(std::move(item_), std::move(name));
}

void Reader::addItem(std::unique_ptr<TCustomRVItemInfo> item, std::string text)
{
    if (!item->IsText()) {
        int assoc = item->GetAssociatedTextStyleNo();
        if (assoc >= 0 || dynamic_cast<TRVTabItemInfo *>(item.get()) || dynamic_cast<TRVLabelItemInfo *>(item.get())) {
            bool drop;
            int mapped = mapTextStyle(assoc, true, drop);
            if (drop)
                return;
            item->SetAssociatedTextStyleNo(mapped);
        }
        if (!item->HasValidContent())
            return;
    }
    // Paragraph: -1 continues the paragraph of the item before, unless that
    // one fills a line of its own.
    if (paraNo_ == -1 && index_ > 0 && !d_.GetItem(index_ - 1).IsFullLine()) {
        item->SetContinuesParagraph(true);
        item->ParaNo = d_.GetItem(index_ - 1).ParaNo;
    } else {
        item->ItemOptions &= uint8_t(~ioContinuesParagraph);
        item->ParaNo = paraNo_ == -1 ? 0 : paraNo_;
    }
    if (item->IsText()) {
        int style = item->StyleNo;
        if (style == ParagraphDefaultStyle) {
            style = st_.ParaStyles[item->ParaNo].DefStyleNo;
            if (style < 0)
                style = 0;
        }
        bool styleUnicode = st_.TextStyles[style].Unicode;
        bool itemUnicode = (item->ItemOptions & ioUnicode) != 0;
        int cp = st_.CodePageOfStyle(style);
        if (itemUnicode && !styleUnicode) {
            if (text.size() % 2)
                fail(RvfErrorKind::Data, "Can't perform Unicode operation");
            std::u16string w(text.size() / 2, u'\0');
            for (size_t k = 0; k < w.size(); ++k)
                w[k] = char16_t(uint8_t(text[2 * k]) | uint8_t(text[2 * k + 1]) << 8);
            text = fromUtf16(w, cp);
            item->ItemOptions &= uint8_t(~ioUnicode);
            d_.LoadWarnings |= lwConvertedFromUnicode;
        } else if (!itemUnicode && styleUnicode) {
            std::u16string w = toUtf16(text, cp);
            text.resize(w.size() * 2);
            for (size_t k = 0; k < w.size(); ++k) {
                text[2 * k] = char(w[k] & 0xFF);
                text[2 * k + 1] = char(w[k] >> 8);
            }
            item->ItemOptions |= ioUnicode;
            d_.LoadWarnings |= lwConvertedToUnicode;
        } else if (itemUnicode && text.size() % 2) {
            text.pop_back(); // half a UTF-16 unit is no character
        }
    }
    if (item->StyleNo == ikListMarker) {
        auto *m = static_cast<TRVMarkerItemInfo *>(item.get());
        if (haveListMap_ && m->ListNo >= 0)
            m->ListNo = size_t(m->ListNo) < listMap_.size() ? listMap_[size_t(m->ListNo)] : st_.ListStyles.Count();
        if (m->ListNo >= st_.ListStyles.Count()) {
            d_.LoadWarnings |= lwUnknownStyle;
            m->ListNo = st_.ListStyles.Count() > 0 ? 0 : -1;
        }
    }
    int at = index_;
    TCustomRVItemInfo *raw = item.get();
    d_.InsertItem(at, std::move(text), std::move(item));
    if (pending_) {
        bool wasTrailing = pendingWasTrailing_;
        TRVCPInfo *cp = pending_.get();
        d_.LinkCheckpoint(std::move(pending_), prevCP_, at);
        if (!wasTrailing)
            ++d_.CPCount;
        pendingWasTrailing_ = false;
        prevCP_ = cp;
        (void)raw;
    }
    if (firstAdded_ < 0)
        firstAdded_ = at;
    lastAdded_ = at;
    ++index_;
}

} // namespace

bool HexToBytes(std::string_view hex, std::string &out)
{
    out.clear();
    if (hex.size() % 2)
        return false;
    out.reserve(hex.size() / 2);
    for (size_t i = 0; i < hex.size(); i += 2) {
        int hi = hexValue(hex[i]), lo = hexValue(hex[i + 1]);
        if (hi < 0 || lo < 0)
            return false;
        out.push_back(char(hi << 4 | lo));
    }
    return true;
}

bool ReadRVFStream(TCustomRVData &data, std::string_view stream, int &index, bool loadMode, TRVLayoutInfo *layout,
                   TRVBackground *background, TColor *color)
{
    if (!data.GetRVStyle()) {
        data.LoadError = {RvfErrorKind::Other, 0, "the document has no style sheet"};
        return false;
    }
    Reader reader(data, stream, index, loadMode, layout, background, color);
    bool ok = reader.run();
    // Markers are numbered in document order once the items are in, a failed
    // read included (the items read so far stay and show).
    NumberListMarkers(data);
    NumberNotes(data);
    return ok;
}

bool LoadRVFFromFile(TCustomRVData &data, const std::filesystem::path &path, TRVLayoutInfo *layout,
                     TRVBackground *background, TColor *color)
{
    data.Clear();
    data.LoadError = {};
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        data.LoadError = {RvfErrorKind::File, 0, "it is a folder, not a file"};
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        data.LoadError = {RvfErrorKind::File, 0, "the file cannot be opened"};
        return false;
    }
    std::string bytes;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) {
        data.LoadError = {RvfErrorKind::File, 0, "the file cannot be read"};
        return false;
    }
    int index = 0;
    return ReadRVFStream(data, bytes, index, true, layout, background, color);
}

} // namespace rv
