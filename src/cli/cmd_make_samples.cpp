// quenlor-cli make-samples OUTDIR: writes the sample study documents
// (Juan3.rvf, a short study, Estudio-largo.rvf, a long one for timing, and
// Listas.rvf, numbered outlines, bullets and pictures; Comparacion.rvf, a
// table; Notas.rvf, foot- and endnotes)
// with our own RVF writer, so they can be rebuilt at any time.
#include "cli.h"

#include "document/rv_data.h"
#include "document/rv_docparams.h"
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
    // A list paragraph: its marker, then a run of text.
    Builder &item(int listNo, int level, const std::string &utf8, int startFrom = 1, bool reset = false)
    {
        auto m = std::make_unique<TRVMarkerItemInfo>();
        m->ListNo = listNo;
        m->Level = level;
        m->StartFrom = startFrom;
        m->Reset = reset;
        m->ParaNo = para_ = pLeft;
        d_.AddItem("", std::move(m));
        return run(sNormal, utf8);
    }
    Builder &graphic(const std::string &name, std::unique_ptr<TRVGraphic> g)
    {
        auto item = std::make_unique<TRVGraphicItemInfo>();
        item->Image = std::move(g);
        item->ParaNo = para_ = pLeft;
        d_.AddItem(name, std::move(item));
        return *this;
    }
    // A foot- or endnote at the end of the current paragraph: its number in
    // the text and its own document, which begins with the same number.
    Builder &note(int kind, const std::string &utf8)
    {
        std::unique_ptr<TCustomRVNoteItemInfo> n;
        if (kind == ikFootnote)
            n = std::make_unique<TRVFootnoteItemInfo>();
        else
            n = std::make_unique<TRVEndnoteItemInfo>();
        n->TextStyleNo = sSuper;
        n->ItemOptions = ioContinuesParagraph;
        n->ParaNo = para_;
        n->Document = std::make_unique<TCustomRVData>(d_.GetRVStyle());
        n->Document->OwnsStyleSheet = false;
        n->Document->DocParameters.reset();
        n->Document->RVFOptions = kDefaultRVFOptions;
        auto ref = std::make_unique<TRVNoteReferenceItemInfo>();
        ref->TextStyleNo = sSuper;
        n->Document->AddItem("", std::move(ref));
        Builder(*n->Document).run(sNormal, " " + utf8);
        d_.AddItem("", std::move(n));
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

// Little-endian words of a hand-written Windows metafile.
struct Wmf {
    std::string body;
    int objects = 0;
    void record(uint16_t fn, std::initializer_list<int> words, std::string_view tail = {})
    {
        uint32_t size = uint32_t(3 + words.size() + (tail.size() + 1) / 2);
        put32(body, size);
        put16(body, fn);
        for (int w : words)
            put16(body, uint16_t(w));
        body += tail;
        if (tail.size() % 2)
            body.push_back('\0');
    }
    static void put16(std::string &s, uint16_t v) { s.push_back(char(v & 0xFF)); s.push_back(char(v >> 8)); }
    static void put32(std::string &s, uint32_t v) { put16(s, uint16_t(v & 0xFFFF)); put16(s, uint16_t(v >> 16)); }
    static int lo(uint32_t c) { return int(c & 0xFFFF); }
    static int hi(uint32_t c) { return int(c >> 16); }
    void pen(int width, uint32_t color) { record(0x02FA, {0, width, 0, lo(color), hi(color)}); select(); }
    void brush(uint32_t color) { record(0x02FC, {0, lo(color), hi(color), 0}); select(); }
    void select() { record(0x012D, {objects++}); }
    // The whole file: placeable header (3000 × 1500 units, 1000 per inch), then the standard one.
    std::string file() const
    {
        std::string f;
        put32(f, 0x9AC6CDD7);
        for (int w : {0, 0, 0, 3000, 1500, 1000, 0, 0, 0})
            put16(f, uint16_t(w));
        for (int w : {1, 9, 0x300})
            put16(f, uint16_t(w));
        put32(f, uint32_t((18 + body.size() + 6) / 2));
        put16(f, uint16_t(objects));
        put32(f, 0);
        put16(f, 0);
        std::string end;
        put32(end, 3);
        put16(end, 0);
        return f + body + end;
    }
};

// A landscape with a cross and a sun, drawn by metafile records.
std::string landscape()
{
    Wmf w;
    w.record(0x0103, {8});             // anisotropic mapping
    w.record(0x020B, {0, 0});          // window origin
    w.record(0x020C, {1500, 3000});    // window extent
    w.pen(20, 0x404040);
    w.brush(0xF0E0D0);
    w.record(0x041B, {1480, 2980, 20, 20}); // sky
    w.brush(0x3399FF);
    w.record(0x0418, {600, 2700, 200, 2300}); // sun
    w.brush(0x228B22);
    w.record(0x0324, {5, 20, 1480, 20, 1100, 1200, 800, 2980, 1150, 2980, 1480}); // hill
    w.pen(40, 0x13458B);
    w.record(0x0214, {1100, 1200});
    w.record(0x0213, {300, 1200});
    w.record(0x0214, {550, 950});
    w.record(0x0213, {550, 1450});
    std::string face = "Arial";
    face.resize(32, '\0');
    w.record(0x02FB, {-160, 0, 0, 0, 700, 0, 0, 0, 0}, face);
    w.select();
    w.record(0x0209, {0, 0x0080}); // navy text
    w.record(0x0102, {1});         // transparent background
    w.record(0x0521, {9}, std::string("Juan 3:16") + '\0' + std::string("\xE2\x04\xA4\x06", 4)); // at (1700, 1250)
    return w.file();
}

// A blue oval on magenta, which the picture leaves out.
std::unique_ptr<TRVGraphic> oval()
{
    platform::Bitmap bmp(64, 40, 0xFFFF00FF);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 64; ++x)
            if ((x - 32) * (x - 32) + (y - 20) * (y - 20) * 3 < 360)
                bmp.setPixel(x, y, 0xFF1060C0);
    for (int x = 4; x < 60; ++x)
        bmp.setPixel(x, 36, 0xFF000000);
    auto g = CreateGraphicByClassName("TBitmap");
    g->LoadFromBytes(EncodeBmp(bmp));
    g->Transparent = true;
    g->TransparentMode = 1;
    g->TransparentColor = 0xFF00FF;
    return g;
}

TRVListLevel listLevel(TRVListType type, const std::string &format, int markerIndent, int leftIndent,
                       TRVMarkerAlignment align, TColor color)
{
    TRVListLevel l;
    l.ListType = type;
    l.FormatString = format;
    l.MarkerIndent = markerIndent;
    l.LeftIndent = leftIndent;
    l.FirstIndent = 0;
    l.MarkerAlignment = align;
    l.Font.Name = "Arial";
    l.Font.Height = -15;
    l.Font.Color = color;
    return l;
}

// An outline (decimal, lower alpha, lower Roman) and a bullet list.
void addListStyles(TRVStyle &style)
{
    TRVListInfo &outline = style.ListStyles.Add();
    outline.StyleName = "Esquema";
    outline.Levels.push_back(listLevel(rvlstDecimal, "%0:s.", 24, 48, rvmaRight, platform::clNavy));
    outline.Levels.push_back(listLevel(rvlstLowerAlpha, "%1:s)", 56, 80, rvmaLeft, platform::clNavy));
    outline.Levels.push_back(listLevel(rvlstLowerRoman, "%2:s.", 88, 112, rvmaCenter, platform::clNavy));
    outline.Levels[0].Font.Style = fsBold;
    TRVListInfo &bullets = style.ListStyles.Add();
    bullets.StyleName = "Vi\xF1" "etas";
    bullets.Levels.push_back(listLevel(rvlstBullet, "\x95", 24, 44, rvmaLeft, platform::clGreen));
}

void buildLists(TCustomRVData &d)
{
    Builder b(d);
    b.para(pLeft, sTitle, "El nuevo nacimiento (Juan 3)");
    b.para(pLeft, sNormal, "Un estudio de prueba con un esquema numerado, una lista con viñetas y dos dibujos.");
    b.item(0, 0, "Nicodemo viene de noche").item(0, 1, "Un principal entre los judíos");
    b.item(0, 1, "Reconoce que Jesús viene de Dios").item(0, 2, "\"Nadie puede hacer estas señales\"");
    b.item(0, 2, "si no está Dios con él").item(0, 0, "El nuevo nacimiento").item(0, 1, "Nacer del agua y del Espíritu");
    b.item(0, 2, "Lo que es nacido de la carne, carne es").item(0, 2, "El viento sopla de donde quiere");
    b.item(0, 1, "¿Cómo puede hacerse esto?").item(0, 0, "El amor de Dios").item(0, 1, "De tal manera amó Dios al mundo");
    b.item(0, 0, "Nueva numeración desde 10", 10, true).item(0, 1, "La luz vino al mundo");
    b.para(pLeft, sSubtitle, "Frutos del nuevo nacimiento");
    b.item(1, 0, "Fe en el Hijo").item(1, 0, "Vida eterna").item(1, 0, "Andar en la luz");
    b.para(pLeft, sNormal, "Un dibujo vectorial (WMF):");
    auto wmf = CreateGraphicByClassName("TMetafile");
    wmf->LoadFromBytes(landscape());
    b.graphic("dibujo", std::move(wmf));
    b.para(pLeft, sNormal, "Una imagen con fondo transparente (el magenta no se ve):");
    b.graphic("transparente", oval());
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

// Two footnotes and an endnote: the notes a study adds to its text.
void buildNotes(TCustomRVData &d)
{
    Builder b(d);
    b.para(pCenter, sTitle, "Notas sobre Juan 3:16");
    b.para(pJustify, sNormal, "«Porque de tal manera amó Dios al mundo»")
        .note(ikFootnote, "«De tal manera» traduce el adverbio griego que indica el modo, no sólo la medida.")
        .run(sNormal, ": el versículo empieza por el amor de Dios y no por la respuesta del hombre. "
                      "Todo lo demás depende de ese comienzo.");
    b.para(pJustify, sNormal, "«Que ha dado a su Hijo unigénito»")
        .note(ikFootnote, "Unigénito: único en su clase; compare Jn:1:14 y Jn:1:18.")
        .run(sNormal, ": el don es una persona. ")
        .run(sNormal, "El verbo en pasado mira a la cruz como un hecho cumplido.")
        .note(ikEndnote, "Sobre el tiempo del verbo «dar» véanse las tres versiones en Comparacion.rvf.");
    b.para(pJustify, sNormal, "«Para que todo aquel que en él cree, no se pierda, mas tenga vida eterna»: la fe "
                              "es el único requisito, y la vida eterna empieza ya ahora.");
    b.para(pLeft, sSubtitle, "Preguntas");
    b.para(pJustify, sNormal, "¿Qué dice el versículo sobre Dios? ¿Qué dice sobre el mundo? ¿Qué pide al lector?");
}

bool writeSample(const std::filesystem::path &path, void (*build)(TCustomRVData &), bool lists = false)
{
    TRVStyle style;
    style.LoadReaderDefaults();
    addUnicodeStyle(style);
    if (lists)
        addListStyles(style);
    TCustomRVData doc(&style);
    doc.RVFOptions = kDefaultRVFOptions | rvfoSaveTextStyles | rvfoSaveParaStyles;
    doc.DocProperties = {"Autor: Quenlor", "Tema: Juan 3"};
    // Every length in the unit the study names: an A4 sheet in millimetres.
    TRVDocParameters &page = *doc.DocParameters;
    page.Units = rvuMillimeters;
    page.PageWidth = 210;
    page.PageHeight = 297;
    page.LeftMargin = page.RightMargin = 25.5L;
    page.TopMargin = page.BottomMargin = 20;
    page.HeaderY = page.FooterY = 10;
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
              && writeSample(dir / "Listas.rvf", buildLists, true)
              && writeSample(dir / "Comparacion.rvf", buildComparison) && writeSample(dir / "Notas.rvf", buildNotes);
    return ok ? 0 : 1;
}

} // namespace

QUENLOR_CLI_COMMAND("make-samples", "make-samples OUTDIR",
                    "write the sample study documents (Juan3.rvf, Estudio-largo.rvf, Listas.rvf, Comparacion.rvf, Notas.rvf)",
                    runMakeSamples);
