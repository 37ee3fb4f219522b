// RVF reading: header grammar, framing and encodings, record kinds, properties
// records, code-page conversion and failure behaviour.
#include "document/rv_graphic.h"
#include "document/rv_table.h"
#include "table_bytes.h"

#include <gtest/gtest.h>

using namespace rv;
using rvtest::Doc;
using rvtest::lines;
using rvtest::le32;

// Header grammar: each stream is read into an empty document on the reader's sheet.
TEST(RVFReader, HeaderGrammar)
{
    const struct {
        int no;
        std::string stream;
        bool ok;
        int items;
        int style, para;  // of the first item
        std::string text; // of the first item
    } cases[] = {
        {1, lines({"-8 1 3", "0 1 0 0 0 0", "Hello"}), true, 1, 0, 0, "Hello"},
        {2, lines({"0 1 0 0 0", "Hello"}), true, 1, 0, 0, "Hello"},            // version 1.0: no options field
        {3, lines({"-8 1 3", "0 1 0 0 0", "Hello"}), false, 0, 0, 0, ""},     // tag missing
        {4, lines({"-8 1 3", "0  1 0 0 0 0", "Hello"}), false, 0, 0, 0, ""},  // two spaces
        {5, lines({"-8 1 3", "12 1 0 0 0 0", "x"}), false, 0, 0, 0, ""},      // no text style 12
        {6, lines({"-8 1 3", "0 1 5 0 0 0", "x"}), false, 0, 0, 0, ""},       // no paragraph style 5
        {7, lines({"-8 1 3", "\"V\xEDnculo a vers\xED" "culo\" 1 0 0 0 0", "Jn:3:16"}), true, 1, 7, 0, "Jn:3:16"},
        {8, lines({"-8 1 3", "\"Nada\" 1 \"Derecha\" 0 0 0", "x"}), true, 1, 0, 2, "x"},
        {9, lines({"-8 1 3", "0 1 0 0 0 \"42\"", "x"}), true, 1, 0, 0, "x"},  // quoted tag in 1.3
        {10, lines({"-8 1 2", "0 1 0 0 0 \"42\"", "x"}), false, 0, 0, 0, ""}, // not in 1.2
        {11, lines({"-8 1 3", "0 1 0 0 0 abc", "x"}), false, 0, 0, 0, ""},    // tags are integers
        {12, lines({"-8 1 3", "", "x"}), false, 0, 0, 0, ""},                 // empty header line
        {13, lines({"-8 1 3", "0 2 0 0 0 -7 \"say \"\"hi\"\"\"", "a", "b"}), true, 2, 0, 0, "a"},
        {14, lines({"-8 1 3", "0 0 3 0 0 0"}), true, 1, 0, 3, ""},            // no lines: one empty item
        {15, lines({"-8 2 0", "0 1 0 0 \"1\"", "x"}), true, 1, 0, 0, "x"},    // 2.0: quoted tag, no options
        {16, lines({"-8 1 3", "0 1 0 0 0 0 junk", "x"}), false, 0, 0, 0, ""},
        {17, lines({"-8 1 3", "-300 3 0 0 0 0", "a", "b", "c", "0 1 0 0 0 0", "y"}), true, 1, 0, 0, "y"},
        {18, lines({"-8 1 3", "0 1 0 0 0 99999999999", "x"}), false, 0, 0, 0, ""},
    };
    for (auto &c : cases) {
        Doc d;
        EXPECT_EQ(d.read(c.stream), c.ok) << "case " << c.no;
        ASSERT_EQ(d.data.ItemCount(), c.items) << "case " << c.no;
        if (c.items) {
            EXPECT_EQ(d.data.GetItemStyle(0), c.style) << "case " << c.no;
            EXPECT_EQ(d.data.GetItem(0).ParaNo, c.para) << "case " << c.no;
            EXPECT_EQ(d.data.ItemText(0), c.text) << "case " << c.no;
        }
    }
    Doc tagged;
    ASSERT_TRUE(tagged.read(lines({"-8 1 3", "0 2 0 0 0 -7 \"say \"\"hi\"\"\"", "a", "b"})));
    EXPECT_EQ(tagged.data.GetItem(1).Tag, -7);
    EXPECT_EQ(tagged.data.GetItem(1).Hint, "say \"hi\"");
}

TEST(RVFReader, ParagraphContinuationAndUnknownStyles)
{
    Doc d;
    ASSERT_TRUE(d.read(lines({"-8 1 3", "0 1 3 0 0 0", "first"})));
    ASSERT_TRUE(d.read(lines({"-8 1 3", "0 2 -1 1 0 0", "a", "b"}), false));
    ASSERT_EQ(d.data.ItemCount(), 3);
    for (int i = 1; i < 3; ++i) {
        EXPECT_EQ(d.data.GetItem(i).ItemOptions & ioContinuesParagraph, ioContinuesParagraph);
        EXPECT_EQ(d.data.GetItem(i).ParaNo, 3);
    }

    Doc conv;
    conv.data.RVFOptions |= rvfoConvUnknownStylesToZero;
    ASSERT_TRUE(conv.read(lines({"-8 1 3", "12 1 7 0 0 0", "x"})));
    EXPECT_EQ(conv.data.GetItemStyle(0), 0);
    EXPECT_EQ(conv.data.GetItem(0).ParaNo, 0);
    EXPECT_EQ(conv.data.LoadWarnings, lwUnknownStyle);
}

TEST(RVFReader, FramingModes)
{
    // Binary block for a style-less properties record, then a Unicode text item in raw UTF-16.
    Doc d;
    std::string s = lines({"-8 1 3", "0 2 0 8 0 0"}) + std::string("H\0i\0\x29\x20", 6) + std::string("!\0\x29\x20", 4)
        + lines({"0 1 0 0 0 0", "after"});
    d.style.TextStyles[0].Unicode = true;
    ASSERT_TRUE(d.read(s));
    ASSERT_EQ(d.data.ItemCount(), 3);
    EXPECT_EQ(d.data.ItemTextW(0), u"Hi");
    EXPECT_EQ(d.data.ItemTextW(1), u"!");
    // An 8-bit item in a Unicode style becomes UTF-16.
    EXPECT_EQ(d.data.ItemTextW(2), u"after");
    EXPECT_EQ(d.data.LoadWarnings, lwConvertedToUnicode);

    // rtHexUnicode into an 8-bit style: converted from UTF-16.
    Doc hex;
    ASSERT_TRUE(hex.read(lines({"-8 1 3", "0 1 0 8 3 0", "4A006E00"})));
    EXPECT_EQ(hex.data.ItemText(0), "Jn");
    EXPECT_EQ(hex.data.GetItem(0).ItemOptions & ioUnicode, 0);
    EXPECT_EQ(hex.data.LoadWarnings, lwConvertedFromUnicode);

    // A character the code page lacks becomes "?".
    Doc q;
    ASSERT_TRUE(q.read(lines({"-8 1 3", "0 1 0 8 3 0", "4A00A803"})));
    EXPECT_EQ(q.data.ItemText(0), "J?");

    // Odd UTF-16 bytes cannot be converted; in a Unicode style the half unit is dropped.
    Doc odd;
    EXPECT_FALSE(odd.read(lines({"-8 1 3", "0 1 0 8 3 0", "4A006E"})));
    Doc oddU;
    oddU.style.TextStyles[0].Unicode = true;
    ASSERT_TRUE(oddU.read(lines({"-8 1 3", "0 1 0 8 3 0", "4A006E"})));
    EXPECT_EQ(oddU.data.ItemText(0).size(), 2u);

    // Unicode lines must follow CR LF; binary blocks must fit.
    Doc nocrlf;
    EXPECT_FALSE(nocrlf.read("-8 1 3\r\n0 1 0 8 0 0\nH\0"));
    Doc past;
    std::string bmp = EncodeBmp(platform::Bitmap(2, 2));
    EXPECT_FALSE(past.read(lines({"-8 1 3", "-3 3 0 0 2 0 0", "n", "TBitmap"}) + le32(1000) + bmp));

    // A NUL ends a line and is consumed: a huge line count cannot spin on it.
    Doc nul;
    EXPECT_FALSE(nul.read(lines({"-8 1 3", "0 2000000000 0 0 0 0"}) + std::string(3, '\0')));
    EXPECT_EQ(nul.data.ItemCount(), 3);
}

TEST(RVFReader, PicturesAndInvalidPictures)
{
    std::string bmp = EncodeBmp(platform::Bitmap(7, 5));
    auto hexOf = [](const std::string &b) {
        static const char *h = "0123456789ABCDEF";
        std::string s;
        for (unsigned char c : b) { s += h[c >> 4]; s += h[c & 15]; }
        return s;
    };
    Doc d;
    ASSERT_TRUE(d.read(lines({"-8 1 3", "-3 4 0 0 0 0 1", "pic", "TBitmap", "width=30", hexOf(bmp)})
                       + lines({"-10 3 0 0 2 5", "hot", "TBitmap"}) + le32(uint32_t(bmp.size())) + bmp
                       + lines({"-3 3 0 0 0 0", "bad", "TJPEGImage", "FFD8FFE000104A464946"})
                       + lines({"-3 3 0 0 0 0", "bad2", "TBitmap", "424D0000"})));
    ASSERT_EQ(d.data.ItemCount(), 4);
    auto &p = static_cast<TRVGraphicItemInfo &>(d.data.GetItem(0));
    EXPECT_EQ(d.data.ItemText(0), "pic");
    EXPECT_EQ(p.VerticalAlign, TRVVAlign::Middle);
    EXPECT_EQ(p.ImageWidth, 30);
    EXPECT_EQ(p.Image->Width(), 7);
    EXPECT_EQ(p.Image->StoredBytes(), bmp);
    EXPECT_TRUE(d.data.IsHyperlink(1));
    EXPECT_EQ(d.data.GetItem(1).Tag, 5);
    EXPECT_EQ(static_cast<TRVGraphicItemInfo &>(d.data.GetItem(1)).Image->Height(), 5);
    EXPECT_EQ(static_cast<TRVGraphicItemInfo &>(d.data.GetItem(2)).Image->Width(),
              d.style.InvalidPicture().Width());
    EXPECT_EQ(d.data.LoadWarnings, lwInvalidPicture);

    Doc unknown;
    EXPECT_FALSE(unknown.read(lines({"-8 1 3", "-3 3 0 0 0 0", "p", "TPngImage", "00"})));
    EXPECT_EQ(unknown.data.LoadWarnings, lwUnknownPictureFormat);
    Doc ignored;
    ignored.data.RVFOptions |= rvfoIgnoreUnknownPicFmt;
    EXPECT_TRUE(ignored.read(lines({"-8 1 3", "-3 3 0 0 0 0", "p", "TPngImage", "00"})));
    EXPECT_EQ(ignored.data.ItemCount(), 0);
    Doc badHex;
    EXPECT_FALSE(badHex.read(lines({"-8 1 3", "-3 3 0 0 0 0", "p", "TBitmap", "4G"})));
}

TEST(RVFReader, OtherRecordKinds)
{
    Doc d;
    std::string note = lines({"-8 1 3", "0 1 0 0 0 0", "nota"});
    std::string noteHex;
    for (unsigned char c : note) {
        static const char *h = "0123456789ABCDEF";
        noteHex += h[c >> 4];
        noteHex += h[c & 15];
    }
    ASSERT_TRUE(d.read(lines({"-8 1 3", "-2 1 0 0 0 9 1 0", "cp", "0 1 0 0 0 0", "text",
                              "-1 1 0 0 0 0 255 3 2", "spacing=4",
                              "-12 0 0 0 0 0 2",
                              "-11 1 0 0 0 0 0 1 5 1", "vshift=10",
                              "-200 6 -1 0 0 0", "etiqueta", "1", "0", "0", "protect", "lbl",
                              "-203 8 -1 0 0 0", "0", "0", "0", "", "1", "3", "fn", noteHex,
                              "-60 3 0 0 0 0 whatever", "tabla", "hint=h", rvtest::hex(rvtest::tableBody(0, 0, "")),
                              "-2 1 0 0 0 0", "fin"})));
    ASSERT_EQ(d.data.ItemCount(), 7);
    ASSERT_NE(d.data.GetItem(0).Checkpoint, nullptr);
    EXPECT_EQ(d.data.GetItem(0).Checkpoint->Name, "cp");
    EXPECT_EQ(d.data.GetItem(0).Checkpoint->Tag, 9);
    EXPECT_TRUE(d.data.GetItem(0).Checkpoint->RaiseEvent);
    ASSERT_NE(d.data.TrailingCheckpoint, nullptr);
    EXPECT_EQ(d.data.TrailingCheckpoint->Name, "fin");
    EXPECT_EQ(d.data.CPCount, 2);

    auto &line = static_cast<TRVBreakItemInfo &>(d.data.GetItem(1));
    EXPECT_EQ(line.LineColor, 255u);
    EXPECT_EQ(line.LineStyle, TRVBreakStyle::Dotted);
    EXPECT_EQ(line.LineWidth, 2);
    EXPECT_EQ(d.data.GetItem(2).GetAssociatedTextStyleNo(), 2);
    // No list styles: the marker keeps no list; an empty text item follows it.
    auto &marker = static_cast<TRVMarkerItemInfo &>(d.data.GetItem(3));
    EXPECT_EQ(marker.ListNo, -1);
    EXPECT_EQ(marker.StartFrom, 5);
    EXPECT_TRUE(marker.Reset);
    EXPECT_EQ(marker.VShift, 10);
    EXPECT_EQ(d.data.LoadWarnings, lwUnknownStyle);
    auto &label = static_cast<TRVLabelItemInfo &>(d.data.GetItem(4));
    EXPECT_EQ(label.Text, "etiqueta");
    EXPECT_EQ(label.TextStyleNo, 1);
    EXPECT_TRUE(label.ProtectTextStyleNo);
    EXPECT_EQ(d.data.ItemText(4), "lbl");
    auto &fn = static_cast<TRVFootnoteItemInfo &>(d.data.GetItem(5));
    ASSERT_NE(fn.Document, nullptr);
    ASSERT_EQ(fn.Document->ItemCount(), 1);
    EXPECT_EQ(fn.Document->ItemText(0), "nota");
    EXPECT_EQ(fn.StartFrom, 3);
    EXPECT_EQ(static_cast<TRVTableItemInfo &>(d.data.GetItem(6)).StoredBody, rvtest::tableBody(0, 0, ""));
    EXPECT_EQ(d.data.GetItem(6).Hint, "h");

    // A marker that ends the stream gets an empty text item after it.
    Doc m;
    ASSERT_TRUE(m.read(lines({"-8 1 3", "-11 0 2 0 0 0 0 0 1 0"})));
    ASSERT_EQ(m.data.ItemCount(), 2);
    EXPECT_EQ(m.data.GetItemStyle(1), 0);
    EXPECT_EQ(m.data.GetItem(1).ParaNo, 2);
    EXPECT_FALSE(m.data.IsParaStart(1));
}

TEST(RVFReader, PropertiesRecords)
{
    Doc d;
    d.data.RVFOptions |= rvfoLoadLayout;
    TRVLayoutInfo layout;
    std::string block = le32(0) + le32(25) + le32(5) + le32(6) + le32(7) + le32(8) + le32(100) + le32(900) + "\x02";
    std::string markers = le32(0) + le32(1) + le32(0) + le32(1) + "\x01" + le32(4) + le32(9);
    int at = 0;
    ASSERT_TRUE(ReadRVFStream(d.data,
                              lines({"-8 1 3", "-9 2 0 0 0 0 5", "a\x01\x02" "b", "c",
                                     "-9 4 0 0 0 0 7", "Units=2", "LeftMargin=25.5", "MirrorMargins=yes", "Bogus=1",
                                     "-9 2 0 0 2 0 3", ""}) + le32(uint32_t(block.size())) + block
                                  + lines({"-9 2 0 0 2 0 6", ""}) + le32(uint32_t(markers.size())) + markers,
                              at, true, &layout));
    ASSERT_EQ(d.data.DocProperties.size(), 2u);
    EXPECT_EQ(d.data.DocProperties[0], "a\r\nb");
    EXPECT_EQ(d.data.DocParameters->Units, rvuMillimeters);
    EXPECT_DOUBLE_EQ(double(d.data.DocParameters->LeftMargin), 25.5);
    EXPECT_TRUE(d.data.DocParameters->MirrorMargins);
    EXPECT_TRUE(layout.Loaded);
    EXPECT_EQ(layout.LeftMargin, 5);
    EXPECT_EQ(layout.MaxTextWidth, 900);
    EXPECT_EQ(layout.BiDiMode, rvbdRightToLeft);
    ASSERT_EQ(d.data.StoredMarkers.size(), 1u);
    EXPECT_EQ(d.data.StoredMarkers[0].StartFrom, 4);
    EXPECT_EQ(d.data.StoredMarkers[0].Counter, 9);

    // A later parameters record starts from the defaults.
    ASSERT_TRUE(d.read(lines({"-8 1 3", "-9 0 0 0 0 0 7"})));
    EXPECT_TRUE(d.data.DocParameters->IsDefault());

    // A value that does not convert keeps the default; the read goes on.
    Doc bad;
    EXPECT_TRUE(bad.read(lines({"-8 1 3", "-9 2 0 0 0 0 7", "ZoomPercent=lots", "RightMargin=2,5"})));
    EXPECT_EQ(bad.data.DocParameters->ZoomPercent, 100);
    EXPECT_DOUBLE_EQ(double(bad.data.DocParameters->RightMargin), 2.5);
    Doc shortLayout;
    shortLayout.data.RVFOptions |= rvfoLoadLayout;
    TRVLayoutInfo l2;
    at = 0;
    EXPECT_FALSE(ReadRVFStream(shortLayout.data, lines({"-8 1 3", "-9 2 0 0 0 0 3", "", "0000000018000000"}), at,
                               true, &l2));
}

TEST(RVFReader, FailureKeepsItemsRead)
{
    std::string s = rvtest::lines({"-8 1 3", "0 1 0 0 0 0", "uno", "0 1 0 0 0 0", "dos", "0 3 0 0 0 0", "tres"});
    Doc d;
    EXPECT_FALSE(d.read(s));
    ASSERT_EQ(d.data.ItemCount(), 3);
    EXPECT_EQ(d.data.ItemText(2), "tres");
    // Every prefix of a good stream reads without crashing, keeping what it could.
    std::string good = rvtest::lines({"-8 1 3", "-2 1 0 0 0 0 1 0", "cp", "0 2 0 0 0 0", "a", "b"});
    for (size_t n = 0; n <= good.size(); ++n) {
        Doc p;
        p.read(good.substr(0, n));
        EXPECT_LE(p.data.ItemCount(), 2);
    }
}

// A failed read says where it stopped (the line of the RVF text) and why; a
// successful one leaves no error behind.
TEST(RVFReader, FailureNamesLineAndReason)
{
    const struct {
        const char *what;
        std::string stream;
        RvfErrorKind kind;
        int line;
        const char *reason; // contained in the English text
    } cases[] = {
        {"two spaces", lines({"-8 1 3", "0 1 0 0 0 0", "uno", "0  1 0 0 0 0", "dos"}), RvfErrorKind::Header, 4,
         "Invalid RVF header"},
        {"unknown text style", lines({"-8 1 3", "12 1 0 0 0 0", "x"}), RvfErrorKind::Style, 2, "Unknown text style"},
        {"cut inside a record", lines({"-8 1 3", "0 3 0 0 0 0", "a", "b"}), RvfErrorKind::Truncated, 4,
         "2 of 3 data lines"},
        {"bad hex picture", lines({"-8 1 3", "-3 3 0 0 0 0", "", "TBitmap", "4D4ZZ"}), RvfErrorKind::Data, 5,
         "hexadecimal"},
        {"unknown picture class", lines({"-8 1 3", "-3 3 0 0 0 0", "", "TNoSuchPicture", "00"}), RvfErrorKind::Picture,
         4, "Unknown picture format"},
        {"damaged table", lines({"-8 1 3", "0 1 0 0 0 0", "a", "-60 2 0 0 0 0", "t", "DEADBEEF"}), RvfErrorKind::Table,
         6, "no TPF0 signature"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        rvtest::Doc d;
        ASSERT_FALSE(d.read(c.stream));
        const RvfError &e = d.data.LoadError;
        EXPECT_EQ(e.Kind, c.kind);
        EXPECT_EQ(e.Line, c.line);
        EXPECT_NE(e.What.find(c.reason), std::string::npos) << e.What;
        EXPECT_EQ(e.Text().rfind("line " + std::to_string(c.line) + ": ", 0), 0u) << e.Text();
        // A later good read clears it.
        rvtest::Doc ok;
        ok.data.LoadError = e;
        ASSERT_TRUE(ok.read(lines({"-8 1 3", "0 1 0 0 0 0", "bien"})));
        EXPECT_FALSE(ok.data.LoadError.Failed());
    }
    // Files: the reason without a line.
    rvtest::Doc f;
    EXPECT_FALSE(LoadRVFFromFile(f.data, "/no/such/study.rvf"));
    EXPECT_EQ(f.data.LoadError.Kind, RvfErrorKind::File);
    EXPECT_EQ(f.data.LoadError.Text(), "the file cannot be opened");
    EXPECT_FALSE(LoadRVFFromFile(f.data, "/"));
    EXPECT_EQ(f.data.LoadError.Text(), "it is a folder, not a file");
}
