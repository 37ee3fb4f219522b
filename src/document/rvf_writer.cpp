#include "rvf_writer.h"
#include "rv_table.h"

#include "rv_error.h"
#include "rvf_styles.h"

#include <fstream>

namespace rv {

namespace {

const char *kHex = "0123456789ABCDEF";

std::string toHex(std::string_view bytes)
{
    std::string s;
    s.reserve(bytes.size() * 2);
    for (unsigned char c : bytes) {
        s.push_back(kHex[c >> 4]);
        s.push_back(kHex[c & 15]);
    }
    return s;
}

std::string quote(std::string_view s)
{
    std::string q = "\"";
    for (char c : s) {
        if (c == '"')
            q.push_back('"');
        q.push_back(c);
    }
    q.push_back('"');
    return q;
}

// A run of text items sharing one record.
struct TextRecord {
    bool active = false;
    int styleNo = 0;
    std::string para;
    int options = 0;
    int tag = 0;
    std::string hint;
    bool unicode = false;
    std::vector<std::string> lines;
};

class Writer {
public:
    Writer(const TCustomRVData &d, std::string &out) : d_(d), st_(*d.GetRVStyle()), out_(out), opts_(d.RVFOptions) {}

    void header(const TRVBackground *back, TColor color, const TRVLayoutInfo *layout, bool whole);
    void items(int first, int firstOffs, int last, int lastOffs, bool whole);

private:
    void line(std::string_view s) { out_.append(s); out_.append("\r\n"); }
    // A body line: a binary block (after the CR LF of the line before) or hexadecimal text.
    void body(std::string_view bytes)
    {
        if (opts_ & rvfoSaveBinary) {
            uint32_t n = uint32_t(bytes.size());
            for (int i = 0; i < 4; ++i)
                out_.push_back(char(n >> (8 * i)));
            out_.append(bytes);
        } else {
            line(toHex(bytes));
        }
    }
    int bodyEncoding() const { return (opts_ & rvfoSaveBinary) ? 2 : 0; }
    std::string styleField(int n) const
    {
        if ((opts_ & rvfoUseStyleNames) && n >= 0 && st_.TextStyles.InRange(n))
            return quote(st_.TextStyles[n].StyleName);
        return std::to_string(n);
    }
    std::string paraField(int n) const
    {
        if ((opts_ & rvfoUseStyleNames) && n >= 0 && st_.ParaStyles.InRange(n))
            return quote(st_.ParaStyles[n].StyleName);
        return std::to_string(n);
    }
    std::string writtenPara(int i) const
    {
        const TCustomRVItemInfo &it = d_.GetItem(i);
        return (it.ItemOptions & ioContinuesParagraph) ? "-1" : paraField(it.ParaNo);
    }
    void checkpoint(const TRVCPInfo &cp)
    {
        line("-2 1 0 0 0 " + std::to_string(cp.Tag) + " " + (cp.RaiseEvent ? "1" : "0") + " "
             + (cp.Persistent ? "1" : "0"));
        line(cp.Name);
    }
    void flush();
    void startText(int i, std::string text, bool cutInside);
    void nonText(int i);
    std::vector<std::string> extraLines(const TCustomRVItemInfo &it) const;

    // A non-text item being written: its index, name and extra property lines.
    struct Item {
        const TCustomRVItemInfo &it;
        int index;
        std::string_view name;
        std::vector<std::string> extra;
    };
    // The record header of an item whose body has `bodyLines` lines besides
    // the extra property lines.
    void itemHeader(const Item &x, size_t bodyLines, int encoding, const std::string &tail);
    void writeExtra(const Item &x);
    void labelLines(const TRVLabelItemInfo &l);
    void picture(const Item &x);
    void horizontalLine(const Item &x);
    void bullet(const Item &x);
    void tab(const Item &x);
    void listMarker(const Item &x);
    void table(const Item &x);
    void label(const Item &x);
    void sequence(const Item &x);
    void note(const Item &x);
    std::string piece(int i, int from, int to) const; // characters [from, to), offsets from 1

    const TCustomRVData &d_;
    TRVStyle &st_;
    std::string &out_;
    uint16_t opts_;
    TextRecord rec_;
};

void Writer::header(const TRVBackground *back, TColor color, const TRVLayoutInfo *layout, bool whole)
{
    line("-8 1 3");
    if (whole && (opts_ & rvfoSaveBack)) {
        int style = back ? back->Style : 0;
        if (back && back->Bitmap) {
            line("-7 2 0 0 " + std::to_string(bodyEncoding()) + " 0 " + std::to_string(style) + " "
                 + std::to_string(int32_t(color)));
            line(back->Bitmap->ClassName());
            body(back->Bitmap->StoredBytes());
        } else {
            line("-7 0 0 0 0 0 " + std::to_string(style) + " " + std::to_string(int32_t(color)));
        }
    }
    auto table = [&](int subtype, const std::string &bytes) {
        line("-9 2 0 0 " + std::to_string(bodyEncoding()) + " 0 " + std::to_string(subtype));
        line(st_.Name);
        body(bytes);
    };
    if (opts_ & rvfoSaveTextStyles)
        table(1, EncodeTextStyles(st_.TextStyles));
    if ((opts_ & rvfoSaveParaStyles) && d_.OwnsStyleSheet) {
        table(2, EncodeParaStyles(st_.ParaStyles));
        table(4, EncodeListStyles(st_.ListStyles));
    }
    if (opts_ & rvfoSaveDocProperties) {
        if (!d_.DocProperties.empty()) {
            line("-9 " + std::to_string(d_.DocProperties.size()) + " 0 0 0 0 5");
            for (std::string s : d_.DocProperties) {
                for (char &c : s)
                    c = c == '\r' ? '\x01' : c == '\n' ? '\x02' : c;
                line(s);
            }
        }
        std::vector<std::string> params;
        if (d_.DocParameters)
            params = d_.DocParameters->ToLines();
        line("-9 " + std::to_string(params.size()) + " 0 0 0 0 7");
        for (auto &p : params)
            line(p);
    }
    if (whole && (opts_ & rvfoSaveLayout) && layout) {
        std::string b;
        auto put = [&](int32_t v) { for (int i = 0; i < 4; ++i) b.push_back(char(uint32_t(v) >> (8 * i))); };
        put(0);
        put(25 + 16);
        for (int v : {layout->LeftMargin, layout->RightMargin, layout->TopMargin, layout->BottomMargin,
                      layout->MinTextWidth, layout->MaxTextWidth})
            put(v);
        b.push_back(char(layout->BiDiMode));
        for (int v : {layout->FirstParaAborted, layout->LastParaAborted, layout->FirstMarkerListNo, layout->FirstMarkerLevel})
            put(v);
        line("-9 2 0 0 " + std::to_string(bodyEncoding()) + " 0 3");
        line("");
        body(b);
    }
}

std::string Writer::piece(int i, int from, int to) const
{
    std::string_view s = d_.ItemText(i);
    size_t unit = d_.IsUnicodeItem(i) ? 2 : 1;
    int len = d_.ItemLength(i);
    from = std::clamp(from, 1, len + 1);
    to = std::clamp(to, from, len + 1);
    return std::string(s.substr(size_t(from - 1) * unit, size_t(to - from) * unit));
}

void Writer::flush()
{
    if (!rec_.active)
        return;
    rec_.active = false;
    bool unicode = rec_.unicode;
    int encoding = 0;
    // Raw UTF-16 lines end at U+2029 or a zero unit, so text holding either
    // goes out as hexadecimal instead.
    bool raw = unicode && (opts_ & rvfoSaveBinary);
    if (raw)
        for (auto &l : rec_.lines)
            for (size_t k = 0; k + 1 < l.size(); k += 2) {
                char16_t u = char16_t(uint8_t(l[k]) | uint8_t(l[k + 1]) << 8);
                if (u == 0x2029 || u == 0)
                    raw = false;
            }
    if (unicode && !raw)
        encoding = 3;
    std::string hint = rec_.hint.empty() ? "" : " " + quote(rec_.hint);
    line(styleField(rec_.styleNo) + " " + std::to_string(rec_.lines.size()) + " " + rec_.para + " "
         + std::to_string(rec_.options | (unicode ? ioUnicode : 0)) + " " + std::to_string(encoding) + " "
         + std::to_string(rec_.tag) + hint);
    for (auto &l : rec_.lines) {
        if (!unicode)
            line(l);
        else if (encoding == 3)
            line(toHex(l));
        else {
            out_.append(l);
            out_.append("\x29\x20", 2);
        }
    }
    rec_.lines.clear();
}

void Writer::startText(int i, std::string text, bool cutInside)
{
    const TCustomRVItemInfo &it = d_.GetItem(i);
    std::string para = cutInside ? "-1" : writtenPara(i);
    int options = it.ItemOptions & 0x0F & ~ioUnicode;
    if (cutInside)
        options &= ~(ioPageBreakBefore | ioLineBreak);
    bool unicode = (it.ItemOptions & ioUnicode) != 0;
    bool joins = rec_.active && !(it.ItemOptions & ioContinuesParagraph) && !cutInside && rec_.styleNo == it.StyleNo
        && rec_.para == para && rec_.options == options && rec_.unicode == unicode && rec_.tag == it.Tag
        && rec_.hint == it.Hint && !it.Checkpoint;
    if (joins) {
        rec_.lines.push_back(std::move(text));
        return;
    }
    flush();
    if (it.Checkpoint && !cutInside)
        checkpoint(*it.Checkpoint);
    rec_ = TextRecord{true, it.StyleNo, para, options, it.Tag, it.Hint, unicode, {std::move(text)}};
}

std::vector<std::string> Writer::extraLines(const TCustomRVItemInfo &it) const
{
    std::vector<std::string> l;
    auto add = [&](const char *name, const std::string &v) { l.push_back(std::string(name) + "=" + v); };
    if (!it.Hint.empty())
        add("hint", it.Hint);
    auto *nt = dynamic_cast<const TRVNonTextItemInfo *>(&it);
    if (nt && nt->Unremovable)
        add("unremovable", "1");
    if (auto *r = dynamic_cast<const TRVRectItemInfo *>(&it)) {
        if (r->VShift != 0) add("vshift", std::to_string(r->VShift));
        if (r->VShiftAbsolute) add("vshiftabs", "1");
        if (r->Spacing != 1) add("spacing", std::to_string(r->Spacing));
    }
    if (auto *p = dynamic_cast<const TRVGraphicItemInfo *>(&it)) {
        if (!p->ImageResizable) add("resizable", "0");
        if (p->ImageWidth > 0) add("width", std::to_string(p->ImageWidth));
        if (p->ImageHeight > 0) add("height", std::to_string(p->ImageHeight));
        if (p->MinHeightOnPage > 0) add("minheightonpage", std::to_string(p->MinHeightOnPage));
        if (p->NoHTMLImageSize) add("nohtmlsize", "1");
        if (p->Interval > 0) add("ainterval", std::to_string(p->Interval));
        if (p->Image && p->Image->SupportsTransparency() && p->Image->Transparent) {
            add("transparent", "1");
            add("tmode", std::to_string(p->Image->TransparentMode));
            if (p->Image->TransparentMode == 1)
                add("tcolor", std::to_string(int32_t(p->Image->TransparentColor)));
        }
        if (!p->ImageFileName.empty()) add("filename", p->ImageFileName);
        if (!p->AltText.empty()) add("alt", p->AltText);
    }
    if (auto *b = dynamic_cast<const TRVBulletItemInfo *>(&it)) {
        if (b->NoHTMLImageSize) add("nohtmlsize", "1");
        if (!b->AltText.empty()) add("alt", b->AltText);
    }
    return l;
}

void Writer::itemHeader(const Item &x, size_t bodyLines, int encoding, const std::string &tail)
{
    const TCustomRVItemInfo &it = x.it;
    std::string h = std::to_string(it.StyleNo) + " " + std::to_string(int(x.extra.size() + bodyLines)) + " "
        + writtenPara(x.index) + " " + std::to_string(it.ItemOptions & 0x0F) + " " + std::to_string(encoding) + " "
        + std::to_string(it.Tag);
    if (!tail.empty())
        h += " " + tail;
    line(h);
}

void Writer::writeExtra(const Item &x)
{
    for (auto &e : x.extra)
        line(e);
}

void Writer::labelLines(const TRVLabelItemInfo &l)
{
    line(std::to_string(l.TextStyleNo));
    line(std::to_string(l.StoredInt));
    line(std::to_string(l.StoredByte));
    line(l.ProtectTextStyleNo ? "protect" : "");
}

void Writer::picture(const Item &x)
{
    auto &p = static_cast<const TRVGraphicItemInfo &>(x.it);
    std::string tail = std::to_string(int(p.VerticalAlign));
    if ((opts_ & rvfoSavePicturesBody) && p.Image) {
        itemHeader(x, 3, bodyEncoding(), tail);
        line(x.name);
        line(p.Image->ClassName());
        writeExtra(x);
        body(p.Image->StoredBytes());
    } else {
        itemHeader(x, 1, 1, tail);
        line(x.name);
        writeExtra(x);
    }
}

void Writer::horizontalLine(const Item &x)
{
    auto &b = static_cast<const TRVBreakItemInfo &>(x.it);
    itemHeader(x, 0, 0,
               std::to_string(int32_t(b.LineColor)) + " " + std::to_string(int(b.LineStyle)) + " "
                   + std::to_string(b.LineWidth));
    writeExtra(x);
}

void Writer::bullet(const Item &x)
{
    auto &b = static_cast<const TRVBulletItemInfo &>(x.it);
    std::string tail = std::to_string(b.ImageListTag) + " " + std::to_string(b.ImageIndex);
    if (x.it.StyleNo == ikHotspot)
        tail += " " + std::to_string(static_cast<const TRVHotspotItemInfo &>(x.it).HotImageIndex);
    itemHeader(x, 1, 0, tail);
    line(x.name);
    writeExtra(x);
}

void Writer::tab(const Item &x)
{
    // A tab's record has no lines, so its extra properties are not stored.
    const Item bare{x.it, x.index, x.name, {}};
    itemHeader(bare, 0, 0, std::to_string(x.it.GetAssociatedTextStyleNo()));
}

void Writer::listMarker(const Item &x)
{
    auto &m = static_cast<const TRVMarkerItemInfo &>(x.it);
    itemHeader(x, 0, 0,
               std::to_string(m.ListNo) + " " + std::to_string(m.Level) + " " + std::to_string(m.StartFrom) + " "
                   + (m.Reset ? "1" : "0"));
    writeExtra(x);
}

void Writer::table(const Item &x)
{
    auto &t = static_cast<const TRVTableItemInfo &>(x.it);
    itemHeader(x, 2, bodyEncoding(), "");
    line(x.name);
    writeExtra(x);
    // A table read from a file goes back as it was stored; one built in
    // code is encoded from its cells.
    std::string stored = t.StoredBody;
    if (stored.empty() && !WriteTableBody(t, stored))
        throw EReadViewError("Cannot write a table cell");
    body(stored);
}

void Writer::label(const Item &x)
{
    auto &l = static_cast<const TRVLabelItemInfo &>(x.it);
    itemHeader(x, 6, 0, std::to_string(int(l.VerticalAlign)));
    line(l.Text);
    labelLines(l);
    line(x.name);
    writeExtra(x);
}

void Writer::sequence(const Item &x)
{
    auto &s = static_cast<const TRVSeqItemInfo &>(x.it);
    itemHeader(x, 10, 0, std::to_string(int(s.VerticalAlign)));
    line(s.SeqName);
    line(std::to_string(s.NumberType));
    line(s.Reset ? "1" : "0");
    line(std::to_string(s.StartFrom));
    labelLines(s);
    line(x.name);
    line(s.FormatString);
    writeExtra(x);
}

void Writer::note(const Item &x)
{
    auto &note = static_cast<const TCustomRVNoteItemInfo &>(x.it);
    std::string inner;
    if (note.Document && !SaveRVFToString(*note.Document, inner))
        throw EReadViewError("Note document cannot be written");
    itemHeader(x, 8, bodyEncoding(), std::to_string(int(note.VerticalAlign)));
    labelLines(note);
    line(note.Reset ? "1" : "0");
    line(std::to_string(note.StartFrom));
    line(x.name);
    writeExtra(x);
    body(inner);
}

void Writer::nonText(int i)
{
    const TCustomRVItemInfo &it = d_.GetItem(i);
    const Item x{it, i, d_.ItemText(i), extraLines(it)};
    if (it.Checkpoint)
        checkpoint(*it.Checkpoint);
    switch (it.StyleNo) {
    case ikPicture: case ikHotPicture: picture(x); break;
    case ikHorizontalLine: horizontalLine(x); break;
    case ikBullet: case ikHotspot: bullet(x); break;
    case ikTab: tab(x); break;
    case ikListMarker: listMarker(x); break;
    case ikTable: table(x); break;
    case ikLabel: case ikNoteReference: label(x); break;
    case ikSequence: sequence(x); break;
    case ikFootnote: case ikEndnote: note(x); break;
    default: break; // controls are never loaded here, so there is nothing to write
    }
}

void Writer::items(int first, int firstOffs, int last, int lastOffs, bool whole)
{
    auto isText = [&](int i) { return d_.GetItem(i).IsText(); };
    if (!whole) {
        if (first == last && isText(first)
            && (firstOffs > 1 || lastOffs < d_.ItemLength(first) + 1)) {
            if (lastOffs > firstOffs)
                startText(first, piece(first, firstOffs, lastOffs), firstOffs > 1);
            flush();
            return;
        }
        // A paragraph that starts with a list marker keeps its numbering.
        int start = d_.GetFirstParaItem(first);
        if (start != first && d_.GetItemStyle(start) == ikListMarker)
            nonText(start);
    }
    for (int i = first; i <= last; ++i) {
        bool firstItem = i == first && !whole, lastItem = i == last && !whole;
        if (isText(i)) {
            int from = firstItem ? firstOffs : 1;
            int to = lastItem ? lastOffs : d_.ItemLength(i) + 1;
            bool cutInside = firstItem && from > 1;
            if (lastItem && to < d_.ItemLength(i) + 1) {
                // The last item cut inside: its own record after the gathered one.
                flush();
                if (to > from)
                    startText(i, piece(i, from, to), cutInside);
                continue;
            }
            startText(i, piece(i, from, to), cutInside);
        } else {
            if (firstItem && firstOffs >= 1 && first != last)
                continue; // the selection starts after this item
            if (lastItem && lastOffs < 1)
                continue; // and ends before this one
            flush();
            nonText(i);
        }
    }
    flush();
    if (whole && d_.TrailingCheckpoint)
        checkpoint(*d_.TrailingCheckpoint);
}

} // namespace

bool SaveRVFToString(const TCustomRVData &data, std::string &out, const TRVBackground *background, TColor color,
                     const TRVLayoutInfo *layout)
{
    if (!data.GetRVStyle())
        return false;
    if (data.ItemCount() == 0)
        return true;
    try {
        Writer w(data, out);
        w.header(background, color, layout, true);
        w.items(0, 0, data.ItemCount() - 1, 1, true);
        return true;
    } catch (const std::exception &) {
        return false;
    }
}

bool SaveRVFSelectionToString(const TCustomRVData &data, std::string &out, int startItem, int startOffs, int endItem,
                              int endOffs)
{
    if (!data.GetRVStyle())
        return false;
    if (startItem > endItem || (startItem == endItem && startOffs > endOffs)) {
        std::swap(startItem, endItem);
        std::swap(startOffs, endOffs);
    }
    try {
        Writer w(data, out);
        w.header(nullptr, platform::clWindow, nullptr, false);
        if (startItem < 0 || endItem >= data.ItemCount() || (startItem == endItem && startOffs == endOffs))
            return true; // an empty selection writes only the records before the items
        w.items(startItem, startOffs, endItem, endOffs, false);
        return true;
    } catch (const std::exception &) {
        return false;
    }
}

bool SaveRVFToFile(const TCustomRVData &data, const std::filesystem::path &path)
{
    std::string bytes;
    if (!SaveRVFToString(data, bytes))
        return false;
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    return bool(out);
}

} // namespace rv
