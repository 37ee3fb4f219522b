// Reading RVF text: framing of lines and binary blocks, record headers, and
// adding the items read to the document.
#include "rvf_reader.h"
#include "rvf_reader_impl.h"

#include "platform/codepage.h"
#include "rv_graphic.h"
#include "rv_marker.h"
#include "rv_table.h"
#include "rvf_styles.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <new>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace rv {

using namespace platform;

namespace rvfread {

[[noreturn]] void fail(RvfErrorKind kind, const char *why) { throw EReadViewError(why, kind); }

// Strict integer: optional minus and decimal digits, within 32 bits.
bool parseInt(std::string_view s, int &out)
{
    const char *end = s.data() + s.size();
    int v = 0;
    const char *p = scanInt(s.data(), end, v);
    if (!p || p != end)
        return false;
    out = v;
    return true;
}

// Extra property values: a decimal integer, 0 when not numeric.
int intOrZero(std::string_view s)
{
    int v;
    return parseInt(s, v) ? v : 0;
}

namespace {

// The first CR, LF or NUL at or after `from` (or `n`). Text lines are most of a
// study, so this looks at sixteen bytes at a time (eight without SSE2).
size_t lineEnd(const char *b, size_t from, size_t n)
{
    size_t p = from;
#if defined(__SSE2__)
    const __m128i nl = _mm_set1_epi8('\n'), cr = _mm_set1_epi8('\r'), zero = _mm_setzero_si128();
    const __m128i low = _mm_set1_epi8('\r');
    for (; p + 16 <= n; p += 16) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(b + p));
        // One test for bytes up to CR first: text has few of them besides line ends.
        if (!_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(v, low), v)))
            continue;
        __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, nl), _mm_cmpeq_epi8(v, cr)), _mm_cmpeq_epi8(v, zero));
        if (unsigned mask = unsigned(_mm_movemask_epi8(hit)))
            return p + size_t(__builtin_ctz(mask));
    }
#else
    constexpr uint64_t ones = 0x0101010101010101ull, highs = 0x8080808080808080ull;
    auto hasZero = [](uint64_t v) { return (v - ones) & ~v & highs; };
    for (; p + 8 <= n; p += 8) {
        uint64_t w;
        std::memcpy(&w, b + p, 8);
        if (hasZero(w) | hasZero(w ^ (ones * '\n')) | hasZero(w ^ (ones * '\r')))
            break;
    }
#endif
    while (p < n && b[p] != '\0' && b[p] != '\n' && b[p] != '\r')
        ++p;
    return p;
}


// A header of six one-digit fields, each with or without a minus and one space
// apart, up to its line's end ("0 1 -1 1 0 0"): the form of most text
// records' headers, told apart with one look at sixteen bytes. True with the
// fields in h and p at the line end; false, with nothing changed, for any
// other form (the general loop then decides).
inline bool oneDigitFields(const char *&p, const char *end, TextHeader &h)
{
#if defined(__SSE2__)
    if (end - p < 16)
        return false;
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
    auto mask = [&](char c) { return unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8(c)))); };
    const unsigned stops = mask('\n') | mask('\r') | mask('\0');
    if (!stops)
        return false;
    const unsigned stop = unsigned(__builtin_ctz(stops)), line = (1u << stop) - 1;
    // Digits: byte - '0' from 0 to 9 as a signed byte (no other byte lands there).
    const __m128i shifted = _mm_sub_epi8(v, _mm_set1_epi8('0'));
    const unsigned digits = unsigned(_mm_movemask_epi8(_mm_and_si128(_mm_cmpgt_epi8(shifted, _mm_set1_epi8(-1)),
                                                                      _mm_cmplt_epi8(shifted, _mm_set1_epi8(10)))))
                            & line;
    const unsigned spaces = mask(' ') & line;
    // The two usual layouts, "0 1 0 0 0 0" and "0 1 -1 1 0 0", read in place:
    // their masks leave no room for any other byte.
    if (stop == 11 && digits == 0x555 && spaces == 0x2AA) {
        h = {p[0] - '0', p[2] - '0', p[4] - '0', p[6] - '0', p[8] - '0', p[10] - '0'};
        p += stop;
        return true;
    }
    const unsigned minus = mask('-') & line;
    if (stop == 12 && digits == 0xAA5 && spaces == 0x54A && minus == 0x10) {
        h = {p[0] - '0', p[2] - '0', '0' - p[5], p[7] - '0', p[9] - '0', p[11] - '0'};
        p += stop;
        return true;
    }
    // Every byte before the end is one of these; a minus is followed by a digit, a
    // space by a digit or a minus, a digit by a space or the end; a space follows a
    // digit, and a field starts the line or follows a space. So the line is fields
    // one space apart, one more than its spaces, which must be five.
    unsigned fifth = spaces;
    for (int k = 0; k < 4; ++k)
        fifth &= fifth - 1;
    if ((digits | minus | spaces) != line || !fifth || (fifth & (fifth - 1)) || ((minus << 1) & ~digits)
        || ((spaces << 1) & ~(digits | minus)) || ((digits << 1) & ~(spaces | (line + 1))) || (spaces & ~(digits << 1))
        || (minus & ~((spaces << 1) | 1u)) || (digits & ~((spaces << 1) | (minus << 1) | 1u)))
        return false;
    int f[6];
    unsigned d = digits;
    for (int k = 0; k < 6; ++k) {
        const unsigned i = unsigned(__builtin_ctz(d));
        d &= d - 1;
        const int value = p[i] - '0', negative = int(((minus << 1) >> i) & 1);
        f[k] = (value ^ -negative) + negative;
    }
    h.set(f);
    p += stop;
    return true;
#else
    (void)p, (void)end, (void)h;
    return false;
#endif
}

// A header of six numbers and nothing else, up to its line's end; p then at
// that end. False for any other header.
bool numbersOnly(const char *&p, const char *end, TextHeader &h)
{
    if (oneDigitFields(p, end, h))
        return true;
    int f[6];
    for (int k = 0; k < 6; ++k) {
        if (k > 0) {
            if (p == end || *p != ' ')
                return false;
            ++p;
        }
        // Most fields are one digit, with or without a minus.
        const char *q = p + (p < end && *p == '-');
        if (end - q >= 2 && unsigned(q[0] - '0') < 10 && unsigned(q[1] - '0') >= 10) {
            f[k] = q == p ? q[0] - '0' : '0' - q[0];
            p = q + 1;
        } else if (!(p = scanInt(p, end, f[k]))) {
            return false;
        }
    }
    h.set(f);
    return p == end || *p == '\r' || *p == '\n' || *p == '\0';
}
} // namespace

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
        p = afterLineEnd(p);
        break;
    }
    pos_ = p;
}

// Past the end of a text line at p: a NUL, or CR, LF or CR LF.
size_t Reader::afterLineEnd(size_t p) const
{
    size_t n = buf_.size();
    if (p < n && buf_[p] == '\0')
        return p + 1; // a NUL ends the line and is consumed, so reading always moves on
    if (p < n && buf_[p] == '\r')
        ++p;
    if (p < n && buf_[p] == '\n')
        ++p;
    return p;
}

// Where the read starts, and what a fresh read clears.
void Reader::begin()
{
    index_ = std::clamp(index_, 0, d_.ItemCount());
    numbering_ = d_.ItemCount() > 0;
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
    // About one item per 64 bytes in a study; reserving ahead saves moving the list as it grows.
    d_.ReserveItems(buf_.size() / 64);
    d_.LoadWarnings = 0;
    d_.LoadError = {};
    if (load_)
        d_.DocProperties.clear();
}

// Reads every record; textLine counts the lines of the RVF text read so far
// (a binary block or a run of UTF-16 counts as the one line it stands for).
bool Reader::readAll(int &textLine)
{
    int lineNo = 0;
    while (pos_ < buf_.size()) {
        if (state_ == rsHeader && fm_ == fmText && textRecord(textLine, lineNo))
            continue;
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
    if (state_ == rsHeader)
        return true;
    d_.LoadError = {RvfErrorKind::Truncated, textLine,
                    "the text ends inside a record (" + std::to_string(lineNo) + " of " + std::to_string(lineCount_)
                        + " data lines read)"};
    return false;
}

// Closes what the added items leave open: the paragraph of a last marker and
// the paragraph style of the first added item's paragraph.
void Reader::closeAdded()
{
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
}

bool Reader::run()
{
    begin();
    bool ok = true;
    int textLine = 0;
    try {
        ok = readAll(textLine);
    } catch (const EReadViewError &e) {
        ok = false;
        d_.LoadError = {e.Kind, textLine, e.what()};
    } catch (const std::bad_alloc &) {
        throw;
    } catch (const std::exception &e) {
        ok = false;
        d_.LoadError = {RvfErrorKind::Other, textLine, e.what()};
    }
    dropItem();
    try {
        closeAdded();
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

// A style given by number, or by name between quotes (0 when no style has it).
void Reader::styleOrName(HeaderCursor &h, int &out, bool para)
{
    if (h.startsNumber()) {
        if (!h.number(out))
            fail(RvfErrorKind::Header, "Invalid RVF header");
        return;
    }
    std::string name;
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
}

void Reader::parseHeader(std::string_view text)
{
    HeaderCursor h(text);
    dropItem();
    itemName_.clear();
    unicodeText_ = false;
    styleOrName(h, style_, false);
    if (style_ == ikVersionRecord) {
        if (!h.number(version_) || !h.number(subversion_))
            fail(RvfErrorKind::Header, "Invalid RVF version record");
        return;
    }
    bool record = recordFields(h);
    mapItemStyles();
    readTail(h);
    startBody(record);
}

// Most records are a text item's, its header numbers only: "style lines
// para options encoding tag". Such a record (header and text lines) is read
// here straight from the buffer, doing what the general path would; false,
// with nothing changed, for a header of any other form.
bool Reader::textRecord(int &textLine, int &lineNo)
{
    const char *b = buf_.data(), *p = b + pos_, *end = b + buf_.size();
    if (!plainText_ || version_ < 1 || subversion_ < 2 || unsigned(*p - '0') >= 10)
        return false;
    TextHeader h;
    // A Unicode item's lines are framed differently; no lines make an item at once.
    if (!numbersOnly(p, end, h) || h.lines <= 0 || (uint8_t(h.options) & ioUnicode))
        return false;
    ++textLine;
    if (item_)
        dropItem();
    itemName_.clear();
    unicodeText_ = false;
    lineCount_ = h.lines;
    encoding_ = h.encoding;
    tag_ = h.tag;
    style_ = h.style;
    if (style_ != ParagraphDefaultStyle) {
        bool drop;
        style_ = mapTextStyle(style_, false, drop);
    }
    h.style = style_;
    paraNo_ = mapParaStyle(h.para);
    state_ = rsDataLines;
    styleMatches_ = style_ != ParagraphDefaultStyle && !st_.TextStyles[style_].Unicode;
    pos_ = afterLineEnd(size_t(p - b));
    const size_t n = buf_.size();
    for (lineNo = 0; lineNo < lineCount_; ++lineNo) {
        if (pos_ >= n)
            return true; // the text ends inside the record
        ++textLine;
        size_t e = lineEnd(b, pos_, n);
        addPlainText(h, std::string_view(b + pos_, e - pos_));
        pos_ = e + 1 < n && b[e] == '\r' && b[e + 1] == '\n' ? e + 2 : afterLineEnd(e);
    }
    state_ = rsHeader;
    return true;
}

// The fields every record header has after its style, up to the tail; makes
// the item unless the record is one of the document's own. True for those.
bool Reader::recordFields(HeaderCursor &h)
{
    if (!h.number(lineCount_) || lineCount_ < 0)
        fail(RvfErrorKind::Header, "Invalid RVF header: line count");
    styleOrName(h, paraNo_, true);
    bool record = style_ == ikCheckpointRecord || style_ == ikBackgroundRecord || style_ == ikPropertiesRecord;
    if (!record)
        item_ = makeRecordItem();
    if (version_ >= 1 && subversion_ >= 2) {
        int options;
        if (!h.number(options))
            fail(RvfErrorKind::Header, "Invalid RVF header: item options");
        if (item_)
            item_->ItemOptions = uint8_t(options);
    }
    if (!h.number(encoding_))
        fail(RvfErrorKind::Header, "Invalid RVF header: data encoding");
    readTag(h);
    if (style_ == ikPropertiesRecord) {
        if (!h.number(subtype_))
            fail(RvfErrorKind::Header, "Invalid RVF header: properties subtype");
        // Page setup is reset only when this read will fill it in.
        if (subtype_ == psDocParameters && d_.DocParameters && load_ && (opts_ & rvfoLoadDocProperties))
            d_.DocParameters->Reset();
    }
    return record;
}

// Tags are integers here: a word, or (in newer streams) a quoted string.
void Reader::readTag(HeaderCursor &h)
{
    std::string quoted;
    std::string_view tagText;
    if ((version_ > 1 || subversion_ > 2) && h.startsWith('"')) {
        if (!h.quoted(quoted))
            fail(RvfErrorKind::Header, "Invalid RVF header: tag");
        tagText = quoted;
    } else {
        tagText = h.word();
    }
    if (!parseInt(tagText, tag_))
        fail(RvfErrorKind::Header, "Invalid RVF header: tag");
    if (item_)
        item_->Tag = tag_;
}

// The item's text and paragraph styles, through the maps of an inserted
// file's style tables.
void Reader::mapItemStyles()
{
    if (!item_)
        return;
    if (style_ >= 0 && style_ != ParagraphDefaultStyle) {
        bool drop;
        item_->StyleNo = style_ = mapTextStyle(style_, false, drop);
    }
    item_->ParaNo = paraNo_ = mapParaStyle(paraNo_);
}

// A paragraph style number through the file's map; -1 (continue the
// paragraph before) stays.
int Reader::mapParaStyle(int n)
{
    if (n == -1)
        return n;
    if (n < 0)
        n = INT32_MAX; // no paragraph style has a negative number
    if (haveParaMap_) {
        if (size_t(n) >= paraMap_.size()) {
            d_.LoadWarnings |= lwUnknownStyle;
            fail(RvfErrorKind::Style, "Unknown paragraph style");
        }
        n = paraMap_[size_t(n)];
    }
    if (!st_.ParaStyles.InRange(n)) {
        d_.LoadWarnings |= lwUnknownStyle;
        if (!(opts_ & rvfoConvUnknownStylesToZero))
            fail(RvfErrorKind::Style, "Unknown paragraph style");
        n = 0;
    }
    return n;
}

// What the lines after the header are read as.
void Reader::startBody(bool record)
{
    if (lineCount_ == 0) {
        if (item_)
            addRecordItem();
        dropItem();
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

static void needTail(bool ok)
{
    if (!ok)
        fail(RvfErrorKind::Header, "Invalid RVF header tail");
}

// The fields after the tag, which depend on the record's kind.
void Reader::readTail(HeaderCursor &h)
{
    int a = 0, b = 0;
    if (style_ >= 0 && item_) {
        std::string hint;
        needTail(h.quoted(hint));
        item_->Hint = hint;
        needTail(h.atEnd());
        return;
    }
    switch (style_) {
    case ikCheckpointRecord:
        needTail(h.optionalNumber(a, 0) && h.optionalNumber(b, 0));
        cpRaiseEvent_ = a != 0;
        cpPersistent_ = b != 0;
        break;
    case ikBackgroundRecord: backgroundTail(h); break;
    case ikHorizontalLine: breakTail(h); break;
    case ikPicture: case ikHotPicture: case ikControl: case ikLabel: case ikSequence: case ikFootnote:
    case ikEndnote: case ikNoteReference:
        if (item_) {
            needTail(h.optionalNumber(a, 0));
            static_cast<TRVRectItemInfo *>(item_.get())->VerticalAlign = TRVVAlign(uint8_t(a));
        }
        break;
    case ikHotspot: case ikBullet:
        if (item_)
            bulletTail(h);
        break;
    case ikListMarker:
        if (item_)
            markerTail(h);
        break;
    case ikTab:
        if (item_) {
            needTail(h.optionalNumber(a, 0));
            item_->SetAssociatedTextStyleNo(a);
        }
        break;
    default:
        break; // tables and unknown kinds: the rest is not read
    }
}

void Reader::backgroundTail(HeaderCursor &h)
{
    int style = 0, color = 0;
    needTail(h.number(style) && h.number(color));
    if (!load_ || !(opts_ & rvfoLoadBack))
        return;
    if (color_)
        *color_ = TColor(color);
    if (back_) {
        back_->Style = TBackgroundStyle(style >= bsNoBitmap && style <= bsBottomRight ? style : bsNoBitmap);
        back_->Bitmap.reset();
    }
}

void Reader::breakTail(HeaderCursor &h)
{
    auto *br = static_cast<TRVBreakItemInfo *>(item_.get());
    if (h.atEnd())
        return;
    int color = 0, style = 0, width = 0;
    needTail(h.number(color) && h.number(style) && h.number(width));
    br->LineColor = TColor(color);
    br->LineStyle = TRVBreakStyle(uint8_t(style));
    br->LineWidth = uint8_t(width);
}

// A bullet's or hotspot's image list and image indices, checked against the
// list the host gives.
void Reader::bulletTail(HeaderCursor &h)
{
    auto *bu = static_cast<TRVBulletItemInfo *>(item_.get());
    auto *hot = style_ == ikHotspot ? static_cast<TRVHotspotItemInfo *>(bu) : nullptr;
    int listTag = 0, index = 0;
    needTail(h.number(listTag) && h.number(index));
    int hotIndex = index;
    if (hot)
        needTail(h.optionalNumber(hotIndex, index));
    bu->ImageListTag = listTag;
    bu->ImageIndex = index;
    if (hot)
        hot->HotImageIndex = hotIndex;
    if (d_.OnRVFImageListNeeded)
        bu->ImageList = d_.OnRVFImageListNeeded(listTag);
    if (!bu->ImageList)
        return;
    int count = bu->ImageList->Count();
    for (int *idx : {&bu->ImageIndex, hot ? &hot->HotImageIndex : nullptr}) {
        if (idx && *idx >= count) {
            d_.LoadWarnings |= lwImageIndexTooLarge;
            if (!(opts_ & rvfoConvLargeImageIdxToZero))
                fail(RvfErrorKind::Picture, "Image index out of range");
            *idx = 0;
        }
    }
}

void Reader::markerTail(HeaderCursor &h)
{
    auto *m = static_cast<TRVMarkerItemInfo *>(item_.get());
    int list = 0, level = 0, start = 0, reset = 0;
    needTail(h.number(list) && h.number(level) && h.number(start) && h.number(reset));
    m->ListNo = list;
    m->Level = level;
    m->StartFrom = start;
    m->Reset = reset != 0;
}

void Reader::addRecordItem()
{
    if (!item_)
        return;
    addItem(TRVItemPtr(item_.release()), itemName_);
}

// The item of a record's header; a text record reuses the last one's.
std::unique_ptr<TCustomRVItemInfo> Reader::makeRecordItem()
{
    if (style_ < 0 || !plainText_ || !spareText_)
        return CreateItemForStyle(style_);
    std::unique_ptr<TCustomRVItemInfo> item = std::move(spareText_);
    item->StyleNo = style_;
    item->ParaNo = 0;
    item->ItemOptions = 0;
    item->SpellState = 0;
    item->Tag = 0;
    item->Hint.clear();
    return item;
}

// Done with the record's item: a plain text one is kept for the next record.
void Reader::dropItem()
{
    if (item_ && plainText_ && item_->IsText() && !item_->Checkpoint)
        spareText_ = std::move(item_);
    item_.reset();
}

// An item for one line of a text record: what Clone makes, made in the
// document's arena when text items are plain.
TRVItemPtr Reader::copyTextItem()
{
    const TCustomRVItemInfo &src = *item_;
    if (!plainText_)
        return TRVItemPtr(src.Clone().release());
    TRVItemPtr item = d_.NewTextItem(src.StyleNo);
    item->ParaNo = src.ParaNo;
    item->ItemOptions = src.ItemOptions;
    if (!src.Hint.empty())
        item->Hint = src.Hint;
    item->Tag = src.Tag;
    return item;
}

// An item's associated text style through the style map; false when the
// item is dropped for it.
bool Reader::mapAssociatedStyle(TCustomRVItemInfo &item)
{
    int assoc = item.GetAssociatedTextStyleNo();
    if (assoc >= 0 || dynamic_cast<TRVTabItemInfo *>(&item) || dynamic_cast<TRVLabelItemInfo *>(&item)) {
        bool drop;
        int mapped = mapTextStyle(assoc, true, drop);
        if (drop)
            return false;
        item.SetAssociatedTextStyleNo(mapped);
    }
    return true;
}

// Paragraph: -1 continues the paragraph of the item before, unless that one
// fills a line of its own.
void Reader::setParagraph(TCustomRVItemInfo &item)
{
    if (paraNo_ == -1 && index_ > 0
        && !(index_ - 1 == lastAdded_ ? lastFullLine_ : d_.GetItem(index_ - 1).IsFullLine())) {
        item.SetContinuesParagraph(true);
        item.ParaNo = d_.GetItem(index_ - 1).ParaNo;
    } else {
        item.ItemOptions &= uint8_t(~ioContinuesParagraph);
        item.ParaNo = paraNo_ == -1 ? 0 : paraNo_;
    }
}

// A text item's bytes converted to what its style stores: UTF-16 for a
// Unicode style, the style's code page otherwise.
void Reader::matchTextEncoding(TCustomRVItemInfo &item, std::string_view &text, std::string &converted)
{
    int style = item.StyleNo;
    if (style == ParagraphDefaultStyle) {
        style = st_.ParaStyles[item.ParaNo].DefStyleNo;
        if (style < 0)
            style = 0;
    }
    bool styleUnicode = st_.TextStyles[style].Unicode;
    bool itemUnicode = (item.ItemOptions & ioUnicode) != 0;
    if (itemUnicode && !styleUnicode) {
        if (text.size() % 2)
            fail(RvfErrorKind::Data, "Can't perform Unicode operation");
        converted = fromUtf16(platform::utf16FromLittleEndian(text), st_.CodePageOfStyle(style));
        text = converted;
        item.ItemOptions &= uint8_t(~ioUnicode);
        d_.LoadWarnings |= lwConvertedFromUnicode;
    } else if (!itemUnicode && styleUnicode) {
        std::u16string w = toUtf16(text, st_.CodePageOfStyle(style));
        converted.resize(w.size() * 2);
        for (size_t k = 0; k < w.size(); ++k) {
            converted[2 * k] = char(w[k] & 0xFF);
            converted[2 * k + 1] = char(w[k] >> 8);
        }
        text = converted;
        item.ItemOptions |= ioUnicode;
        d_.LoadWarnings |= lwConvertedToUnicode;
    } else if (itemUnicode && text.size() % 2) {
        text.remove_suffix(1); // half a UTF-16 unit is no character
    }
}

// A marker's list through the list map; an unknown list becomes the first.
void Reader::mapMarkerList(TCustomRVItemInfo &item)
{
    auto *m = static_cast<TRVMarkerItemInfo *>(&item);
    if (haveListMap_ && m->ListNo >= 0)
        m->ListNo = size_t(m->ListNo) < listMap_.size() ? listMap_[size_t(m->ListNo)] : st_.ListStyles.Count();
    if (m->ListNo >= st_.ListStyles.Count()) {
        d_.LoadWarnings |= lwUnknownStyle;
        m->ListNo = st_.ListStyles.Count() > 0 ? 0 : -1;
    }
}

void Reader::addItem(TRVItemPtr item, std::string_view text)
{
    if (!item->IsText() && (!mapAssociatedStyle(*item) || !item->HasValidContent()))
        return;
    setParagraph(*item);
    std::string converted;
    if (item->IsText())
        matchTextEncoding(*item, text, converted);
    if (item->StyleNo == ikListMarker)
        mapMarkerList(*item);
    if (!item->IsText() && (item->StyleNo == ikListMarker || dynamic_cast<TCustomRVNoteItemInfo *>(item.get())
                            || dynamic_cast<TRVTableItemInfo *>(item.get())))
        numbering_ = true;
    bool fullLine = item->IsFullLine();
    insertAdded(std::move(item), text, fullLine);
}

// A line of a text record of plain 8-bit items: addItem(copyTextItem(), text)
// without the questions whose answers the record already gives.
void Reader::addPlainText(const TextHeader &h, std::string_view text)
{
    TRVItemPtr item = d_.NewTextItem(h.style);
    item->ItemOptions = uint8_t(h.options);
    item->Tag = h.tag;
    setParagraph(*item); // sets ParaNo
    std::string converted;
    if (!styleMatches_)
        matchTextEncoding(*item, text, converted);
    insertAdded(std::move(item), text, false);
}

// Puts an added item in at the reading position, with a checkpoint read before it.
void Reader::insertAdded(TRVItemPtr item, std::string_view text, bool fullLine)
{
    int at = index_;
    d_.InsertItem(at, text, std::move(item));
    lastFullLine_ = fullLine;
    if (pending_) {
        bool wasTrailing = pendingWasTrailing_;
        TRVCPInfo *cp = pending_.get();
        d_.LinkCheckpoint(std::move(pending_), prevCP_, at);
        if (!wasTrailing)
            ++d_.CPCount;
        pendingWasTrailing_ = false;
        prevCP_ = cp;
    }
    if (firstAdded_ < 0)
        firstAdded_ = at;
    lastAdded_ = at;
    ++index_;
}

} // namespace rvfread

using namespace rvfread;

bool HexToBytes(std::string_view hex, std::string &out)
{
    out.clear();
    if (hex.size() % 2)
        return false;
    out.reserve(hex.size() / 2);
    for (size_t i = 0; i < hex.size(); i += 2) {
        int hi = platform::hexDigitValue(hex[i]), lo = platform::hexDigitValue(hex[i + 1]);
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
    if (reader.mayNeedNumbering())
        NumberListMarkersAndNotes(data);
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
