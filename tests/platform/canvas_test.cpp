#include "platform/qt_canvas.h"
#include "support/test_canvas.h"

#include <QImage>
#include <gtest/gtest.h>

using namespace platform;

TEST(MetricsCanvas, MetricsFollowTheDocumentedRule)
{
    MetricsCanvas c;
    c.setFont(FontDesc::fromPoints("Arial", 10, 96));
    EXPECT_EQ(c.font().height, -13);
    TextMetrics tm = c.textMetrics();
    EXPECT_EQ(tm.tmHeight, 13);
    EXPECT_EQ(tm.tmAscent, 11);
    EXPECT_EQ(tm.tmDescent, 2);
    EXPECT_EQ(c.textExtent(u"a").cx, 6);
    EXPECT_EQ(c.textExtent(u"A").cx, 9);
    EXPECT_EQ(c.textExtent(u"Jn 3").cx, 9 + 6 + 3 + 6);
    c.setCharacterExtra(2);
    EXPECT_EQ(c.textExtent(u"ab").cx, 16);
    c.setCharacterExtra(0);

    FontDesc bold = c.font();
    bold.weight = 700;
    c.setFont(bold);
    EXPECT_EQ(c.textExtent(u"a").cx, 7);
    FontDesc wide = FontDesc::fromPoints("Arial", 10, 96);
    wide.width = 12; // twice the natural average width
    c.setFont(wide);
    EXPECT_EQ(c.textExtent(u"a").cx, 12);
    EXPECT_EQ(c.textMetrics().tmAveCharWidth, 12);
}

TEST(MetricsCanvas, FitAndPrefixWidthsAgreeWithExtent)
{
    MetricsCanvas c;
    c.setFont(FontDesc::fromPoints("Arial", 10, 96));
    std::u16string s = u"Porque de tal manera";
    std::vector<int> ext, fit;
    c.prefixWidths(s, ext);
    ASSERT_EQ(ext.size(), s.size());
    EXPECT_EQ(ext.back(), c.textExtent(s).cx);
    for (int w : {0, 5, 6, 7, 40, ext.back(), ext.back() + 100}) {
        int n = c.textFit(s, w, &fit);
        int want = int(std::upper_bound(ext.begin(), ext.end(), w) - ext.begin());
        EXPECT_EQ(n, want) << w;
        EXPECT_EQ(fit.size(), size_t(n));
    }
}

TEST(MetricsCanvas, WrapsAtWordsAndCopiesItsResolution)
{
    MetricsCanvas c(640, 480, 120, true);
    c.setFont(FontDesc::fromPoints("Arial", 10, 96));
    // "Porque" is 9 + 5 * 6 = 39 wide, the space 3, "de" 12: the two words fit 60, not 40.
    EXPECT_EQ(c.drawTextWrapped({0, 0, 60, 100}, u"Porque de"), 13);
    EXPECT_EQ(c.drawTextWrapped({0, 0, 40, 100}, u"Porque de"), 26);
    EXPECT_EQ(c.drawTextWrapped({0, 0, 600, 100}, u"Jn\n3:16"), 26);
    auto off = c.createCompatible(30, 20);
    EXPECT_NE(dynamic_cast<MetricsCanvas *>(off.get()), nullptr);
    EXPECT_EQ(off->dpiY(), 120);
    EXPECT_TRUE(off->isPrinter());
    EXPECT_EQ(off->deviceSize(), (Size{30, 20}));
}

TEST(TestCanvas, RecordsOutputInDeviceCoordinates)
{
    TestCanvas c;
    c.setFont(FontDesc::fromPoints("Arial", 10, 96));
    c.setOrigin({10, 20});
    c.setTextColor(clNavy);
    c.setBkMode(BkMode::Transparent);
    c.textOut(5, 5, u"Jn");
    c.save();
    c.intersectClipRect({0, 0, 50, 50});
    EXPECT_EQ(c.clipBox(), (Rect{0, 0, 50, 50}));
    c.restore();
    c.setMapping({2, 2}, {1, 1});
    c.fillRect({0, 0, 20, 20}, clRed);
    ASSERT_EQ(c.ops().size(), 2u);
    EXPECT_EQ(c.ops()[0].rect, (Rect{15, 25, 15 + 9 + 6, 25 + 13}));
    EXPECT_EQ(c.ops()[0].color, clNavy);
    EXPECT_EQ(c.ops()[0].back, clNone);
    EXPECT_EQ(c.ops()[1].rect, (Rect{10, 20, 20, 30}));

    auto off = c.createCompatible(30, 30);
    off->fillRect({1, 1, 3, 3}, clGreen);
    c.resetMapping();
    c.setOrigin({0, 0});
    c.drawCanvas(*off, 100, 100);
    EXPECT_EQ(c.ops().back().rect, (Rect{101, 101, 103, 103}));
}

TEST(QtCanvas, MeasuresConsistentlyAndDrawsWhereItMeasures)
{
    QtCanvas c(200, 60, 96);
    c.setFont(FontDesc::fromPoints("Arial", 10, 96));
    TextMetrics tm = c.textMetrics();
    EXPECT_GT(tm.tmAscent, 0);
    EXPECT_GT(tm.tmDescent, 0);
    EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
    // Width is the sum of the characters' widths: monotone, additive, fit agrees.
    std::u16string s = u"Jn:3:16 Señor";
    std::vector<int> ext;
    c.prefixWidths(s, ext);
    for (size_t i = 1; i < ext.size(); ++i)
        EXPECT_GE(ext[i], ext[i - 1]);
    EXPECT_EQ(ext.back(), c.textExtent(s).cx);
    EXPECT_EQ(c.textExtent(u"Jn:3:16").cx + c.textExtent(u" Señor").cx, ext.back());
    EXPECT_EQ(c.textFit(s, ext[4]), 5);
    // Metric-compatible faces: "Jn:3:16" is 36 px wide in Arial 8 pt and 43 px in 10 pt.
    EXPECT_EQ(c.textExtent(u"Jn:3:16").cx, 43);
    c.setFont(FontDesc::fromPoints("Arial", 8, 96));
    EXPECT_EQ(c.textExtent(u"Jn:3:16").cx, 36);

    // Opaque text paints its cells; ink stays inside the measured box.
    c.fillRect({0, 0, 200, 60}, clWhite);
    c.setFont(FontDesc::fromPoints("Arial", 10, 96));
    c.setBkMode(BkMode::Opaque);
    c.setBkColor(clYellow);
    c.setTextColor(clBlack);
    c.textOut(10, 10, u"MMM");
    int w = c.textExtent(u"MMM").cx;
    c.finish();
    const QImage &img = c.image();
    EXPECT_EQ(img.pixelColor(10, 10), QColor(255, 255, 0));
    EXPECT_EQ(img.pixelColor(10 + w, 10), QColor(255, 255, 255));
    bool ink = false;
    for (int x = 10; x < 10 + w; ++x)
        for (int y = 10; y < 10 + tm.tmHeight; ++y)
            ink |= img.pixelColor(x, y).lightness() < 100;
    EXPECT_TRUE(ink);
}

TEST(QtCanvas, ShapesClipAndOffscreenCopies)
{
    QtCanvas c(100, 100, 96);
    c.fillRect({0, 0, 100, 100}, clWhite);
    c.setPen(Pen{clRed, 1, PenStyle::Solid});
    c.line(0, 5, 10, 5); // end point excluded
    c.save();
    c.intersectClipRect({20, 20, 30, 30});
    c.fillRect({0, 0, 100, 100}, clBlue);
    c.restore();
    auto off = c.createCompatible(10, 10);
    off->fillRect({0, 0, 10, 10}, clLime);
    c.drawCanvas(*off, 50, 50);
    c.setOrigin({60, 0});
    c.fillRect({0, 0, 2, 2}, clBlack);
    c.finish();
    const QImage &img = c.image();
    EXPECT_EQ(img.pixelColor(9, 5), QColor(255, 0, 0));
    EXPECT_EQ(img.pixelColor(10, 5), QColor(255, 255, 255));
    EXPECT_EQ(img.pixelColor(25, 25), QColor(0, 0, 255));
    EXPECT_EQ(img.pixelColor(30, 30), QColor(255, 255, 255));
    EXPECT_EQ(img.pixelColor(55, 55), QColor(0, 255, 0));
    EXPECT_EQ(img.pixelColor(61, 1), QColor(0, 0, 0));
}

TEST(Colors, SystemColoursResolveThroughTheFixedTable)
{
    EXPECT_EQ(colorToRGB(clWindow), clWhite);
    EXPECT_EQ(colorToRGB(clWindowText), clBlack);
    EXPECT_EQ(colorToRGB(clNavy), clNavy);
    EXPECT_TRUE(isSysColor(clHotLight));
    EXPECT_FALSE(isSysColor(clNone));
}
