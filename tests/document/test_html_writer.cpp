// HTML form of a copy: read back by Qt's own HTML parser, its text and its
// structure (formatting, alignment, lists, pictures) must survive.
#include "document/html_writer.h"
#include "document/rv_graphic.h"
#include "document/rv_table.h"
#include "test_util.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextList>
#include <QTextTable>
#include <gtest/gtest.h>

using namespace rv;

namespace {

struct HDoc : rvtest::Doc {
    void marker(int listNo, int level, int counter)
    {
        auto m = std::make_unique<TRVMarkerItemInfo>();
        m->ListNo = listNo;
        m->Level = level;
        m->Counter = counter;
        data.AddItem("", std::move(m));
    }
    std::string html()
    {
        std::string out, error;
        EXPECT_TRUE(SaveHTMLToString(data, out, &error)) << error;
        return out;
    }
};

QString parse(QTextDocument &doc, const std::string &html)
{
    doc.setHtml(QString::fromUtf8(html.data(), qsizetype(html.size())));
    return doc.toPlainText();
}

} // namespace

TEST(HtmlWriter, TextSurvivesAnHtmlParser)
{
    HDoc d;
    d.text("Porque de tal manera am\xF3 Dios al mundo, <que> & \"dio\"");
    d.text("  dos  blancos", 0, true, 1);
    d.text("Jn:3:16", 7, false);
    auto &lb = d.text("tras el salto", 0, true);
    lb.ItemOptions |= ioLineBreak;
    d.text("");
    d.text("fin");
    QTextDocument doc;
    QString t = parse(doc, d.html());
    EXPECT_EQ(t.toStdString(), "Porque de tal manera am\xC3\xB3 Dios al mundo, <que> & \"dio\"\n"
                               "  dos  blancosJn:3:16\ntras el salto\n \nfin");
}

TEST(HtmlWriter, FormattingAlignmentAndLinks)
{
    HDoc d;
    d.text("Titulo", 5, true, 1);
    d.text("normal ");
    d.text("Jn:3:16", 7, false);
    d.text(" rojo", 11, false);
    QTextDocument doc;
    parse(doc, d.html());
    QTextBlock title = doc.firstBlock();
    EXPECT_EQ(title.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    QTextCharFormat tf = title.begin().fragment().charFormat();
    EXPECT_EQ(tf.fontWeight(), QFont::Bold);
    EXPECT_EQ(tf.fontPointSize(), 16);
    EXPECT_EQ(tf.fontFamilies().toStringList().value(0), "Arial");
    QTextBlock body = title.next();
    std::vector<QTextCharFormat> frags;
    for (auto it = body.begin(); !it.atEnd(); ++it)
        frags.push_back(it.fragment().charFormat());
    ASSERT_EQ(frags.size(), 3u);
    EXPECT_TRUE(frags[1].fontUnderline());
    EXPECT_EQ(frags[1].foreground().color(), QColor(0, 0, 128)); // navy, as the verse links look
    EXPECT_FALSE(frags[1].isAnchor());                            // styled text, no link target
    EXPECT_TRUE(frags[2].fontItalic());
    EXPECT_EQ(frags[2].foreground().color(), QColor(255, 0, 0));
}

TEST(HtmlWriter, ListsAreLists)
{
    HDoc d;
    auto &list = d.style.ListStyles.Add();
    auto &l0 = list.Levels.emplace_back();
    l0.ListType = rvlstDecimal;
    auto &l1 = list.Levels.emplace_back();
    l1.ListType = rvlstBullet;
    d.marker(0, 0, 3);
    d.text("tres", 0, false);
    d.marker(0, 1, 1);
    d.text("punto", 0, false);
    d.marker(0, 0, 4);
    d.text("cuatro", 0, false);
    d.text("fuera");
    const std::string h = d.html();
    EXPECT_NE(h.find("<ol type=\"1\" start=\"3\""), std::string::npos) << h; // the counter goes on from the marker
    QTextDocument doc;
    QString t = parse(doc, h);
    EXPECT_EQ(t.toStdString(), "tres\npunto\ncuatro\nfuera");
    QTextBlock b = doc.firstBlock();
    ASSERT_TRUE(b.textList());
    EXPECT_EQ(b.textList()->format().style(), QTextListFormat::ListDecimal);
    QTextBlock inner = b.next();
    ASSERT_TRUE(inner.textList());
    EXPECT_EQ(inner.textList()->format().style(), QTextListFormat::ListDisc);
    QTextBlock four = inner.next();
    EXPECT_EQ(four.textList(), b.textList()); // back in the numbered list
    EXPECT_FALSE(four.next().textList());
}

TEST(HtmlWriter, PicturesInlineAsDataUris)
{
    HDoc d;
    d.text("foto: ");
    auto p = std::make_unique<TRVGraphicItemInfo>();
    p->Image = CreateGraphicByClassName("TBitmap");
    ASSERT_TRUE(p->Image->LoadFromBytes(EncodeBmp(platform::Bitmap(3, 2, 0xFFFF0000))));
    p->ItemOptions |= ioContinuesParagraph;
    d.data.AddItem("", std::move(p));
    std::string h = d.html();
    EXPECT_NE(h.find("<img src=\"data:image/png;base64,iVBORw0KGgo"), std::string::npos) << h;
    QTextDocument doc;
    parse(doc, h);
    bool found = false;
    for (auto it = doc.firstBlock().begin(); !it.atEnd(); ++it)
        if (it.fragment().charFormat().isImageFormat()) {
            QTextImageFormat f = it.fragment().charFormat().toImageFormat();
            EXPECT_EQ(f.width(), 3);
            EXPECT_TRUE(f.name().startsWith("data:image/png"));
            found = true;
        }
    EXPECT_TRUE(found);
}

TEST(HtmlWriter, SelectionTakesOnlyItsCharacters)
{
    HDoc d;
    d.text("Porque de tal");
    d.text("manera amo");
    std::string out;
    ASSERT_TRUE(SaveHTMLSelectionToString(d.data, out, 1, 7, 0, 8));
    QTextDocument doc;
    EXPECT_EQ(parse(doc, out).toStdString(), "de tal\nmanera");
}

TEST(HtmlWriter, TablesWithSpansNestingAndCellDocuments)
{
    // 3 × 3: (0,0) spans two columns, (0,2) two rows, (1,1) holds a nested 1 × 2 table.
    HDoc d;
    d.text("antes");
    auto t = std::make_unique<TRVTableItemInfo>();
    t->SetSize(3, 3, &d.style);
    auto put = [&](TCustomRVData &cell, const char *text) { cell.AddItem(text, std::make_unique<TRVTextItemInfo>(0)); };
    t->Cell(0, 0)->ColSpan = 2;
    t->Rows[0].Cells[1].reset();
    t->Cell(0, 2)->RowSpan = 2;
    t->Rows[1].Cells[2].reset();
    put(*t->Cell(0, 0), "A & B");
    put(*t->Cell(0, 2), "C");
    put(*t->Cell(1, 0), "D");
    auto inner = std::make_unique<TRVTableItemInfo>();
    inner->SetSize(1, 2, &d.style);
    put(*inner->Cell(0, 0), "i");
    put(*inner->Cell(0, 1), "j");
    t->Cell(1, 1)->AddItem("", std::move(inner));
    t->Cell(2, 0)->Color = platform::clYellow;
    t->CellBorderWidth = 1;
    t->CellBorderStyle = rvtbColor;
    t->CellBorderColor = platform::clNavy;
    t->HeadingRowCount = 1;
    d.data.AddItem("", std::move(t));
    d.text("despues");
    const std::string h = d.html();
    EXPECT_NE(h.find("<th colspan=\"2\""), std::string::npos) << h;
    EXPECT_NE(h.find("rowspan=\"2\""), std::string::npos) << h;
    EXPECT_NE(h.find("border-top:1px solid #000080"), std::string::npos) << h;
    EXPECT_NE(h.find("background-color:#ffff00"), std::string::npos) << h;
    // No empty paragraph stands in for the table.
    EXPECT_EQ(h.find("&nbsp;</p>\n<table"), std::string::npos) << h;

    QTextDocument doc;
    parse(doc, h);
    QTextFrame *root = doc.rootFrame();
    QTextTable *table = nullptr;
    for (QTextFrame *f : root->childFrames())
        if ((table = qobject_cast<QTextTable *>(f)))
            break;
    ASSERT_TRUE(table);
    EXPECT_EQ(table->rows(), 3);
    EXPECT_EQ(table->columns(), 3);
    EXPECT_EQ(table->cellAt(0, 0).columnSpan(), 2);
    EXPECT_EQ(table->cellAt(0, 2).rowSpan(), 2);
    auto cellText = [&](int r, int c) {
        QTextTableCell cell = table->cellAt(r, c);
        QTextCursor a = cell.firstCursorPosition(), b = cell.lastCursorPosition();
        a.setPosition(b.position(), QTextCursor::KeepAnchor);
        return a.selectedText().toStdString();
    };
    EXPECT_EQ(cellText(0, 0), "A & B");
    EXPECT_EQ(cellText(0, 2), "C");
    EXPECT_EQ(cellText(1, 0), "D");
    // The nested table lives inside cell (1,1).
    QTextTable *nested = nullptr;
    for (QTextFrame *f : table->childFrames())
        if ((nested = qobject_cast<QTextTable *>(f)))
            break;
    ASSERT_TRUE(nested);
    EXPECT_EQ(nested->columns(), 2);
    const QString all = doc.toPlainText();
    EXPECT_TRUE(all.startsWith("antes\n")) << all.toStdString();
    EXPECT_TRUE(all.endsWith("despues")) << all.toStdString();
}
