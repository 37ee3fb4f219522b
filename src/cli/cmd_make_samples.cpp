// quenlor-cli make-samples OUTDIR: writes the sample study documents
// (Juan3.rvf, a short study, and Estudio-largo.rvf, a long one for timing)
// with our own RVF writer, so they can be rebuilt at any time.
#include "cli.h"

#include "document/rv_data.h"
#include "document/rv_graphic.h"
#include "document/rv_table.h"
#include "document/rvf_writer.h"
#include "platform/codepage.h"

#include <cmath>
#include <cstdio>
#include <filesystem>

namespace {

using namespace rv;

// Style numbers of the reader's initial sheet, plus the Unicode style the samples add.
enum { sNormal = 0, sBold = 1, sItalic = 2, sTitle = 5, sSubtitle = 6, sVerse = 7, sSuper = 8, sRedItalic = 11,
       sUnicode = 12 };
enum { pLeft = 0, pCenter = 1, pJustify = 3, pFramed = 4 };

class Builder {
public:
    explicit Builder(TCustomRVData &d) : d_(d) {}

    // Starts a paragraph with a run of text (UTF-8 source, stored as CP1252).
    Builder &para(int paraNo, int style, const std::string &utf8) { add(style, paraNo, utf8, true); return *this; }
    // Continues the current paragraph.
    Builder &run(int style, const std::string &utf8) { add(style, -1, utf8, false); return *this; }
    Builder &unicode(const std::string &utf8)
    {
        std::u16string w = platform::utf8ToUtf16(utf8);
        std::string bytes;
        for (char16_t c : w) {
            bytes.push_back(char(c & 0xFF));
            bytes.push_back(char(c >> 8));
        }
        auto item = CreateItemForStyle(sUnicode);
        item->ItemOptions = ioUnicode | ioContinuesParagraph;
        item->ParaNo = para_;
        d_.AddItem(bytes, std::move(item));
        return *this;
    }
    Builder &checkpoint(const std::string &name)
    {
        auto cp = std::make_unique<TRVCPInfo>();
        cp->Name = name;
        cp->RaiseEvent = true;
        d_.LinkCheckpoint(std::move(cp), d_.LastCP, d_.ItemCount() - 1);
        ++d_.CPCount;
        return *this;
    }
    Builder &picture(const std::string &name, const platform::Bitmap &bmp)
    {
        auto item = std::make_unique<TRVGraphicItemInfo>();
        item->Image = CreateGraphicByClassName("TBitmap");
        item->Image->LoadFromBytes(EncodeBmp(bmp));
        item->ParaNo = pCenter;
        item->AltText = "Ilustraci\xF3n";
        para_ = pCenter;
        d_.AddItem(name, std::move(item));
        return *this;
    }
    Builder &line()
    {
        auto item = std::make_unique<TRVBreakItemInfo>();
        item->LineColor = platform::clNavy;
        d_.AddItem("", std::move(item));
        return *this;
    }

private:
    void add(int style, int paraNo, const std::string &utf8, bool start)
    {
        auto item = CreateItemForStyle(style);
        if (start)
            para_ = paraNo;
        else
            item->ItemOptions = ioContinuesParagraph;
        item->ParaNo = para_;
        d_.AddItem(platform::fromUtf16(platform::utf8ToUtf16(utf8), 1252), std::move(item));
    }
    TCustomRVData &d_;
    int para_ = 0;
};

void addUnicodeStyle(TRVStyle &style)
{
    TFontInfo &u = style.TextStyles.Add();
    u.StyleName = "Normal Unicode";
    u.FontName = "Times New Roman";
    u.Size = 11;
    u.Style = fsItalic;
    u.Unicode = true;
    u.JumpCursor = 0;
}

platform::Bitmap dove()
{
    // A plain emblem: a cross on a sky-blue disc, drawn pixel by pixel.
    const int w = 96, h = 72;
    platform::Bitmap bmp(w, h, 0xFFFFFFFF);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            double dx = x - w / 2.0, dy = y - h / 2.0;
            if (std::sqrt(dx * dx + dy * dy) < 32)
                bmp.setPixel(x, y, 0xFF9CC7E8);
            if ((std::abs(dx) < 4 && dy > -26 && dy < 26) || (std::abs(dy + 8) < 4 && std::abs(dx) < 16))
                bmp.setPixel(x, y, 0xFF7A4A1E);
        }
    return bmp;
}

void buildJuan3(TCustomRVData &d)
{
    Builder b(d);
    b.para(pCenter, sTitle, "Nicodemo y el nuevo nacimiento").checkpoint("inicio");
    b.para(pCenter, sItalic, "Estudio bíblico sobre Juan 3:1-21");
    b.picture("emblema", dove());
    b.para(pLeft, sSubtitle, "1. Un maestro que viene de noche");
    b.para(pJustify, sNormal, "Nicodemo era fariseo y principal entre los judíos. Vino a Jesús de noche, "
                              "quizá por temor, quizá para conversar sin prisa. Su saludo reconoce que Jesús "
                              "viene de Dios, pero la respuesta del Señor va más allá de los milagros: ")
        .run(sBold, "es necesario nacer de nuevo")
        .run(sNormal, " (")
        .run(sVerse, "Jn:3:3")
        .run(sNormal, ").");
    b.para(pJustify, sNormal, "La pregunta de Nicodemo, «¿cómo puede un hombre nacer siendo viejo?», muestra "
                              "que pensaba en lo natural. Jesús explica que se trata de nacer del agua y del "
                              "Espíritu (")
        .run(sVerse, "Jn:3:5")
        .run(sNormal, "), una obra que sólo Dios hace.");
    b.para(pLeft, sSubtitle, "2. El amor de Dios").checkpoint("amor");
    b.para(pFramed, sItalic, "Porque de tal manera amó Dios al mundo, que haya dado á su Hijo unigénito, "
                             "para que todo aquel que en él cree, no se pierda, mas tenga vida eterna.")
        .run(sNormal, " ")
        .run(sVerse, "Jn:3:16");
    b.para(pJustify, sNormal, "El versículo central del capítulo habla de un amor que da. Leído junto con los "
                              "versículos que siguen (")
        .run(sVerse, "Jn:3:16-18")
        .run(sNormal, "), muestra que Dios no envió a su Hijo para condenar, sino para salvar. En el texto "
                      "griego se lee: ")
        .unicode("Οὕτως γὰρ ἠγάπησεν ὁ θεὸς τὸν κόσμον")
        .run(sNormal, ".");
    b.para(pJustify, sNormal, "Pablo lo confirma cuando escribe que a los que aman a Dios todas las cosas les "
                              "ayudan a bien (")
        .run(sVerse, "Ro:8:28")
        .run(sNormal, ").");
    b.line();
    b.para(pLeft, sSubtitle, "3. Preguntas para el grupo");
    b.para(pLeft, sNormal, "• ¿Qué significa para usted «nacer de nuevo»?");
    b.para(pLeft, sNormal, "• ¿Por qué vino Nicodemo de noche? Compare con ")
        .run(sVerse, "Jn:19:39")
        .run(sNormal, ".");
    b.para(pLeft, sRedItalic, "Nota: lea todo el pasaje antes de la reunión.");
    b.para(pLeft, sNormal, "Texto de ejemplo con superíndice").run(sSuper, "1").run(sNormal, " al final.");
}

void buildLong(TCustomRVData &d)
{
    static const char *books[] = {"Gn", "Ex", "Sal", "Is", "Mt", "Mr", "Lc", "Jn", "Hch", "Ro", "1Co", "Gá", "Ef", "He"};
    Builder b(d);
    b.para(pCenter, sTitle, "Estudio largo: recorrido por las Escrituras");
    for (int chapter = 1; chapter <= 200; ++chapter) {
        b.para(pLeft, sSubtitle, "Lección " + std::to_string(chapter));
        if (chapter % 10 == 1)
            b.checkpoint("leccion" + std::to_string(chapter));
        for (int p = 0; p < 12; ++p) {
            const char *book = books[(chapter + p) % 14];
            std::string ref = std::string(book) + ":" + std::to_string(1 + (chapter * 7 + p) % 50) + ":"
                + std::to_string(1 + (p * 3 + chapter) % 30);
            b.para(pJustify, sNormal, "Párrafo " + std::to_string(p + 1) + " de la lección "
                                          + std::to_string(chapter)
                                          + ". La enseñanza de este pasaje invita a leer con atención, a "
                                            "comparar un texto con otro y a buscar en cada línea la "
                                            "intención del autor. Conviene anotar las palabras clave, las "
                                            "personas y los lugares, y preguntar qué decía el texto a sus "
                                            "primeros lectores antes de aplicarlo hoy (")
                .run(sVerse, ref)
                .run(sNormal, "). ")
                .run(sItalic, "Reflexión: ")
                .run(sNormal, "¿qué promesa, mandato o ejemplo encontramos aquí, y cómo cambia nuestra "
                              "manera de vivir esta semana?");
        }
        if (chapter % 20 == 0)
            b.line();
    }
}

// Three versions of one verse side by side, with a heading row and a note
// across the whole table.
void buildComparison(TCustomRVData &d)
{
    Builder b(d);
    b.para(pCenter, sTitle, "Juan 3:16 en tres versiones");
    b.para(pJustify, sNormal, "Comparar traducciones ayuda a ver qué palabras se mantienen y cuáles cambian. "
                              "La tabla pone lado a lado el versículo central de Juan 3 (")
        .run(sVerse, "Jn:3:16")
        .run(sNormal, ") en tres versiones.");
    auto t = std::make_unique<TRVTableItemInfo>();
    t->SetSize(4, 3, d.GetRVStyle());
    t->BestWidth = -100;
    t->Color = platform::clWhite;
    t->BorderWidth = 1;
    t->BorderStyle = rvtbColor;
    t->BorderColor = platform::clNavy;
    t->CellBorderWidth = 1;
    t->CellBorderStyle = rvtbColor;
    t->CellBorderColor = platform::clSilver;
    t->CellHPadding = t->CellVPadding = 4;
    t->HeadingRowCount = 1;
    t->TextColSeparator = "\t";
    t->TextRowSeparator = "\r\n";
    const char *heads[] = {"Reina-Valera 1909", "Reina-Valera 1960", "Traducción literal"};
    const char *texts[] = {
        "Porque de tal manera amó Dios al mundo, que haya dado á su Hijo unigénito, para que todo aquel que en "
        "él cree, no se pierda, mas tenga vida eterna.",
        "Porque de tal manera amó Dios al mundo, que ha dado a su Hijo unigénito, para que todo aquel que en él "
        "cree, no se pierda, mas tenga vida eterna.",
        "Porque así amó Dios al mundo: que dio a su Hijo, el unigénito, para que todo el que cree en él no "
        "perezca, sino tenga vida eterna."};
    const char *words[] = {"«haya dado»: subjuntivo antiguo", "«ha dado»: perfecto", "«dio»: aoristo griego"};
    for (int c = 0; c < 3; ++c) {
        t->Cell(0, c)->Color = TColor(0xF0CAA6) /* sky blue */;
        t->Cell(0, c)->VAlign = rvcMiddle;
        Builder(*t->Cell(0, c)).para(pLeft, sBold, heads[c]);
        Builder(*t->Cell(1, c)).para(pLeft, sItalic, texts[c]).run(sNormal, " ").run(sVerse, "Jn:3:16");
        Builder(*t->Cell(2, c)).para(pLeft, sNormal, words[c]);
    }
    t->Rows[2].VAlign = rvcMiddle;
    t->Cell(3, 0)->ColSpan = 3;
    t->Rows[3].Cells[1].reset();
    t->Rows[3].Cells[2].reset();
    t->Cell(3, 0)->Color = TColor(0xF0FBFF) /* cream */;
    Builder(*t->Cell(3, 0))
        .para(pLeft, sRedItalic, "Nota: ")
        .run(sNormal, "las tres coinciden en lo esencial; compare también ")
        .run(sVerse, "1Jn:4:9")
        .run(sNormal, ".");
    t->ParaNo = pLeft;
    d.AddItem("comparacion", std::move(t));
    b.para(pJustify, sNormal, "Preguntas: ¿qué matiz aporta cada verbo? ¿Cambia el sentido del versículo?");
}

bool writeSample(const std::filesystem::path &path, void (*build)(TCustomRVData &))
{
    TRVStyle style;
    style.LoadReaderDefaults();
    addUnicodeStyle(style);
    TCustomRVData doc(&style);
    doc.RVFOptions = kDefaultRVFOptions | rvfoSaveTextStyles | rvfoSaveParaStyles;
    doc.DocProperties = {"Autor: Quenlor", "Tema: Juan 3"};
    doc.DocParameters->Units = rvuMillimeters;
    doc.DocParameters->LeftMargin = doc.DocParameters->RightMargin = 25.5L;
    build(doc);
    if (!SaveRVFToFile(doc, path)) {
        std::fprintf(stderr, "quenlor-cli: cannot write %s\n", path.string().c_str());
        return false;
    }
    std::printf("%s: %d items\n", path.string().c_str(), doc.ItemCount());
    return true;
}

int runMakeSamples(const std::vector<std::string> &args)
{
    static const cli::Command self{"make-samples", "make-samples OUTDIR", "", nullptr};
    if (args.size() != 1)
        return cli::usageError(self);
    std::filesystem::path dir(args[0]);
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    bool ok = writeSample(dir / "Juan3.rvf", buildJuan3) && writeSample(dir / "Estudio-largo.rvf", buildLong)
              && writeSample(dir / "Comparacion.rvf", buildComparison);
    return ok ? 0 : 1;
}

} // namespace

QUENLOR_CLI_COMMAND("make-samples", "make-samples OUTDIR", "write the sample study documents (Juan3.rvf, Estudio-largo.rvf, Comparacion.rvf)",
                    runMakeSamples);
