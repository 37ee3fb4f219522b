// The RVF reader's working state, shared by the files that read it: framing
// and record headers, the data lines of items, and the document's own records
// (style tables, layout, markers).
#pragma once
#include "rv_data.h"
#include "rv_error.h"
#include "rv_item.h"
#include "rv_style.h"
#include "rvf_reader.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace rv::rvfread {

enum TRVFDataEncoding { rtText = 0, rtExternal = 1, rtBinary = 2, rtHexUnicode = 3 };
enum TFraming { fmText, fmTextThenBinary, fmBinary, fmTextThenUnicode, fmUnicode, fmUnicodeLast };
enum TReadState { rsHeader, rsDataLines, rsSkipLines };
enum TPropSubtype { psTextStyles = 1, psParaStyles = 2, psLayout = 3, psListStyles = 4, psDocProperties = 5,
                    psMarkers = 6, psDocParameters = 7 };

[[noreturn]] void fail(RvfErrorKind kind, const char *why);

// A decimal integer at p: an optional minus and digits, within 32 bits. The
// position after it, or nullptr when there are no digits or it does not fit
// (out is then unchanged). The reader's one integer parser.
inline const char *scanInt(const char *p, const char *end, int &out)
{
    const bool negative = p < end && *p == '-';
    p += negative;
    const char *digits = p;
    int64_t v = 0;
    for (; p < end && unsigned(*p - '0') < 10; ++p) {
        v = v * 10 + (*p - '0');
        if (v > int64_t(INT32_MAX) + 1)
            return nullptr;
    }
    if (p == digits || (!negative && v > INT32_MAX))
        return nullptr;
    out = int(negative ? -v : v);
    return p;
}
// Strict integer: optional minus and decimal digits, within 32 bits.
bool parseInt(std::string_view s, int &out);
// Extra property values: a decimal integer, 0 when not numeric.
int intOrZero(std::string_view s);
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
        const char *end = s_.data() + s_.size();
        int v;
        const char *p = scanInt(s_.data() + pos_, end, v);
        if (!p || (p < end && *p != ' '))
            return false;
        out = v;
        pos_ = size_t(p - s_.data()) + (p < end);
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

// The numbers of a text record's header, in their order.
struct TextHeader {
    int style, lines, para, options, encoding, tag;
    void set(const int f[6])
    {
        style = f[0], lines = f[1], para = f[2], options = f[3], encoding = f[4], tag = f[5];
    }
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
    // Whether the document may now hold list markers, notes or tables to number.
    bool mayNeedNumbering() const { return numbering_; }

private:
    void begin();
    bool readAll(int &textLine);
    void closeAdded();
    // --- framing ---
    Line readLine();
    void advance(const Line &line);

    // --- records ---
    void parseHeader(std::string_view line);
    bool textRecord(int &textLine, int &lineNo);
    size_t afterLineEnd(size_t p) const;
    void styleOrName(HeaderCursor &h, int &out, bool para);
    bool recordFields(HeaderCursor &h);
    void readTag(HeaderCursor &h);
    void mapItemStyles();
    int mapParaStyle(int n);
    void startBody(bool record);
    void readTail(HeaderCursor &h);
    void backgroundTail(HeaderCursor &h);
    void breakTail(HeaderCursor &h);
    void bulletTail(HeaderCursor &h);
    void markerTail(HeaderCursor &h);
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
    std::unique_ptr<TCustomRVItemInfo> makeRecordItem();
    void dropItem();
    TRVItemPtr copyTextItem();
    void addItem(TRVItemPtr item, std::string_view text);
    // A line of a text record whose style number is mapped already.
    void addPlainText(const TextHeader &h, std::string_view text);
    void insertAdded(TRVItemPtr item, std::string_view text, bool fullLine);
    bool mapAssociatedStyle(TCustomRVItemInfo &item);
    void setParagraph(TCustomRVItemInfo &item);
    void matchTextEncoding(TCustomRVItemInfo &item, std::string_view &text, std::string &converted);
    void mapMarkerList(TCustomRVItemInfo &item);
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
    // Text records are most of a document: while text items are plain, their
    // items are made in the document's arena, a record of header numbers only
    // makes them straight from its header (textRecord), and any other text
    // record reuses the last one's header item.
    const bool plainText_ = TextItemsArePlain();
    std::unique_ptr<TCustomRVItemInfo> spareText_;
    // The text record's style stores 8-bit text, as its items do.
    bool styleMatches_ = false;
    // Whether the last added item fills a line of its own.
    bool lastFullLine_ = false;
    bool unicodeText_ = false;

    std::vector<int> textMap_, paraMap_, listMap_;
    bool haveTextMap_ = false, haveParaMap_ = false, haveListMap_ = false;

    TRVCPInfo *prevCP_ = nullptr;
    std::unique_ptr<TRVCPInfo> pending_;
    bool pendingWasTrailing_ = false;
    bool atEnd_ = false;
    bool numbering_ = false;
    int firstAdded_ = -1;
    int lastAdded_ = -1;
};

} // namespace rvfread
