#include "qt_canvas.h"

#include <QFontMetrics>
#include <QGlyphRun>
#include <QPaintDevice>
#include <QPainter>
#include <QRawFont>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

namespace platform {

namespace {

QColor toQColor(Color c)
{
    Color v = colorToRGB(c);
    return QColor(redOf(v), greenOf(v), blueOf(v));
}

constexpr int kMaxPixelSize = 4096; // a hostile style cannot ask for a font bigger than a page

// A realised font: the Qt font, its metrics and a cache of character widths,
// so measuring a run costs one table lookup per character.
struct FontData {
    QFont qfont;
    QRawFont raw;
    TextMetrics tm;
    std::optional<OutlineMetrics> om;
    int underlinePos = 1, lineWidth = 1, strikeOutPos = 3;
    std::vector<int16_t> widths = std::vector<int16_t>(65536, -1);
    QFontMetrics fm{QFont()};

    int width(char16_t c, char16_t next)
    {
        if (c >= 0xDC00 && c < 0xE000)
            return 0; // the pair was measured on its first unit
        if (c >= 0xD800 && c < 0xDC00) {
            QString pair;
            pair.append(QChar(c));
            pair.append(QChar(next));
            return fm.horizontalAdvance(pair);
        }
        int16_t &w = widths[c];
        if (w < 0)
            w = int16_t(std::clamp(c == 0x200B || c == 0xAD ? 0 : fm.horizontalAdvance(QChar(c)), 0, 32767));
        return w;
    }
};

int pixelSizeFor(const FontDesc &f)
{
    if (f.height < 0)
        return std::clamp(-f.height, 1, kMaxPixelSize);
    if (f.height == 0)
        return 16;
    // A positive height asks for the cell height (ascent + descent).
    QFont probe(QString::fromStdString(f.faceName));
    probe.setPixelSize(100);
    QFontMetrics pm(probe);
    int cell = std::max(1, pm.ascent() + pm.descent());
    return std::clamp(int(std::lround(f.height * 100.0 / cell)), 1, kMaxPixelSize);
}

std::unique_ptr<FontData> realise(const FontDesc &f)
{
    auto fd = std::make_unique<FontData>();
    QFont q(QString::fromStdString(f.faceName));
    q.setPixelSize(pixelSizeFor(f));
    q.setWeight(QFont::Weight(std::clamp(f.weight <= 0 ? 400 : f.weight, 1, 1000)));
    q.setItalic(f.italic);
    q.setKerning(false); // measured widths are summed per character, as the system does
    if (f.width > 0) {
        int natural = std::max(1, QFontMetrics(q).averageCharWidth());
        q.setStretch(std::clamp(f.width * 100 / natural, 1, 4000));
    }
    fd->qfont = q;
    fd->fm = QFontMetrics(q);
    fd->raw = QRawFont::fromFont(q);
    TextMetrics &tm = fd->tm;
    tm.tmAscent = fd->fm.ascent();
    tm.tmDescent = fd->fm.descent();
    tm.tmHeight = tm.tmAscent + tm.tmDescent;
    tm.tmInternalLeading = std::max(0, tm.tmHeight - q.pixelSize());
    tm.tmExternalLeading = std::max(0, fd->fm.leading());
    tm.tmAveCharWidth = fd->fm.averageCharWidth();
    tm.tmMaxCharWidth = fd->fm.maxWidth();
    tm.tmWeight = f.weight;
    tm.tmItalic = f.italic;
    tm.tmUnderlined = f.underline;
    tm.tmStruckOut = f.strikeOut;
    tm.tmCharSet = f.charset;
    fd->underlinePos = fd->fm.underlinePos();
    fd->lineWidth = std::max(1, fd->fm.lineWidth());
    fd->strikeOutPos = fd->fm.strikeOutPos();

    // Sub- and superscript sizes come from the face's OS/2 table, as the system reports them.
    QByteArray os2 = fd->raw.isValid() ? fd->raw.fontTable("OS/2") : QByteArray();
    int upem = fd->raw.isValid() ? int(fd->raw.unitsPerEm()) : 0;
    if (os2.size() >= 30 && upem > 0) {
        auto val = [&](int off) {
            return int(qFromBigEndian<qint16>(reinterpret_cast<const uchar *>(os2.constData()) + off));
        };
        double scale = double(q.pixelSize()) / upem;
        OutlineMetrics om;
        om.subscriptSizeY = int(std::lround(val(12) * scale));
        om.subscriptOffsetY = int(std::lround(val(16) * scale));
        om.superscriptSizeY = int(std::lround(val(20) * scale));
        om.superscriptOffsetY = int(std::lround(val(24) * scale));
        om.strikeoutSize = std::max(1, int(std::lround(val(26) * scale)));
        om.strikeoutPosition = int(std::lround(val(28) * scale));
        om.underscoreSize = fd->lineWidth;
        om.underscorePosition = -fd->underlinePos;
        fd->om = om;
    }
    return fd;
}

struct FontKey {
    std::string face;
    int height, width, weight;
    bool italic;
    bool operator<(const FontKey &o) const
    {
        return std::tie(face, height, width, weight, italic) < std::tie(o.face, o.height, o.width, o.weight, o.italic);
    }
};

// Fonts are shared by every Qt canvas of the process: realising one is costly.
FontData *fontDataFor(const FontDesc &f)
{
    static std::map<FontKey, std::unique_ptr<FontData>> cache;
    FontKey key{f.faceName, f.height, f.width, f.weight >= 600 ? 700 : 400, f.italic};
    auto it = cache.find(key);
    if (it == cache.end())
        it = cache.emplace(key, realise(f)).first;
    return it->second.get();
}

Qt::PenStyle toQtPenStyle(PenStyle s)
{
    switch (s) {
    case PenStyle::Dash: return Qt::DashLine;
    case PenStyle::Dot: return Qt::DotLine;
    case PenStyle::DashDot: return Qt::DashDotLine;
    case PenStyle::DashDotDot: return Qt::DashDotDotLine;
    case PenStyle::Clear: return Qt::NoPen;
    default: return Qt::SolidLine;
    }
}

} // namespace

struct QtCanvas::Impl {
    QImage image;
    std::unique_ptr<QPainter> ownPainter;
    QPainter *p = nullptr;
    QPaintDevice *dev = nullptr;
    bool printer = false;
    int dpiX = 96, dpiY = 96;
    qreal dpr = 1.0;

    CanvasState st; // the clip lives in the painter
    std::vector<CanvasState> stack;
    FontData *fd = nullptr;
    Point pos;

    FontData &font()
    {
        if (!fd)
            fd = fontDataFor(st.font);
        return *fd;
    }

    void applyTransform()
    {
        double sx = st.winExt.cx ? double(st.viewExt.cx) / st.winExt.cx : 1.0;
        double sy = st.winExt.cy ? double(st.viewExt.cy) / st.winExt.cy : 1.0;
        p->setTransform(QTransform(sx, 0, 0, sy, st.origin.x, st.origin.y));
    }

    void applyPenBrush()
    {
        if (st.pen.style == PenStyle::Clear) {
            p->setPen(Qt::NoPen);
        } else {
            QPen pen(toQColor(st.pen.color), st.pen.width <= 1 ? 0 : st.pen.width, toQtPenStyle(st.pen.style));
            pen.setCosmetic(st.pen.width <= 1);
            p->setPen(pen);
        }
        if (st.brush.style == BrushStyle::Clear || st.brush.color == clNone)
            p->setBrush(Qt::NoBrush);
        else
            p->setBrush(toQColor(st.brush.color));
    }
};

QtCanvas::QtCanvas(int width, int height, int dpi, qreal devicePixelRatio) : d(std::make_unique<Impl>())
{
    d->dpr = std::isfinite(devicePixelRatio) ? std::clamp(devicePixelRatio, 1.0, 8.0) : 1.0;
    d->image = QImage(std::max(1, int(std::ceil(width * d->dpr))), std::max(1, int(std::ceil(height * d->dpr))),
                      QImage::Format_ARGB32_Premultiplied);
    d->image.setDevicePixelRatio(d->dpr);
    d->image.fill(Qt::white);
    int dpm = int(std::lround(dpi / 0.0254));
    d->image.setDotsPerMeterX(dpm);
    d->image.setDotsPerMeterY(dpm);
    d->dpiX = d->dpiY = dpi;
    d->dev = &d->image;
    d->ownPainter = std::make_unique<QPainter>(&d->image);
    d->p = d->ownPainter.get();
}

QtCanvas::QtCanvas(QPainter *painter, QPaintDevice *device, bool printer) : d(std::make_unique<Impl>())
{
    d->p = painter;
    d->dev = device;
    d->printer = printer;
    d->dpiX = device->logicalDpiX();
    d->dpiY = device->logicalDpiY();
    // Printers report their own resolution; only screens have a pixel ratio.
    d->dpr = printer ? 1.0 : std::clamp(device->devicePixelRatioF(), 1.0, 8.0);
}

QtCanvas::~QtCanvas()
{
    if (d->ownPainter && d->ownPainter->isActive())
        d->ownPainter->end();
}

const QImage &QtCanvas::image() const { return d->image; }

void QtCanvas::finish()
{
    if (d->ownPainter && d->ownPainter->isActive())
        d->ownPainter->end();
}

QPainter *QtCanvas::painter() const { return d->p; }
int QtCanvas::dpiX() const { return d->dpiX; }
int QtCanvas::dpiY() const { return d->dpiY; }
qreal QtCanvas::devicePixelRatio() const { return d->dpr; }

void QtCanvas::setResolution(int dpiX, int dpiY)
{
    d->dpiX = std::clamp(dpiX, 1, 100000);
    d->dpiY = std::clamp(dpiY, 1, 100000);
}

Size QtCanvas::deviceSize() const
{
    if (!d->image.isNull()) {
        const QSizeF s = d->image.deviceIndependentSize();
        return {int(std::lround(s.width())), int(std::lround(s.height()))};
    }
    return {d->dev->width(), d->dev->height()};
}
bool QtCanvas::isPrinter() const { return d->printer; }

void QtCanvas::setFont(const FontDesc &font)
{
    if (font == d->st.font && d->fd)
        return;
    d->st.font = font;
    d->fd = nullptr;
}

const FontDesc &QtCanvas::font() const { return d->st.font; }
TextMetrics QtCanvas::textMetrics()
{
    TextMetrics tm = d->font().tm;
    const FontDesc &f = d->st.font;
    tm.tmUnderlined = f.underline;
    tm.tmStruckOut = f.strikeOut;
    tm.tmCharSet = f.charset;
    return tm;
}
std::optional<OutlineMetrics> QtCanvas::outlineMetrics() { return d->font().om; }
void QtCanvas::setCharacterExtra(int extra) { d->st.charExtra = extra; }
int QtCanvas::characterExtra() const { return d->st.charExtra; }
void QtCanvas::setTextAlign(uint32_t flags) { d->st.align = flags; }
uint32_t QtCanvas::textAlign() const { return d->st.align; }

Size QtCanvas::textExtent(std::u16string_view text)
{
    FontData &fd = d->font();
    int w = 0;
    for (size_t i = 0; i < text.size(); ++i)
        w += fd.width(text[i], i + 1 < text.size() ? text[i + 1] : 0) + d->st.charExtra;
    return {w, fd.tm.tmHeight};
}

int QtCanvas::textFit(std::u16string_view text, int maxExtent, std::vector<int> *extents)
{
    FontData &fd = d->font();
    if (extents)
        extents->clear();
    int w = 0;
    size_t n = 0;
    for (; n < text.size(); ++n) {
        w += fd.width(text[n], n + 1 < text.size() ? text[n + 1] : 0) + d->st.charExtra;
        if (w > maxExtent)
            break;
        if (extents)
            extents->push_back(w);
    }
    return int(n);
}

void QtCanvas::prefixWidths(std::u16string_view text, std::vector<int> &extents)
{
    FontData &fd = d->font();
    extents.resize(text.size());
    int w = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        w += fd.width(text[i], i + 1 < text.size() ? text[i + 1] : 0) + d->st.charExtra;
        extents[i] = w;
    }
}

void QtCanvas::setTextColor(Color c) { d->st.textColor = c; }
Color QtCanvas::textColor() const { return d->st.textColor; }
void QtCanvas::setBkColor(Color c) { d->st.bkColor = c; }
Color QtCanvas::bkColor() const { return d->st.bkColor; }
void QtCanvas::setBkMode(BkMode m) { d->st.bkMode = m; }
BkMode QtCanvas::bkMode() const { return d->st.bkMode; }
void QtCanvas::setPen(const Pen &p) { d->st.pen = p; }
const Pen &QtCanvas::pen() const { return d->st.pen; }
void QtCanvas::setBrush(const Brush &b) { d->st.brush = b; }
const Brush &QtCanvas::brush() const { return d->st.brush; }

void QtCanvas::textOut(int x, int y, std::u16string_view text)
{
    if (text.empty())
        return;
    FontData &fd = d->font();
    std::vector<int> ext;
    prefixWidths(text, ext);
    const int total = ext.back();
    QPainter *p = d->p;
    if (d->st.bkMode == BkMode::Opaque && d->st.bkColor != clNone)
        p->fillRect(QRect(x, y, total, fd.tm.tmHeight), toQColor(d->st.bkColor));
    const QColor color = toQColor(d->st.textColor);
    const int baseline = y + fd.tm.tmAscent;

    // Glyphs go exactly where the measured widths put them, so selection, hit
    // testing and drawing agree to the pixel.
    QString s = QString::fromUtf16(text.data(), qsizetype(text.size()));
    QList<quint32> glyphs = fd.raw.isValid() ? fd.raw.glyphIndexesForString(s) : QList<quint32>();
    bool direct = glyphs.size() == s.size();
    for (qsizetype i = 0; direct && i < s.size(); ++i) {
        char16_t c = text[size_t(i)];
        if (c >= 0xD800 && c < 0xE000)
            direct = false;
        else if (glyphs[i] == 0 && c >= 0x20 && c != 0xA0 && c != 0x200B && c != 0xAD)
            direct = false;
    }
    p->setPen(color);
    if (direct) {
        QList<QPointF> pos;
        pos.reserve(s.size());
        for (qsizetype i = 0; i < s.size(); ++i)
            pos.append(QPointF(x + (i ? ext[size_t(i - 1)] : 0), baseline));
        QGlyphRun run;
        run.setRawFont(fd.raw);
        run.setGlyphIndexes(glyphs);
        run.setPositions(pos);
        p->drawGlyphRun(QPointF(0, 0), run);
    } else {
        // Characters the face lacks: let Qt pick a fallback face, one character at a time.
        p->setFont(fd.qfont);
        for (size_t i = 0; i < text.size(); ++i) {
            char16_t c = text[i];
            if (c >= 0xDC00 && c < 0xE000)
                continue;
            QString one{QChar(c)};
            if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size())
                one.append(QChar(text[i + 1]));
            if (c >= 0x20)
                p->drawText(QPointF(x + (i ? ext[i - 1] : 0), baseline), one);
        }
    }
    const FontDesc &f = d->st.font;
    if (f.underline)
        p->fillRect(QRect(x, baseline + fd.underlinePos, total, fd.lineWidth), color);
    if (f.strikeOut)
        p->fillRect(QRect(x, baseline - fd.strikeOutPos, total, fd.lineWidth), color);
}

void QtCanvas::fillRect(const Rect &r, Color c)
{
    if (c == clNone || r.isEmpty())
        return;
    d->p->fillRect(QRect(r.left, r.top, r.width(), r.height()), toQColor(c));
}

void QtCanvas::rectangle(const Rect &r)
{
    if (r.isEmpty())
        return;
    d->applyPenBrush();
    if (d->st.pen.style == PenStyle::Clear) {
        if (d->st.brush.style != BrushStyle::Clear && d->st.brush.color != clNone)
            d->p->fillRect(QRect(r.left, r.top, r.width() - 1, r.height() - 1), toQColor(d->st.brush.color));
        return;
    }
    d->p->drawRect(QRect(r.left, r.top, r.width() - 1, r.height() - 1));
}

void QtCanvas::moveTo(int x, int y) { d->pos = {x, y}; }

void QtCanvas::lineTo(int x, int y)
{
    Point a = d->pos;
    d->pos = {x, y};
    if (d->st.pen.style == PenStyle::Clear || (a.x == x && a.y == y))
        return;
    d->applyPenBrush();
    // The system leaves out the end point; so do we for straight lines.
    int ex = x, ey = y;
    if (a.y == y)
        ex += x > a.x ? -1 : 1;
    else if (a.x == x)
        ey += y > a.y ? -1 : 1;
    d->p->drawLine(QPoint(a.x, a.y), QPoint(ex, ey));
}

void QtCanvas::polygon(std::span<const Point> pts)
{
    QPolygon poly;
    for (Point p : pts)
        poly << QPoint(p.x, p.y);
    d->applyPenBrush();
    d->p->drawPolygon(poly);
}

void QtCanvas::polyline(std::span<const Point> pts)
{
    QPolygon poly;
    for (Point p : pts)
        poly << QPoint(p.x, p.y);
    d->applyPenBrush();
    d->p->drawPolyline(poly);
}

void QtCanvas::ellipse(const Rect &r)
{
    d->applyPenBrush();
    d->p->drawEllipse(QRect(r.left, r.top, r.width() - 1, r.height() - 1));
}

void QtCanvas::drawFocusRect(const Rect &r)
{
    QPen pen(QColor(0, 0, 0), 0, Qt::DotLine);
    pen.setCosmetic(true);
    d->p->save();
    d->p->setPen(pen);
    d->p->setBrush(Qt::NoBrush);
    d->p->drawRect(QRect(r.left, r.top, r.width() - 1, r.height() - 1));
    d->p->restore();
}

int QtCanvas::drawTextWrapped(const Rect &r, std::u16string_view text)
{
    QString s = QString::fromUtf16(text.data(), qsizetype(text.size()));
    QRect box(r.left, r.top, r.width(), r.height());
    d->p->setFont(d->font().qfont);
    d->p->setPen(toQColor(d->st.textColor));
    QRect used;
    d->p->drawText(box, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, s, &used);
    return used.height();
}

void QtCanvas::drawBitmap(const Bitmap &bmp, const Rect &dest)
{
    if (bmp.isNull() || dest.isEmpty())
        return;
    QImage img(reinterpret_cast<const uchar *>(bmp.data()), bmp.width(), bmp.height(), bmp.width() * 4,
               QImage::Format_ARGB32);
    d->p->drawImage(QRect(dest.left, dest.top, dest.width(), dest.height()), img);
}

void QtCanvas::save()
{
    d->stack.push_back(d->st);
    d->p->save();
}

void QtCanvas::restore()
{
    if (d->stack.empty())
        return;
    bool fontChanged = !(d->stack.back().font == d->st.font);
    d->st = d->stack.back();
    d->stack.pop_back();
    d->p->restore();
    if (fontChanged)
        d->fd = nullptr;
}

void QtCanvas::intersectClipRect(const Rect &r)
{
    d->p->setClipRect(QRect(r.left, r.top, r.width(), r.height()), Qt::IntersectClip);
}

Rect QtCanvas::clipBox() const
{
    QRectF b;
    if (d->p->hasClipping())
        b = d->p->clipBoundingRect();
    else
        b = d->p->transform().inverted().mapRect(QRectF(0, 0, d->dev->width(), d->dev->height()));
    QRect r = b.toAlignedRect();
    return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

void QtCanvas::setOrigin(Point p)
{
    d->st.origin = p;
    d->applyTransform();
}

Point QtCanvas::origin() const { return d->st.origin; }

void QtCanvas::setMapping(Size windowExt, Size viewportExt)
{
    d->st.winExt = windowExt;
    d->st.viewExt = viewportExt;
    d->applyTransform();
}

void QtCanvas::resetMapping()
{
    d->st.winExt = {1, 1};
    d->st.viewExt = {1, 1};
    d->applyTransform();
}

std::unique_ptr<Canvas> QtCanvas::createCompatible(int w, int h)
{
    auto c = std::make_unique<QtCanvas>(w, h, d->dpiX, d->dpr);
    c->d->dpiY = d->dpiY;
    c->d->printer = d->printer;
    return c;
}

void QtCanvas::drawCanvas(Canvas &source, int x, int y)
{
    auto *src = dynamic_cast<QtCanvas *>(&source);
    if (!src || src->d->image.isNull())
        return;
    d->p->drawImage(QPoint(x, y), src->d->image);
}

QImage toQImage(const Bitmap &bmp)
{
    if (bmp.isNull())
        return {};
    QImage img(bmp.width(), bmp.height(), QImage::Format_ARGB32);
    for (int y = 0; y < bmp.height(); ++y)
        std::copy_n(bmp.data() + size_t(y) * size_t(bmp.width()), bmp.width(), reinterpret_cast<uint32_t *>(img.scanLine(y)));
    return img;
}

Bitmap fromQImage(const QImage &src)
{
    if (src.isNull() || int64_t(src.width()) * src.height() > Bitmap::kMaxPixels)
        return {};
    QImage img = src.convertToFormat(QImage::Format_ARGB32);
    Bitmap bmp(img.width(), img.height());
    for (int y = 0; y < img.height(); ++y)
        std::copy_n(reinterpret_cast<const uint32_t *>(img.constScanLine(y)), img.width(), bmp.data() + size_t(y) * size_t(img.width()));
    return bmp;
}

} // namespace platform
