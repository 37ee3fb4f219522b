#include "rv_metafile.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

namespace rv {

using namespace platform;

namespace {

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr uint32_t kEmfSignature = 0x464D4520; // " EMF"
// More records, objects or points than this are a damaged file, not a picture.
constexpr size_t kMaxRecords = 1'000'000;
constexpr size_t kMaxObjects = 4096;
constexpr size_t kMaxPoints = 1'000'000;
constexpr size_t kMaxSavedStates = 256;
constexpr size_t kMaxTextChars = 8192;

// Bounds-checked little-endian reads; out-of-range reads give 0 and set `bad`.
struct Bytes {
    std::string_view d;
    mutable bool bad = false;
    bool has(size_t off, size_t n) const { return off <= d.size() && n <= d.size() - off; }
    uint8_t u8(size_t off) const
    {
        if (!has(off, 1)) { bad = true; return 0; }
        return uint8_t(d[off]);
    }
    uint16_t u16(size_t off) const
    {
        if (!has(off, 2)) { bad = true; return 0; }
        return uint16_t(uint8_t(d[off]) | uint8_t(d[off + 1]) << 8);
    }
    int16_t i16(size_t off) const { return int16_t(u16(off)); }
    uint32_t u32(size_t off) const
    {
        if (!has(off, 4)) { bad = true; return 0; }
        return uint32_t(uint8_t(d[off])) | uint32_t(uint8_t(d[off + 1])) << 8 | uint32_t(uint8_t(d[off + 2])) << 16
               | uint32_t(uint8_t(d[off + 3])) << 24;
    }
    int32_t i32(size_t off) const { return int32_t(u32(off)); }
    std::string_view sub(size_t off, size_t n) const { return has(off, n) ? d.substr(off, n) : std::string_view(); }
};

// Stored colours are COLORREF (0x00BBGGRR), the same layout as ours.
Color colorRef(uint32_t v) { return Color(v & 0xFFFFFF); }

int clampInt(double v)
{
    if (!(v == v))
        return 0;
    return int(std::clamp(std::lround(std::clamp(v, -1e9, 1e9)), -1'000'000'000L, 1'000'000'000L));
}

struct GdiObject {
    enum Kind { None, PenObj, BrushObj, FontObj, Other } kind = None;
    Pen pen;
    int penWidth = 0; // logical units
    Brush brush;
    FontDesc font;
    int fontHeight = 0, fontWidth = 0; // logical units
};

struct DcState {
    Pen pen;
    int penWidth = 0;
    Brush brush;
    FontDesc font;
    int fontHeight = 0, fontWidth = 0;
    Color textColor = clBlack, bkColor = clWhite;
    BkMode bkMode = BkMode::Opaque;
    uint32_t textAlign = 0;
    int mapMode = 1;
    double winOrgX = 0, winOrgY = 0, winExtX = 1, winExtY = 1;
    double viewOrgX = 0, viewOrgY = 0, viewExtX = 1, viewExtY = 1;
    bool windowSet = false;
    double curX = 0, curY = 0;
};

// Replays records onto the canvas. Logical coordinates go through the file's
// own window/viewport to its reference frame, and that frame is stretched
// onto the target rectangle.
class Player {
public:
    Player(Canvas &c, const Rect &dest) : c_(c), dest_(dest) {}

    // The frame in reference units that maps onto dest.
    double frameL = 0, frameT = 0, frameW = 1, frameH = 1;
    bool enhanced = false;
    double refPerMmX = 96 / 25.4, refPerMmY = 96 / 25.4; // reference pixels per millimetre (EMF)

    DcState st;
    std::vector<DcState> saved;
    std::vector<GdiObject> objects;

    // Logical → reference.
    double refX(double x) const
    {
        switch (st.mapMode) {
        case 1: return x;
        case 7:
        case 8: return (x - st.winOrgX) * st.viewExtX / st.winExtX + st.viewOrgX;
        default: return (x - st.winOrgX) * unitMm() * refPerMmX + st.viewOrgX;
        }
    }
    double refY(double y) const
    {
        switch (st.mapMode) {
        case 1: return y;
        case 7:
        case 8: return (y - st.winOrgY) * st.viewExtY / st.winExtY + st.viewOrgY;
        default: return -(y - st.winOrgY) * unitMm() * refPerMmY + st.viewOrgY;
        }
    }
    // Millimetres per logical unit of the fixed map modes.
    double unitMm() const
    {
        switch (st.mapMode) {
        case 2: return 0.1;
        case 3: return 0.01;
        case 4: return 0.254;
        case 5: return 0.0254;
        case 6: return 25.4 / 1440;
        default: return 1;
        }
    }
    // A Windows metafile is played by mapping its window straight onto the
    // target: the target rectangle takes the viewport's place.
    double devX(double x) const
    {
        double r = enhanced ? refX(x) : x;
        if (!enhanced && st.windowSet)
            return dest_.left + (r - st.winOrgX) * dest_.width() / st.winExtX;
        return dest_.left + (r - frameL) * dest_.width() / frameW;
    }
    double devY(double y) const
    {
        double r = enhanced ? refY(y) : y;
        if (!enhanced && st.windowSet)
            return dest_.top + (r - st.winOrgY) * dest_.height() / st.winExtY;
        return dest_.top + (r - frameT) * dest_.height() / frameH;
    }
    Point dev(double x, double y) const { return {clampInt(devX(x)), clampInt(devY(y))}; }
    // A logical length along x or y, in device pixels (unsigned).
    double lenX(double n) const { return std::fabs(devX(n) - devX(0)); }
    double lenY(double n) const { return std::fabs(devY(n) - devY(0)); }

    Rect devRect(double l, double t, double r, double b) const
    {
        Point a = dev(l, t), z = dev(r, b);
        return {std::min(a.x, z.x), std::min(a.y, z.y), std::max(a.x, z.x), std::max(a.y, z.y)};
    }

    void applyPen()
    {
        Pen p = st.pen;
        p.width = std::max(1, clampInt(lenX(st.penWidth)));
        c_.setPen(p);
    }
    void applyBrush() { c_.setBrush(st.brush); }
    // A line from the current position to (x, y), which becomes the current position.
    void lineTo(double x, double y)
    {
        applyPen();
        Point s = dev(st.curX, st.curY), e = dev(x, y);
        c_.line(s.x, s.y, e.x, e.y);
        st.curX = x;
        st.curY = y;
    }
    void applyFont()
    {
        FontDesc f = st.font;
        int h = clampInt(lenY(std::abs(st.fontHeight)));
        f.height = st.fontHeight < 0 ? -std::max(1, h) : (st.fontHeight == 0 ? 0 : std::max(1, h));
        f.width = st.fontWidth ? std::max(1, clampInt(lenX(std::abs(st.fontWidth)))) : 0;
        c_.setFont(f);
        c_.setTextColor(st.textColor);
        c_.setBkColor(st.bkColor);
        c_.setBkMode(st.bkMode);
    }

    void shape(auto draw)
    {
        applyPen();
        applyBrush();
        draw();
    }

    void text(double x, double y, std::u16string_view s)
    {
        if (s.empty())
            return;
        applyFont();
        Point p = dev(x, y);
        if (st.textAlign & 1) { // TA_UPDATECP
            p = dev(st.curX, st.curY);
        }
        Size ext = c_.textExtent(s);
        switch (st.textAlign & 6) {
        case 2: p.x -= ext.cx; break;     // TA_RIGHT
        case 6: p.x -= ext.cx / 2; break; // TA_CENTER
        default: break;
        }
        if ((st.textAlign & 24) == 24) // TA_BASELINE
            p.y -= c_.textMetrics().tmAscent;
        else if (st.textAlign & 8) // TA_BOTTOM
            p.y -= ext.cy;
        c_.textOut(p.x, p.y, s);
    }

    void bitmap(std::string_view dib, std::string_view bits, double x, double y, double w, double h, int sx, int sy,
                int sw, int sh)
    {
        Bitmap b = DecodeDib(dib, bits);
        if (b.isNull() || w == 0 || h == 0)
            return;
        // Only the source rectangle is shown; rows were counted from the bottom.
        sw = std::abs(sw);
        sh = std::abs(sh);
        int top = b.height() - sy - sh;
        if (sx < 0 || top < 0 || sw <= 0 || sh <= 0 || sx + int64_t(sw) > b.width() || top + int64_t(sh) > b.height())
            return;
        if (sx != 0 || top != 0 || sw != b.width() || sh != b.height()) {
            Bitmap part(sw, sh);
            for (int yy = 0; yy < sh; ++yy)
                for (int xx = 0; xx < sw; ++xx)
                    part.setPixel(xx, yy, b.pixel(sx + xx, top + yy));
            b = std::move(part);
        }
        c_.drawBitmap(b, devRect(x, y, x + w, y + h));
    }

    void saveDc()
    {
        if (saved.size() < kMaxSavedStates)
            saved.push_back(st);
    }
    void restoreDc(int n)
    {
        // Negative: that many levels back; positive: an absolute level.
        size_t keep = n < 0 ? (size_t(-int64_t(n)) > saved.size() ? saved.size() : saved.size() - size_t(-int64_t(n)))
                            : size_t(std::max(0, n - 1));
        if (keep >= saved.size())
            return;
        st = saved[keep];
        saved.resize(keep);
    }

    // WMF puts a new object in the lowest free slot; EMF names the slot.
    void storeObject(size_t slot, GdiObject o)
    {
        if (slot >= kMaxObjects)
            return;
        if (slot >= objects.size())
            objects.resize(slot + 1);
        objects[slot] = std::move(o);
    }
    void addObject(GdiObject o)
    {
        for (size_t i = 0; i < objects.size(); ++i)
            if (objects[i].kind == GdiObject::None) {
                objects[i] = std::move(o);
                return;
            }
        storeObject(objects.size(), std::move(o));
    }
    void select(const GdiObject &o)
    {
        switch (o.kind) {
        case GdiObject::PenObj: st.pen = o.pen; st.penWidth = o.penWidth; break;
        case GdiObject::BrushObj: st.brush = o.brush; break;
        case GdiObject::FontObj: st.font = o.font; st.fontHeight = o.fontHeight; st.fontWidth = o.fontWidth; break;
        default: break;
        }
    }
    void selectIndex(uint32_t i)
    {
        if (i < objects.size())
            select(objects[i]);
    }
    void deleteIndex(uint32_t i)
    {
        if (i < objects.size())
            objects[i] = GdiObject();
    }

    static GdiObject makePen(uint32_t style, int width, uint32_t color)
    {
        GdiObject o;
        o.kind = GdiObject::PenObj;
        o.pen.color = colorRef(color);
        static const PenStyle styles[] = {PenStyle::Solid, PenStyle::Dash, PenStyle::Dot, PenStyle::DashDot,
                                          PenStyle::DashDotDot, PenStyle::Clear, PenStyle::InsideFrame};
        uint32_t s = style & 0xF;
        o.pen.style = s < 7 ? styles[s] : PenStyle::Solid;
        o.penWidth = std::abs(width);
        return o;
    }
    static GdiObject makeBrush(uint32_t style, uint32_t color)
    {
        GdiObject o;
        o.kind = GdiObject::BrushObj;
        o.brush.color = colorRef(color);
        // Hatched and pattern brushes fill solid in their colour.
        o.brush.style = style == 1 ? BrushStyle::Clear : BrushStyle::Solid;
        return o;
    }
    static GdiObject makeFont(int height, int width, int weight, bool italic, bool underline, bool strike,
                              uint8_t charset, std::string face)
    {
        GdiObject o;
        o.kind = GdiObject::FontObj;
        o.fontHeight = std::clamp(height, -100000, 100000);
        o.fontWidth = std::clamp(width, -100000, 100000);
        o.font.weight = weight <= 0 ? 400 : std::min(weight, 1000);
        o.font.italic = italic;
        o.font.underline = underline;
        o.font.strikeOut = strike;
        o.font.charset = charset;
        if (!face.empty())
            o.font.faceName = std::move(face);
        return o;
    }
    void stockObject(uint32_t index)
    {
        switch (index & 0x7FFFFFFF) {
        case 0: select(makeBrush(0, 0xFFFFFF)); break;
        case 1: select(makeBrush(0, 0xC0C0C0)); break;
        case 2: select(makeBrush(0, 0x808080)); break;
        case 3: select(makeBrush(0, 0x404040)); break;
        case 4: select(makeBrush(0, 0)); break;
        case 5: select(makeBrush(1, 0)); break;
        case 6: select(makePen(0, 0, 0xFFFFFF)); break;
        case 7: select(makePen(0, 0, 0)); break;
        case 8: select(makePen(5, 0, 0)); break;
        default: break;
        }
    }

    Canvas &c_;
    Rect dest_;
};

std::u16string latin1(std::string_view s)
{
    std::u16string out;
    out.reserve(s.size());
    for (char ch : s) {
        if (ch == 0)
            break;
        out.push_back(char16_t(uint8_t(ch)));
    }
    return out;
}

std::string faceFromBytes(std::string_view s)
{
    std::string out;
    for (char ch : s) {
        if (ch == 0)
            break;
        out.push_back(ch);
    }
    return out;
}

// ---- Windows metafiles ----

// `n` points of two `coordBytes`-byte signed coordinates (2 or 4) at `at`, in
// device space; none when they run past the record or exceed the bound.
std::vector<Point> devicePoints(const Bytes &r, const Player &p, size_t at, size_t n, size_t coordBytes)
{
    std::vector<Point> v;
    const size_t step = 2 * coordBytes;
    if (n > kMaxPoints || !r.has(at, n * step))
        return v;
    v.reserve(n);
    for (size_t i = 0, off = at; i < n; ++i, off += step)
        v.push_back(coordBytes == 2 ? p.dev(r.i16(off), r.i16(off + 2)) : p.dev(r.i32(off), r.i32(off + 4)));
    return v;
}

// Window, colours, the DC stack and the object table; false for any other record.
bool wmfStateRecord(uint16_t fn, const Bytes &r, Player &p)
{
    const size_t a = 6; // first parameter
    switch (fn) {
    case 0x020B: p.st.winOrgY = r.i16(a); p.st.winOrgX = r.i16(a + 2); break;
    case 0x020C: {
        int y = r.i16(a), x = r.i16(a + 2);
        if (x != 0 && y != 0) {
            p.st.winExtY = y;
            p.st.winExtX = x;
            p.st.windowSet = true;
        }
        break;
    }
    case 0x0103: p.st.mapMode = r.u16(a); break;
    case 0x0201: p.st.bkColor = colorRef(r.u32(a)); break;
    case 0x0102: p.st.bkMode = r.u16(a) == 1 ? BkMode::Transparent : BkMode::Opaque; break;
    case 0x0209: p.st.textColor = colorRef(r.u32(a)); break;
    case 0x012E: p.st.textAlign = r.u16(a); break;
    case 0x001E: p.saveDc(); break;
    case 0x0127: p.restoreDc(r.i16(a)); break;
    case 0x02FA: p.addObject(Player::makePen(r.u16(a), r.i16(a + 2), r.u32(a + 6))); break;
    case 0x02FC: p.addObject(Player::makeBrush(r.u16(a), r.u32(a + 2))); break;
    case 0x02FB: {
        const size_t faceAt = a + 18;
        const std::string_view face = r.sub(faceAt, std::min<size_t>(32, r.d.size() > faceAt ? r.d.size() - faceAt : 0));
        p.addObject(Player::makeFont(r.i16(a), r.i16(a + 2), r.i16(a + 8), r.u8(a + 10), r.u8(a + 11), r.u8(a + 12),
                                     r.u8(a + 13), faceFromBytes(face)));
        break;
    }
    case 0x01F9: case 0x00F7: case 0x06FF: case 0x0142: case 0x01F8: {
        // Palettes, regions and pattern brushes still take a slot.
        GdiObject placeholder;
        placeholder.kind = GdiObject::Other;
        p.addObject(placeholder);
        break;
    }
    case 0x012D: p.selectIndex(r.u16(a)); break;
    case 0x01F0: p.deleteIndex(r.u16(a)); break;
    case 0x0214: p.st.curY = r.i16(a); p.st.curX = r.i16(a + 2); break;
    case 0x0213: p.lineTo(r.i16(a + 2), r.i16(a)); break;
    default: return false;
    }
    return true;
}

// Shapes, text and pictures; records we do not draw are skipped.
void wmfDrawRecord(uint16_t fn, const Bytes &r, Player &p)
{
    const size_t a = 6; // first parameter
    auto pts = [&](size_t at, size_t n) { return devicePoints(r, p, at, n, 2); };
    switch (fn) {
    case 0x041B:
    case 0x0418: {
        Rect rc = p.devRect(r.i16(a + 6), r.i16(a + 4), r.i16(a + 2), r.i16(a));
        p.shape([&] { fn == 0x041B ? p.c_.rectangle(rc) : p.c_.ellipse(rc); });
        break;
    }
    case 0x0324:
    case 0x0325: {
        auto v = pts(a + 2, r.u16(a));
        if (v.size() >= 2)
            p.shape([&] { fn == 0x0324 ? p.c_.polygon(v) : p.c_.polyline(v); });
        break;
    }
    case 0x0538: {
        size_t n = r.u16(a), at = a + 2 + 2 * n;
        for (size_t k = 0; k < n && !r.bad; ++k) {
            size_t cnt = r.u16(a + 2 + 2 * k);
            auto v = pts(at, cnt);
            if (v.size() >= 2)
                p.shape([&] { p.c_.polygon(v); });
            at += cnt * 4;
        }
        break;
    }
    case 0x0521: {
        size_t n = std::min<size_t>(r.u16(a), kMaxTextChars);
        size_t padded = (n + 1) & ~size_t(1);
        std::string_view s = r.sub(a + 2, n);
        double y = r.i16(a + 2 + padded), x = r.i16(a + 4 + padded);
        if (!r.bad)
            p.text(x, y, latin1(s));
        break;
    }
    case 0x0A32: {
        double y = r.i16(a), x = r.i16(a + 2);
        size_t n = std::min<size_t>(r.u16(a + 4), kMaxTextChars);
        uint16_t opts = r.u16(a + 6);
        size_t at = a + 8 + ((opts & 6) ? 8 : 0);
        std::string_view s = r.sub(at, n);
        if (s.size() == n)
            p.text(x, y, latin1(s));
        break;
    }
    case 0x0F43: { // StretchDIBits
        int sh = r.i16(a + 6), sw = r.i16(a + 8), sy = r.i16(a + 10), sx = r.i16(a + 12);
        int dh = r.i16(a + 14), dw = r.i16(a + 16), dy = r.i16(a + 18), dx = r.i16(a + 20);
        if (!r.bad && r.d.size() > a + 22)
            p.bitmap(r.d.substr(a + 22), {}, dx, dy, dw, dh, sx, sy, sw, sh);
        break;
    }
    case 0x0B41: { // DIBStretchBlt with a bitmap
        int sh = r.i16(a + 4), sw = r.i16(a + 6), sy = r.i16(a + 8), sx = r.i16(a + 10);
        int dh = r.i16(a + 12), dw = r.i16(a + 14), dy = r.i16(a + 16), dx = r.i16(a + 18);
        if (!r.bad && r.d.size() > a + 20)
            p.bitmap(r.d.substr(a + 20), {}, dx, dy, dw, dh, sx, sy, sw, sh);
        break;
    }
    default: break;
    }
}

bool playWmf(const Bytes &b, Player &p, size_t start)
{
    // Standard header: type, header size in words, version, file size, objects, largest record, unused.
    if (!b.has(start, 18) || b.u16(start + 2) != 9)
        return false;
    size_t nObjects = std::min<size_t>(b.u16(start + 10), kMaxObjects);
    p.objects.resize(nObjects);
    size_t off = start + 18;
    for (size_t count = 0; count < kMaxRecords && b.has(off, 6); ++count) {
        uint64_t words = b.u32(off);
        uint16_t fn = b.u16(off + 4);
        if (words < 3 || words * 2 > b.d.size() - off)
            break;
        if (fn == 0x0000)
            return true; // end of file
        size_t size = size_t(words * 2);
        Bytes r{b.sub(off, size)};
        if (!wmfStateRecord(fn, r, p))
            wmfDrawRecord(fn, r, p);
        off += size;
    }
    return true;
}

// ---- enhanced metafiles ----

// A logical font record: its height, width, weight, style bytes and face name.
void emfFont(const Bytes &r, Player &p)
{
    const size_t a = 8;
    const size_t lf = a + 4;
    std::u16string face;
    for (size_t k = 0; k < 32 && r.has(lf + 28 + 2 * k, 2); ++k) {
        char16_t ch = r.u16(lf + 28 + 2 * k);
        if (!ch)
            break;
        face.push_back(ch);
    }
    std::string f8;
    for (char16_t ch : face)
        f8.push_back(ch < 0x80 ? char(ch) : '?');
    p.storeObject(r.u32(a), Player::makeFont(r.i32(lf), r.i32(lf + 4), r.i32(lf + 16), r.u8(lf + 20),
                                             r.u8(lf + 21), r.u8(lf + 22), r.u8(lf + 23), f8));
}

// Window, colours, the DC stack and the object table; false for any other record.
bool emfStateRecord(uint32_t type, const Bytes &r, Player &p)
{
    const size_t a = 8; // first parameter
    switch (type) {
    case 9: if (r.i32(a) && r.i32(a + 4)) { p.st.winExtX = r.i32(a); p.st.winExtY = r.i32(a + 4); } break;
    case 10: p.st.winOrgX = r.i32(a); p.st.winOrgY = r.i32(a + 4); break;
    case 11: if (r.i32(a) && r.i32(a + 4)) { p.st.viewExtX = r.i32(a); p.st.viewExtY = r.i32(a + 4); } break;
    case 12: p.st.viewOrgX = r.i32(a); p.st.viewOrgY = r.i32(a + 4); break;
    case 17: {
        uint32_t m = r.u32(a);
        if (m >= 1 && m <= 8)
            p.st.mapMode = int(m);
        break;
    }
    case 18: p.st.bkMode = r.u32(a) == 1 ? BkMode::Transparent : BkMode::Opaque; break;
    case 22: p.st.textAlign = r.u32(a); break;
    case 24: p.st.textColor = colorRef(r.u32(a)); break;
    case 25: p.st.bkColor = colorRef(r.u32(a)); break;
    case 33: p.saveDc(); break;
    case 34: p.restoreDc(r.i32(a)); break;
    case 27: p.st.curX = r.i32(a); p.st.curY = r.i32(a + 4); break;
    case 54: p.lineTo(r.i32(a), r.i32(a + 4)); break;
    case 37: {
        uint32_t i = r.u32(a);
        if (i & 0x80000000u)
            p.stockObject(i);
        else
            p.selectIndex(i);
        break;
    }
    case 40: p.deleteIndex(r.u32(a)); break;
    case 38: p.storeObject(r.u32(a), Player::makePen(r.u32(a + 4), r.i32(a + 8), r.u32(a + 16))); break;
    case 95: p.storeObject(r.u32(a), Player::makePen(r.u32(a + 20), r.i32(a + 24), r.u32(a + 32))); break;
    case 39: p.storeObject(r.u32(a), Player::makeBrush(r.u32(a + 4), r.u32(a + 8))); break;
    case 82: emfFont(r, p); break;
    default: return false;
    }
    return true;
}

// PolyPolygon and PolyPolyline records, 32- or 16-bit points.
void emfPolyPoly(uint32_t type, const Bytes &r, Player &p)
{
    const size_t a = 8;
    size_t polys = r.u32(a + 16), total = r.u32(a + 20);
    if (polys > kMaxPoints || total > kMaxPoints)
        return;
    size_t at = a + 24 + 4 * polys, ptSize = (type >= 90 ? 4 : 8);
    bool closed = type == 8 || type == 91;
    for (size_t k = 0; k < polys && !r.bad; ++k) {
        size_t cnt = r.u32(a + 24 + 4 * k);
        auto v = ptSize == 4 ? devicePoints(r, p, at, cnt, 2) : devicePoints(r, p, at, cnt, 4);
        if (v.size() >= 2)
            p.shape([&] { closed ? p.c_.polygon(v) : p.c_.polyline(v); });
        at += cnt * ptSize;
        if (cnt > total)
            return;
    }
}

// ExtTextOutW and ExtTextOutA.
void emfText(uint32_t type, const Bytes &r, Player &p)
{
    const size_t a = 8;
    // Bounds, graphics mode, scales, then the text record.
    const size_t t = a + 16 + 12;
    double x = r.i32(t), y = r.i32(t + 4);
    size_t n = std::min<size_t>(r.u32(t + 8), kMaxTextChars);
    size_t at = r.u32(t + 12);
    std::u16string s;
    if (type == 84) {
        if (r.has(at, n * 2))
            for (size_t k = 0; k < n; ++k)
                s.push_back(r.u16(at + 2 * k));
    } else {
        s = latin1(r.sub(at, n));
    }
    if (!r.bad)
        p.text(x, y, s);
}

// Shapes, text and pictures; records we do not draw are skipped.
void emfDrawRecord(uint32_t type, const Bytes &r, Player &p)
{
    const size_t a = 8; // first parameter
    auto pts32 = [&](size_t at, size_t n) { return devicePoints(r, p, at, n, 4); };
    auto pts16 = [&](size_t at, size_t n) { return devicePoints(r, p, at, n, 2); };
    switch (type) {
    case 42:
    case 43: {
        Rect rc = p.devRect(r.i32(a), r.i32(a + 4), r.i32(a + 8), r.i32(a + 12));
        p.shape([&] { type == 43 ? p.c_.rectangle(rc) : p.c_.ellipse(rc); });
        break;
    }
    case 3: case 4: case 86: case 87: {
        size_t n = r.u32(a + 16);
        auto v = type >= 86 ? pts16(a + 20, n) : pts32(a + 20, n);
        bool closed = type == 3 || type == 86;
        if (v.size() >= 2)
            p.shape([&] { closed ? p.c_.polygon(v) : p.c_.polyline(v); });
        break;
    }
    case 8: case 91: case 7: case 90: emfPolyPoly(type, r, p); break;
    case 84: case 83: emfText(type, r, p); break;
    case 81: { // StretchDIBits
        int dx = r.i32(a + 16), dy = r.i32(a + 20), sx = r.i32(a + 24), sy = r.i32(a + 28);
        int sw = r.i32(a + 32), sh = r.i32(a + 36);
        uint32_t offBmi = r.u32(a + 40), cbBmi = r.u32(a + 44), offBits = r.u32(a + 48), cbBits = r.u32(a + 52);
        int dw = r.i32(a + 64), dh = r.i32(a + 68);
        std::string_view bmi = r.sub(offBmi, cbBmi), bits = r.sub(offBits, cbBits);
        if (!r.bad && !bmi.empty() && !bits.empty())
            p.bitmap(bmi, bits, dx, dy, dw, dh, sx, sy, sw, sh);
        break;
    }
    default: break;
    }
}

bool playEmf(const Bytes &b, Player &p)
{
    size_t off = 0;
    for (size_t count = 0; count < kMaxRecords && b.has(off, 8); ++count) {
        uint32_t type = b.u32(off), size = b.u32(off + 4);
        if (size < 8 || size % 4 || size > b.d.size() - off)
            break;
        if (type == 14)
            return true; // end of file
        Bytes r{b.sub(off, size)};
        if (!emfStateRecord(type, r, p))
            emfDrawRecord(type, r, p);
        off += size;
    }
    return true;
}

} // namespace

bool ReadMetafileInfo(std::string_view data, TRVMetafileInfo &info)
{
    Bytes b{data};
    info = TRVMetafileInfo();
    if (b.has(0, 88) && b.u32(0) == 1 && b.u32(40) == kEmfSignature) {
        info.Enhanced = true;
        info.Left = b.i32(8);
        info.Top = b.i32(12);
        info.Right = b.i32(16);
        info.Bottom = b.i32(20);
        info.FrameWidth100mm = int(std::clamp<int64_t>(int64_t(b.i32(32)) - b.i32(24), INT32_MIN, INT32_MAX));
        info.FrameHeight100mm = int(std::clamp<int64_t>(int64_t(b.i32(36)) - b.i32(28), INT32_MIN, INT32_MAX));
        return true;
    }
    if (b.has(0, 22 + 18) && b.u32(0) == kPlaceableKey) {
        info.Left = b.i16(6);
        info.Top = b.i16(8);
        info.Right = b.i16(10);
        info.Bottom = b.i16(12);
        info.Inch = b.u16(14) ? b.u16(14) : 1440;
        return b.u16(22 + 2) == 9;
    }
    return false;
}

bool PlayMetafile(std::string_view data, Canvas &canvas, const Rect &dest)
{
    TRVMetafileInfo info;
    if (!ReadMetafileInfo(data, info) || dest.width() <= 0 || dest.height() <= 0)
        return false;
    Bytes b{data};
    Player p(canvas, dest);
    CanvasSaver keep(canvas);
    canvas.intersectClipRect(dest);
    canvas.setBkMode(BkMode::Opaque);
    if (info.Enhanced) {
        p.enhanced = true;
        // The frame (0.01 mm) in reference-device pixels.
        int devW = b.i32(72), devH = b.i32(76), mmW = b.i32(80), mmH = b.i32(84);
        if (devW > 0 && devH > 0 && mmW > 0 && mmH > 0) {
            p.refPerMmX = double(devW) / mmW;
            p.refPerMmY = double(devH) / mmH;
        }
        p.frameL = b.i32(24) / 100.0 * p.refPerMmX;
        p.frameT = b.i32(28) / 100.0 * p.refPerMmY;
        p.frameW = info.FrameWidth100mm / 100.0 * p.refPerMmX;
        p.frameH = info.FrameHeight100mm / 100.0 * p.refPerMmY;
        if (!(std::fabs(p.frameW) >= 1e-6) || !(std::fabs(p.frameH) >= 1e-6)) {
            p.frameL = info.Left;
            p.frameT = info.Top;
            p.frameW = double(info.Right) - info.Left + 1;
            p.frameH = double(info.Bottom) - info.Top + 1;
        }
        return playEmf(b, p);
    }
    p.frameL = info.Left;
    p.frameT = info.Top;
    p.frameW = double(info.Right) - info.Left;
    p.frameH = double(info.Bottom) - info.Top;
    if (p.frameW == 0 || p.frameH == 0)
        return false;
    return playWmf(b, p, 22);
}

Bitmap DecodeDib(std::string_view dib, std::string_view bitsIn)
{
    Bytes b{dib};
    uint32_t hdr = b.u32(0);
    int64_t w, h;
    int bpp;
    uint32_t compression = 0, used = 0;
    size_t entry;
    if (hdr == 12) {
        w = b.u16(4);
        h = b.i16(6);
        bpp = b.u16(10);
        entry = 3;
    } else if (hdr >= 40 && hdr <= 124) {
        w = b.i32(4);
        h = b.i32(8);
        bpp = b.u16(14);
        compression = b.u32(16);
        used = b.u32(32);
        entry = 4;
    } else {
        return {};
    }
    if (b.bad || w <= 0 || h == 0 || h == INT32_MIN)
        return {};
    bool bottomUp = h > 0;
    h = h < 0 ? -h : h;
    if (w * h > Bitmap::kMaxPixels || (compression != 0 && !(compression == 3 && (bpp == 16 || bpp == 32))))
        return {};
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        return {};
    size_t colors = bpp <= 8 ? (used && used < (1u << bpp) ? used : (1u << bpp)) : 0;
    size_t tableAt = hdr + (compression == 3 && hdr == 40 ? 12 : 0);
    if (!b.has(tableAt, colors * entry))
        return {};
    std::string_view bits = bitsIn.empty() ? b.sub(tableAt + colors * entry, dib.size() - std::min(dib.size(), tableAt + colors * entry)) : bitsIn;
    size_t stride = size_t(((w * bpp + 31) / 32) * 4);
    if (stride == 0 || bits.size() / stride < size_t(h))
        return {};
    Bitmap out{int(w), int(h)};
    Bytes px{bits};
    for (int64_t y = 0; y < h; ++y) {
        size_t row = size_t(bottomUp ? h - 1 - y : y) * stride;
        for (int64_t x = 0; x < w; ++x) {
            uint32_t argb;
            if (bpp <= 8) {
                size_t bit = size_t(x) * size_t(bpp);
                unsigned v = (px.u8(row + bit / 8) >> (8 - bpp - bit % 8)) & ((1u << bpp) - 1);
                if (v >= colors)
                    v = 0;
                size_t c = tableAt + v * entry;
                argb = 0xFF000000u | uint32_t(b.u8(c + 2)) << 16 | uint32_t(b.u8(c + 1)) << 8 | b.u8(c);
            } else if (bpp == 16) {
                unsigned v = px.u16(row + size_t(x) * 2);
                unsigned r5 = (v >> 10) & 31, g5 = (v >> 5) & 31, b5 = v & 31;
                argb = 0xFF000000u | uint32_t(r5 * 255 / 31) << 16 | uint32_t(g5 * 255 / 31) << 8 | (b5 * 255 / 31);
            } else {
                size_t at = row + size_t(x) * size_t(bpp / 8);
                argb = 0xFF000000u | uint32_t(px.u8(at + 2)) << 16 | uint32_t(px.u8(at + 1)) << 8 | px.u8(at);
            }
            out.setPixel(int(x), int(y), argb);
        }
    }
    return out;
}

} // namespace rv
