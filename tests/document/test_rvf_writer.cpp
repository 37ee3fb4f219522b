// RVF writing: whole documents and selections read back to the same items and styles.
#include "document/rv_graphic.h"
#include "document/rvf_writer.h"
#include "test_util.h"

#include <gtest/gtest.h>

using namespace rv;
using rvtest::Doc;
using rvtest::lines;

namespace {

void expectSameItems(const TCustomRVData &a, const TCustomRVData &b)
{
    ASSERT_EQ(a.ItemCount(), b.ItemCount());
    for (int i = 0; i < a.ItemCount(); ++i) {
        const auto &x = a.GetItem(i), &y = b.GetItem(i);
        EXPECT_EQ(x.StyleNo, y.StyleNo) << i;
        EXPECT_EQ(x.ParaNo, y.ParaNo) << i;
        EXPECT_EQ(x.ItemOptions, y.ItemOptions) << i;
        EXPECT_EQ(x.Tag, y.Tag) << i;
        EXPECT_EQ(x.Hint, y.Hint) << i;
        EXPECT_EQ(a.ItemText(i), b.ItemText(i)) << i;
        EXPECT_EQ(x.Checkpoint != nullptr, y.Checkpoint != nullptr) << i;
        if (x.Checkpoint && y.Checkpoint) {
            EXPECT_EQ(x.Checkpoint->Name, y.Checkpoint->Name);
        }
        auto *px = dynamic_cast<const TRVGraphicItemInfo *>(&x);
        auto *py = dynamic_cast<const TRVGraphicItemInfo *>(&y);
        if (px && py) {
            EXPECT_EQ(px->Image->StoredBytes(), py->Image->StoredBytes());
            EXPECT_EQ(px->AltText, py->AltText);
        }
    }
}

std::string sample(const char *name) { return std::string(QUENLOR_TEST_DATA) + "/Estudios/" + name; }

} // namespace

TEST(RVFWriter, SamplesRoundTrip)
{
    for (const char *name : {"Juan3.rvf", "Estudio-largo.rvf"})
        for (uint16_t binary : {uint16_t(rvfoSaveBinary), uint16_t(0)}) {
            Doc src;
            ASSERT_TRUE(LoadRVFFromFile(src.data, sample(name))) << name;
            EXPECT_EQ(src.data.LoadWarnings, 0);
            src.data.RVFOptions = uint16_t((kDefaultRVFOptions & ~rvfoSaveBinary) | binary | rvfoSaveTextStyles
                                           | rvfoSaveParaStyles);
            std::string out;
            ASSERT_TRUE(SaveRVFToString(src.data, out));
            Doc back;
            ASSERT_TRUE(back.read(out)) << name;
            expectSameItems(src.data, back.data);
            EXPECT_EQ(back.style.TextStyles.Count(), src.style.TextStyles.Count());
            EXPECT_TRUE(back.style.TextStyles[12].Unicode);
            EXPECT_EQ(back.data.DocProperties, src.data.DocProperties);
            EXPECT_EQ(back.data.DocParameters->ToLines(), src.data.DocParameters->ToLines());
            EXPECT_EQ(back.data.CPCount, src.data.CPCount);
            // Writing what was read gives the same bytes again.
            back.data.RVFOptions = src.data.RVFOptions;
            std::string again;
            ASSERT_TRUE(SaveRVFToString(back.data, again));
            EXPECT_EQ(again, out);
        }
}

TEST(RVFWriter, Selections)
{
    Doc d;
    ASSERT_TRUE(d.read(lines({"-8 1 3", "0 2 0 0 0 0", "uno dos", "tres cuatro", "1 1 0 0 0 0", "cinco",
                              "-2 1 0 0 0 0 0 0", "marca", "0 1 0 0 0 0", "seis"})));
    const std::string params = "-9 0 0 0 0 0 7\r\n";
    const struct {
        int no, si, so, ei, eo;
        std::string expected;
    } cases[] = {
        // two whole paragraphs of one style: one record of two lines
        {1, 0, 1, 1, 12, "-8 1 3\r\n" + params + lines({"0 2 0 0 0 0", "uno dos", "tres cuatro"})},
        // the middle of a word
        {2, 0, 2, 0, 4, "-8 1 3\r\n" + params + lines({"0 1 -1 0 0 0", "no"})},
        // from inside an item: the first piece continues a paragraph
        {3, 0, 5, 1, 5, "-8 1 3\r\n" + params + lines({"0 1 -1 0 0 0", "dos", "0 1 0 0 0 0", "tres"})},
        // a checkpoint travels before its item; ends may come reversed
        {4, 3, 3, 2, 1, "-8 1 3\r\n" + params + lines({"1 1 0 0 0 0", "cinco", "-2 1 0 0 0 0 0 0", "marca",
                                                       "0 1 0 0 0 0", "se"})},
        // empty selection: only the records before the items
        {5, 2, 3, 2, 3, "-8 1 3\r\n" + params},
    };
    for (auto &c : cases) {
        std::string out;
        ASSERT_TRUE(SaveRVFSelectionToString(d.data, out, c.si, c.so, c.ei, c.eo));
        EXPECT_EQ(out, c.expected) << "case " << c.no;
        Doc back;
        EXPECT_TRUE(back.read(out)) << "case " << c.no;
    }
}

TEST(RVFWriter, UnicodePicturesAndOptions)
{
    Doc d;
    d.style.TextStyles[0].Unicode = true;
    auto text = CreateItemForStyle(0);
    text->ItemOptions = ioUnicode;
    d.data.AddItem(std::string("J\0n\0", 4), std::move(text));
    auto pic = std::make_unique<TRVGraphicItemInfo>();
    pic->Image = CreateGraphicByClassName("TBitmap");
    ASSERT_TRUE(pic->Image->LoadFromBytes(EncodeBmp(platform::Bitmap(3, 2))));
    pic->ImageWidth = 9;
    pic->Spacing = 0;
    d.data.AddItem("foto", std::move(pic));

    std::string bin;
    ASSERT_TRUE(SaveRVFToString(d.data, bin));
    EXPECT_NE(bin.find(std::string("0 1 0 8 0 0\r\nJ\0n\0\x29\x20", 19)), std::string::npos);
    EXPECT_NE(bin.find("-3 5 0 0 2 0 0\r\nfoto\r\nTBitmap\r\nspacing=0\r\nwidth=9\r\n"), std::string::npos);
    d.data.RVFOptions &= uint16_t(~rvfoSaveBinary);
    std::string hexed;
    ASSERT_TRUE(SaveRVFToString(d.data, hexed));
    EXPECT_NE(hexed.find("0 1 0 8 3 0\r\n4A006E00\r\n"), std::string::npos);
    for (auto *s : {&bin, &hexed}) {
        Doc back;
        back.style.TextStyles[0].Unicode = true;
        ASSERT_TRUE(back.read(*s));
        expectSameItems(d.data, back.data);
        EXPECT_EQ(static_cast<TRVGraphicItemInfo &>(back.data.GetItem(1)).Spacing, 0);
    }

    // Text holding U+2029 cannot be framed raw: it goes out as hexadecimal.
    d.data.RVFOptions |= rvfoSaveBinary;
    d.data.SetItemText(0, std::string("a\0\x29\x20" "b\0", 6));
    std::string sep;
    ASSERT_TRUE(SaveRVFToString(d.data, sep));
    Doc back;
    back.style.TextStyles[0].Unicode = true;
    ASSERT_TRUE(back.read(sep));
    EXPECT_EQ(back.data.ItemTextW(0), u"a\u2029b");

    // Style names instead of numbers read back to the same styles.
    Doc named;
    ASSERT_TRUE(named.read(lines({"-8 1 3", "7 1 2 0 0 0", "Jn:3:16"})));
    named.data.RVFOptions |= rvfoUseStyleNames;
    std::string byName;
    ASSERT_TRUE(SaveRVFToString(named.data, byName));
    EXPECT_NE(byName.find("\"V\xEDnculo a vers\xED" "culo\" 1 \"Derecha\""), std::string::npos);
    Doc nb;
    ASSERT_TRUE(nb.read(byName));
    expectSameItems(named.data, nb.data);

    Doc empty;
    std::string none;
    EXPECT_TRUE(SaveRVFToString(empty.data, none));
    EXPECT_TRUE(none.empty());
}
