// Metafile player: hand-made WMF and EMF files replayed on the test canvas and
// checked call by call; device-independent bitmaps; damaged files; transparent
// bitmaps.
#include "document/rv_graphic.h"
#include "document/rv_item.h"
#include "document/rv_metafile.h"
#include "support/test_canvas.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

using namespace rv;
using namespace platform;

namespace {

// Little-endian byte builder for hand-made files.
struct Out {
    std::string s;
    Out &u8(unsigned v) { s.push_back(char(v)); return *this; }
    Out &u16(unsigned v) { return u8(v & 0xFF).u8(v >> 8 & 0xFF); }
    Out &i16(int v) { return u16(unsigned(uint16_t(int16_t(v)))); }
    Out &u32(uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
    Out &i32(int v) { return u32(uint32_t(v)); }
    Out &bytes(std::string_view b) { s += b; return *this; }
};

// A 2×2 24-bit bottom-up DIB: top row red, blue; bottom row green, white.
std::string dib2x2()
{
    Out o;
    o.u32(40).i32(2).i32(2).u16(1).u16(24).u32(0).u32(16).i32(0).i32(0).u32(0).u32(0);
    // bottom row first, BGR, rows padded to 4 bytes
    o.u8(0).u8(0xFF).u8(0).u8(0xFF).u8(0xFF).u8(0xFF).u16(0);
    o.u8(0).u8(0).u8(0xFF).u8(0xFF).u8(0).u8(0).u16(0);
    return o.s;
}

// WMF record: size in words, function, parameters.
void record(Out &o, unsigned fn, const Out &params)
{
    o.u32(uint32_t(3 + params.s.size() / 2)).u16(fn).bytes(params.s);
}

// A placeable WMF with a 1000 × 500 logical frame at 1000 units per inch.
std::string wmf()
{
    Out body;
    Out p;
    record(body, 0x020B, Out().i16(0).i16(0));                       // window origin
    record(body, 0x020C, Out().i16(500).i16(1000));                  // window extent (y, x)
    record(body, 0x02FA, Out().u16(0).i16(10).i16(0).u32(0x0000FF)); // red pen, 10 wide
    record(body, 0x02FC, Out().u16(0).u32(0x00FF00).u16(0));         // green brush
    record(body, 0x012D, Out().u16(0));
    record(body, 0x012D, Out().u16(1));
    record(body, 0x041B, Out().i16(200).i16(300).i16(100).i16(100)); // rectangle (b, r, t, l)
    record(body, 0x0418, Out().i16(500).i16(1000).i16(300).i16(600)); // ellipse
    Out font;
    font.i16(-50).i16(0).i16(0).i16(0).i16(700).u8(0).u8(0).u8(0).u8(0).u8(0).u8(0).u8(0).u8(0);
    std::string face = "Arial";
    face.resize(32, '\0');
    font.bytes(face);
    record(body, 0x02FB, font); // font → slot 2
    record(body, 0x012D, Out().u16(2));
    record(body, 0x0209, Out().u32(0xFF0000)); // blue text
    record(body, 0x0521, Out().u16(3).bytes("Hey").u8(0).i16(0).i16(0)); // "Hey" at (0, 0)
    Out dib;
    dib.u32(0x00CC0020).u16(0).i16(2).i16(2).i16(0).i16(0).i16(100).i16(200).i16(400).i16(0).bytes(dib2x2());
    record(body, 0x0F43, dib);                 // StretchDIBits to (0, 400) 200 × 100
    record(body, 0x9999, Out().u16(1).u16(2)); // unknown: skipped
    record(body, 0x0000, Out());

    Out f;
    f.u32(0x9AC6CDD7).u16(0).i16(0).i16(0).i16(1000).i16(500).u16(1000).u32(0).u16(0);
    f.u16(1).u16(9).u16(0x300).u32(uint32_t((18 + body.s.size()) / 2)).u16(3).u32(0).u16(0);
    f.bytes(body.s);
    return f.s;
}

void emr(Out &o, uint32_t type, const Out &params) { o.u32(type).u32(uint32_t(8 + params.s.size())).bytes(params.s); }

// An EMF whose reference device is 100 pixels per 10 mm and whose frame is
// 0..20 mm × 0..10 mm, i.e. 200 × 100 reference pixels.
std::string emf()
{
    Out body;
    emr(body, 38, Out().u32(1).u32(0).i32(4).i32(0).u32(0x000000FF));    // pen 1: red, 4 wide
    emr(body, 39, Out().u32(2).u32(0).u32(0x00FF0000).u32(0));          // brush 2: blue
    emr(body, 37, Out().u32(1));
    emr(body, 37, Out().u32(2));
    emr(body, 43, Out().i32(10).i32(20).i32(50).i32(40));               // rectangle
    emr(body, 37, Out().u32(0x80000005));                                // stock null brush
    emr(body, 42, Out().i32(100).i32(0).i32(200).i32(100));             // ellipse
    Out lf;
    lf.u32(3).i32(-20).i32(0).i32(0).i32(0).i32(400).u8(1).u8(0).u8(0).u8(0).u8(0).u8(0).u8(0).u8(0);
    std::u16string face = u"Arial";
    for (size_t k = 0; k < 32; ++k)
        lf.u16(k < face.size() ? face[k] : 0);
    emr(body, 82, lf);
    emr(body, 37, Out().u32(3));
    emr(body, 22, Out().u32(24)); // baseline alignment
    Out text;
    // bounds, graphics mode, x/y scale, then reference point, count, offset, options, rect, offDx
    const uint32_t strOff = 8 + 16 + 12 + 8 + 4 + 4 + 4 + 16 + 4;
    text.i32(0).i32(0).i32(0).i32(0).u32(1).u32(0).u32(0).i32(10).i32(80).u32(2).u32(strOff).u32(0);
    text.i32(0).i32(0).i32(0).i32(0).u32(0).u16('O').u16('k');
    emr(body, 84, text);
    Out dib;
    std::string d = dib2x2();
    const uint32_t head = 8 + 16 + 4 * 14;
    dib.i32(0).i32(0).i32(0).i32(0).i32(150).i32(50).i32(0).i32(0).i32(2).i32(2).u32(head).u32(40)
        .u32(head + 40).u32(uint32_t(d.size() - 40)).u32(0).u32(0x00CC0020).i32(20).i32(40).bytes(d);
    emr(body, 81, dib);
    emr(body, 77777, Out().u32(0)); // unknown: skipped
    emr(body, 14, Out().u32(0).u32(0).u32(0));

    Out h;
    // bounds, frame (0.01 mm), signature, version, size, records, handles, reserved,
    // description, palette entries, device size (pixels), device size (mm)
    h.i32(0).i32(0).i32(199).i32(99).i32(0).i32(0).i32(2000).i32(1000).u32(0x464D4520).u32(0x10000);
    h.u32(0).u32(0).u16(4).u16(0).u32(0).u32(0).u32(0).i32(100).i32(100).i32(10).i32(10);
    Out f;
    f.u32(1).u32(uint32_t(8 + h.s.size())).bytes(h.s).bytes(body.s);
    return f.s;
}

} // namespace

TEST(Metafile, WindowsMetafileCallByCall)
{
    std::string data = wmf();
    TRVMetafileInfo info;
    ASSERT_TRUE(ReadMetafileInfo(data, info));
    EXPECT_FALSE(info.Enhanced);
    EXPECT_EQ(info.Inch, 1000);

    // The 1000 × 500 window onto a 200 × 100 box at (10, 20): a scale of 1/5.
    TestCanvas c;
    ASSERT_TRUE(PlayMetafile(data, c, Rect{10, 20, 210, 120}));
    const auto &ops = c.ops();
    ASSERT_EQ(ops.size(), 4u);
    EXPECT_EQ(ops[0].kind, DrawOp::Rectangle);
    EXPECT_EQ(ops[0].rect, (Rect{30, 40, 70, 60}));
    EXPECT_EQ(ops[0].color, clRed);
    EXPECT_EQ(ops[0].back, clLime);
    EXPECT_EQ(ops[1].kind, DrawOp::Ellipse);
    EXPECT_EQ(ops[1].rect, (Rect{130, 80, 210, 120}));
    EXPECT_EQ(ops[2].kind, DrawOp::Text);
    EXPECT_EQ(ops[2].text, u"Hey");
    EXPECT_EQ(ops[2].font.height, -10); // 50 logical units
    EXPECT_EQ(ops[2].font.weight, 700);
    EXPECT_EQ(ops[2].color, clBlue);
    EXPECT_EQ(ops[2].rect.left, 10);
    EXPECT_EQ(ops[2].rect.top, 20);
    EXPECT_EQ(ops[3].kind, DrawOp::Bitmap);
    EXPECT_EQ(ops[3].rect, (Rect{10, 100, 50, 120}));
    // The canvas state comes back as it was.
    EXPECT_EQ(c.pen(), Pen());
}

TEST(Metafile, EnhancedMetafileCallByCall)
{
    std::string data = emf();
    TRVMetafileInfo info;
    ASSERT_TRUE(ReadMetafileInfo(data, info));
    EXPECT_TRUE(info.Enhanced);
    EXPECT_EQ(info.FrameWidth100mm, 2000);

    // 200 × 100 reference pixels onto 400 × 200: everything doubles.
    TestCanvas c;
    ASSERT_TRUE(PlayMetafile(data, c, Rect{0, 0, 400, 200}));
    const auto &ops = c.ops();
    ASSERT_EQ(ops.size(), 4u);
    EXPECT_EQ(ops[0].kind, DrawOp::Rectangle);
    EXPECT_EQ(ops[0].rect, (Rect{20, 40, 100, 80}));
    EXPECT_EQ(ops[0].color, clRed);
    EXPECT_EQ(ops[0].back, clBlue);
    EXPECT_EQ(ops[1].kind, DrawOp::Ellipse);
    EXPECT_EQ(ops[1].rect, (Rect{200, 0, 400, 200}));
    EXPECT_EQ(ops[1].back, clNone); // the stock null brush
    EXPECT_EQ(ops[2].kind, DrawOp::Text);
    EXPECT_EQ(ops[2].text, u"Ok");
    EXPECT_EQ(ops[2].font.height, -40);
    EXPECT_TRUE(ops[2].font.italic);
    // On the baseline: the top is the ascent (40 - 40/5) above y = 160.
    EXPECT_EQ(ops[2].rect.left, 20);
    EXPECT_EQ(ops[2].rect.top, 160 - 32);
    EXPECT_EQ(ops[3].kind, DrawOp::Bitmap);
    EXPECT_EQ(ops[3].rect, (Rect{300, 100, 340, 180}));
}

TEST(Metafile, DeviceIndependentBitmaps)
{
    Bitmap b = DecodeDib(dib2x2());
    ASSERT_EQ(b.width(), 2);
    ASSERT_EQ(b.height(), 2);
    EXPECT_EQ(b.pixel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(b.pixel(1, 0), 0xFF0000FFu);
    EXPECT_EQ(b.pixel(0, 1), 0xFF00FF00u);
    EXPECT_EQ(b.pixel(1, 1), 0xFFFFFFFFu);

    // 1-bit palette, top-down.
    Out o;
    o.u32(40).i32(3).i32(-1).u16(1).u16(1).u32(0).u32(0).i32(0).i32(0).u32(0).u32(0);
    o.u32(0x000000).u32(0xFFFFFF).u8(0b10100000).u8(0).u16(0);
    Bitmap mono = DecodeDib(o.s);
    ASSERT_EQ(mono.width(), 3);
    EXPECT_EQ(mono.pixel(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(mono.pixel(1, 0), 0xFF000000u);
    EXPECT_EQ(mono.pixel(2, 0), 0xFFFFFFFFu);

    // Damaged: too few bits, a size past the pixel bound, compression, odd depth.
    std::string shortBits = dib2x2().substr(0, 44);
    EXPECT_TRUE(DecodeDib(shortBits).isNull());
    Out huge;
    huge.u32(40).i32(100000).i32(100000).u16(1).u16(24).u32(0).u32(0).i32(0).i32(0).u32(0).u32(0);
    EXPECT_TRUE(DecodeDib(huge.s).isNull());
    std::string rle = dib2x2();
    rle[16] = 1;
    EXPECT_TRUE(DecodeDib(rle).isNull());
    std::string odd = dib2x2();
    odd[14] = 7;
    EXPECT_TRUE(DecodeDib(odd).isNull());
}

TEST(Metafile, DamagedFilesStopQuietly)
{
    TestCanvas c;
    EXPECT_FALSE(PlayMetafile("", c, Rect{0, 0, 10, 10}));
    EXPECT_FALSE(PlayMetafile(std::string(100, 'x'), c, Rect{0, 0, 10, 10}));
    // Every cut of a good file plays what it holds and never reads past the end.
    for (const std::string &good : {wmf(), emf()})
        for (size_t n = 0; n < good.size(); ++n) {
            std::string cut = good.substr(0, n);
            TestCanvas t;
            PlayMetafile(cut, t, Rect{0, 0, 100, 100});
        }
    // A record claiming a size past the end ends the play; one of size 0 too.
    std::string w = wmf();
    w[22 + 18] = char(0xFF);
    w[22 + 18 + 1] = char(0xFF);
    TestCanvas t;
    EXPECT_TRUE(PlayMetafile(w, t, Rect{0, 0, 100, 100}));
    EXPECT_TRUE(t.ops().empty());
    // An empty target draws nothing.
    TestCanvas e;
    EXPECT_FALSE(PlayMetafile(wmf(), e, Rect{0, 0, 0, 0}));
}

TEST(Metafile, PicturesDrawThroughThePlayer)
{
    auto g = CreateGraphicByClassName("TMetafile");
    ASSERT_TRUE(g->LoadFromBytes(wmf()));
    EXPECT_EQ(g->Width(), 96);  // 1000 units at 1000 per inch, on a 96-dpi screen
    EXPECT_EQ(g->Height(), 48);
    TestCanvas c;
    g->Draw(c, Rect{0, 0, 96, 48});
    EXPECT_EQ(c.ops().size(), 4u);
}

TEST(Metafile, TransparentBitmaps)
{
    Bitmap src(2, 2, 0xFFFFFFFF);
    src.setPixel(0, 0, 0xFF112233);
    src.setPixel(0, 1, 0xFF00FF00); // bottom-left: the automatic colour
    // Automatic mode: the bottom-left pixel, as a stored BGR colour.
    EXPECT_EQ(TransparentKey(src, 0, 0), Color(0x0000FF00));
    // Fixed mode: tcolor is stored BGR: 0x00332211 is the pixel RGB 11 22 33.
    EXPECT_EQ(TransparentKey(src, 1, 0x00332211), Color(0x00332211));
    Bitmap m = MaskedCopy(src, 0x00332211);
    EXPECT_EQ(m.pixel(0, 0) >> 24, 0u);
    EXPECT_EQ(m.pixel(1, 0), 0xFFFFFFFFu);
    EXPECT_EQ(m.pixel(0, 1), 0xFF00FF00u);
}

TEST(Metafile, PictureBoxesStayInsideInt)
{
    // Sizes and spacing near 2^31 would overflow the box arithmetic: a stored
    // size past the bound gives way to the picture's own, spacing is capped.
    TRVGraphicItemInfo item;
    item.Image = CreateGraphicByClassName("TMetafile");
    ASSERT_TRUE(item.Image->LoadFromBytes(wmf()));
    item.ImageWidth = INT_MAX;
    item.ImageHeight = INT_MAX - 1;
    item.Spacing = INT_MAX;
    Size content = item.ContentSize();
    EXPECT_EQ(content.cx, 96);
    EXPECT_EQ(content.cy, 48);
    Size box = item.BoxSize(1200, 96);
    EXPECT_EQ(box.cx, MulDiv(96 + 2 * kMaxPictureSide, 1200, 96));
    EXPECT_EQ(box.cy, 48 + 2 * kMaxPictureSide);
    item.ImageWidth = kMaxPictureSide;
    EXPECT_EQ(item.ContentSize().cx, kMaxPictureSide);
    item.Spacing = -5;
    EXPECT_EQ(item.BoxSize().cx, kMaxPictureSide);

    // A metafile whose frame is past the pixel bound is refused, not sized.
    std::string big = wmf();
    big[10] = char(0xFF);
    big[11] = char(0x7F); // right = 32767 units
    big[14] = 1;
    big[15] = 0; // at 1 unit per inch
    EXPECT_FALSE(CreateGraphicByClassName("TMetafile")->LoadFromBytes(big));
}
