// Formatting the long sample study against Qt's own rich-text layout of the
// same text with the same fonts and widths, and painting a screen at the top
// against a screen at the end. Prints ratios measured in the same run.
#include "document/rvf_reader.h"
#include "platform/qt_canvas.h"
#include "viewer/rv_layoutdata.h"

#include <QAbstractTextDocumentLayout>
#include <QGuiApplication>
#include <QImage>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>

namespace {

double bestOf(int runs, const std::function<void()> &f)
{
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        auto t0 = std::chrono::steady_clock::now();
        f();
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    return best;
}

QTextCharFormat charFormat(const rv::TFontInfo &f)
{
    QFont font(QString::fromStdString(f.FontName));
    font.setPixelSize(platform::MulDiv(f.Size, 96, 72));
    font.setBold(f.Style & rv::fsBold);
    font.setItalic(f.Style & rv::fsItalic);
    font.setUnderline(f.Style & rv::fsUnderline);
    font.setKerning(false);
    QTextCharFormat cf;
    cf.setFont(font);
    return cf;
}

// The same paragraphs as one block each, in the same fonts, indents and alignment.
void buildQtDocument(QTextDocument &doc, const rv::TRVLayoutData &data, rv::TRVStyle &style)
{
    QTextCursor cur(&doc);
    bool first = true;
    for (int i = 0; i < data.ItemCount(); ++i) {
        const rv::TCustomRVItemInfo &item = data.GetItem(i);
        if (data.IsParaStart(i)) {
            const rv::TParaInfo &p = style.ParaStyles[item.ParaNo];
            QTextBlockFormat bf;
            bf.setLeftMargin(p.LeftIndent);
            bf.setRightMargin(p.RightIndent);
            bf.setTextIndent(p.FirstIndent);
            bf.setTopMargin(p.SpaceBefore);
            bf.setBottomMargin(p.SpaceAfter);
            bf.setAlignment(p.Alignment == rv::rvaJustify  ? Qt::AlignJustify
                            : p.Alignment == rv::rvaCenter ? Qt::AlignHCenter
                            : p.Alignment == rv::rvaRight  ? Qt::AlignRight
                                                           : Qt::AlignLeft);
            if (first)
                cur.setBlockFormat(bf);
            else
                cur.insertBlock(bf);
            first = false;
        } else if (item.ItemOptions & rv::ioLineBreak) {
            cur.insertText(QString(QChar::LineSeparator));
        }
        if (item.IsText()) {
            std::u16string t = data.ItemTextW(i);
            cur.insertText(QString::fromUtf16(t.data(), qsizetype(t.size())),
                           charFormat(style.TextStyles[data.EffectiveStyleNo(i)]));
        }
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const char *path = argc > 1 ? argv[1] : QUENLOR_TEST_DATA "/Estudios/Estudio-largo.rvf";

    rv::TRVStyle style;
    style.LoadReaderDefaults();
    platform::QtCanvas canvas(640, 480);
    rv::TRVLayoutData data(&style, &canvas);
    if (!rv::LoadRVFFromFile(data, path)) {
        std::fprintf(stderr, "bench_layout: cannot read %s\n", path);
        return 1;
    }
    const int runs = 5;

    // Ours: a fresh layout at 640, then the same items again at 1200.
    double ours = bestOf(runs, [&] {
        data.ResetTextCache();
        data.ClientWidth = 640;
        data.Format();
        data.ClientWidth = 1200;
        data.Format();
    });
    const int lines1200 = int(data.Lines().size());
    const int height1200 = data.ContentHeight();

    QImage device(640, 480, QImage::Format_RGB32);
    device.setDotsPerMeterX(int(96 / 0.0254 + 0.5));
    device.setDotsPerMeterY(int(96 / 0.0254 + 0.5));
    QTextDocument doc;
    doc.documentLayout()->setPaintDevice(&device);
    doc.setDocumentMargin(5);
    buildQtDocument(doc, data, style);
    double qt = bestOf(runs, [&] {
        doc.setTextWidth(640);
        doc.documentLayout()->documentSize();
        doc.setTextWidth(1200);
        doc.documentLayout()->documentSize();
        doc.setTextWidth(-1); // next run lays out again
    });
    doc.setTextWidth(1200);
    const double qtHeight = doc.documentLayout()->documentSize().height();
    int qtLines = 0;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        qtLines += b.layout() ? b.layout()->lineCount() : 0;

    std::printf("document: %d items, %d paragraphs\n", data.ItemCount(), doc.blockCount());
    std::printf("format 640 + 1200: ours %.1f ms (%d lines, %d px at 1200), QTextDocument %.1f ms (%d lines, %.0f px at 1200)\n",
                ours * 1e3, lines1200, height1200, qt * 1e3, qtLines, qtHeight);
    std::printf("format ratio ours/Qt: %.3f (target <= 0.5)\n", ours / qt);

    // Painting one screen at the top and one at the end.
    data.ClientWidth = 640;
    data.Format();
    platform::QtCanvas window(640, 480);
    const int screens = 20;
    double top = bestOf(runs, [&] {
        for (int i = 0; i < screens; ++i) {
            data.VOffs = 0;
            data.PaintClient(window);
        }
    });
    double end = bestOf(runs, [&] {
        for (int i = 0; i < screens; ++i) {
            data.VOffs = std::max(0, data.ContentHeight() - 480);
            data.PaintClient(window);
        }
    });
    std::printf("paint one screen: top %.3f ms, end %.3f ms; ratio end/top: %.3f (target close to 1)\n",
                top * 1e3 / screens, end * 1e3 / screens, end / top);
    return 0;
}
