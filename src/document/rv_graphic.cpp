#include "rv_graphic.h"

#include "rv_metafile.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <jpeglib.h>

namespace rv {

using namespace platform;

std::unique_ptr<TRVGraphic> TRVGraphic::Clone() const
{
    auto g = CreateEmpty();
    g->FData = FData;
    g->FImage = FImage;
    g->FWidth = FWidth;
    g->FHeight = FHeight;
    g->FInch = FInch;
    g->Transparent = Transparent;
    g->TransparentMode = TransparentMode;
    g->TransparentColor = TransparentColor;
    return g;
}

bool TRVGraphic::LoadFromBytes(std::string_view data)
{
    FImage = Bitmap();
    FWidth = FHeight = FInch = 0;
    FData.assign(data.data(), data.size());
    if (data.empty() || data.size() > kMaxPictureBytes || !Decode(data)) {
        FImage = Bitmap();
        FWidth = FHeight = 0;
        return false;
    }
    return true;
}

void TRVGraphic::Draw(Canvas &canvas, const Rect &dest) const
{
    if (!FImage.isNull())
        canvas.drawBitmap(FImage, dest);
}

static uint32_t readLE32(const unsigned char *p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }
static uint16_t readLE16(const unsigned char *p) { return uint16_t(p[0] | p[1] << 8); }

// BMP and ICO through Qt's readers, with a cap on what a header may make us allocate.
static bool decodeWithQt(std::string_view data, const char *format, Bitmap &out)
{
    QByteArray bytes = QByteArray::fromRawData(data.data(), qsizetype(data.size()));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setAllocationLimit(int(Bitmap::kMaxPixels * 4 / (1024 * 1024)));
    QSize size = reader.size();
    if (size.isValid() && int64_t(size.width()) * size.height() > Bitmap::kMaxPixels)
        return false;
    QImage img = reader.read();
    if (img.isNull() || int64_t(img.width()) * img.height() > Bitmap::kMaxPixels)
        return false;
    img = img.convertToFormat(QImage::Format_ARGB32);
    out = Bitmap(img.width(), img.height());
    for (int y = 0; y < img.height(); ++y)
        std::memcpy(out.data() + size_t(y) * size_t(img.width()), img.constScanLine(y), size_t(img.width()) * 4);
    return true;
}

class TRVBitmapGraphic : public TRVGraphic {
public:
    const char *ClassName() const override { return "TBitmap"; }
    std::unique_ptr<TRVGraphic> CreateEmpty() const override { return std::make_unique<TRVBitmapGraphic>(); }
    bool SupportsTransparency() const override { return true; }

    void Draw(Canvas &canvas, const Rect &dest) const override
    {
        if (FImage.isNull())
            return;
        if (!Transparent) {
            canvas.drawBitmap(FImage, dest);
            return;
        }
        // The masked copy is made once per transparent colour.
        Color key = TransparentKey(FImage, TransparentMode, TransparentColor);
        if (FMasked.isNull() || FMaskedKey != key) {
            FMasked = MaskedCopy(FImage, key);
            FMaskedKey = key;
        }
        canvas.drawBitmap(FMasked, dest);
    }

private:
    mutable Bitmap FMasked;
    mutable Color FMaskedKey = 0;

protected:
    bool Decode(std::string_view data) override
    {
        if (data.size() < 2 || data[0] != 'B' || data[1] != 'M' || !decodeWithQt(data, "BMP", FImage))
            return false;
        FWidth = FImage.width();
        FHeight = FImage.height();
        return true;
    }
};

class TRVIconGraphic : public TRVGraphic {
public:
    const char *ClassName() const override { return "TIcon"; }
    std::unique_ptr<TRVGraphic> CreateEmpty() const override { return std::make_unique<TRVIconGraphic>(); }

protected:
    bool Decode(std::string_view data) override
    {
        auto *p = reinterpret_cast<const unsigned char *>(data.data());
        // ICONDIR: reserved 0, type 1 (icon), at least one image.
        if (data.size() < 6 || readLE16(p) != 0 || readLE16(p + 2) != 1 || readLE16(p + 4) == 0)
            return false;
        if (!decodeWithQt(data, "ICO", FImage))
            return false;
        FWidth = FImage.width();
        FHeight = FImage.height();
        return true;
    }
};

// Metafiles: the header gives the natural size; drawing replays the records.
class TRVMetafileGraphic : public TRVGraphic {
public:
    const char *ClassName() const override { return "TMetafile"; }
    std::unique_ptr<TRVGraphic> CreateEmpty() const override { return std::make_unique<TRVMetafileGraphic>(); }

    void Draw(Canvas &canvas, const Rect &dest) const override
    {
        if (!Empty())
            PlayMetafile(StoredBytes(), canvas, dest);
    }

protected:
    bool Decode(std::string_view data) override
    {
        auto *p = reinterpret_cast<const unsigned char *>(data.data());
        const int screenPPI = 96;
        if (data.size() >= 88 && readLE32(p) == 1 && readLE32(p + 40) == 0x464D4520) {
            // Enhanced metafile: rclFrame is in 0.01 mm.
            auto frame = [&](int off) { return int32_t(readLE32(p + off)); };
            int64_t w = int64_t(frame(32)) - frame(24), h = int64_t(frame(36)) - frame(28);
            FWidth = int(w * screenPPI / 2540);
            FHeight = int(h * screenPPI / 2540);
        } else if (data.size() >= 22 + 18 && readLE32(p) == 0x9AC6CDD7) {
            // Placeable Windows metafile: bounding box in units of `inch` per inch.
            int16_t left = int16_t(readLE16(p + 6)), top = int16_t(readLE16(p + 8));
            int16_t right = int16_t(readLE16(p + 10)), bottom = int16_t(readLE16(p + 12));
            FInch = readLE16(p + 14);
            if (FInch == 0)
                FInch = 1440; // a Windows metafile without resolution
            FWidth = int((int64_t(right) - left) * screenPPI / FInch);
            FHeight = int((int64_t(bottom) - top) * screenPPI / FInch);
        } else {
            return false;
        }
        if (FWidth < 0)
            FWidth = -FWidth;
        if (FHeight < 0)
            FHeight = -FHeight;
        return FWidth > 0 && FHeight > 0 && int64_t(FWidth) * FHeight <= Bitmap::kMaxPixels;
    }
};

// libjpeg reports fatal errors through error_exit, which must not return.
struct JpegError {
    jpeg_error_mgr mgr;
    jmp_buf jump;
};

static void jpegErrorExit(j_common_ptr cinfo)
{
    longjmp(reinterpret_cast<JpegError *>(cinfo->err)->jump, 1);
}

static void jpegSilence(j_common_ptr) {}

class TRVJPEGGraphic : public TRVGraphic {
public:
    const char *ClassName() const override { return "TJPEGImage"; }
    std::unique_ptr<TRVGraphic> CreateEmpty() const override { return std::make_unique<TRVJPEGGraphic>(); }

protected:
    bool Decode(std::string_view data) override
    {
        jpeg_decompress_struct cinfo;
        JpegError err;
        cinfo.err = jpeg_std_error(&err.mgr);
        err.mgr.error_exit = jpegErrorExit;
        err.mgr.output_message = jpegSilence;
        // Everything set between setjmp and a longjmp lives outside this frame.
        Bitmap &out = FImage;
        std::vector<unsigned char> row;
        if (setjmp(err.jump)) {
            jpeg_destroy_decompress(&cinfo);
            out = Bitmap();
            return false;
        }
        jpeg_create_decompress(&cinfo);
        jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char *>(data.data()), (unsigned long)data.size());
        if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK
            || int64_t(cinfo.image_width) * cinfo.image_height > Bitmap::kMaxPixels || cinfo.image_width == 0
            || cinfo.image_height == 0) {
            jpeg_destroy_decompress(&cinfo);
            return false;
        }
        cinfo.out_color_space = JCS_RGB;
        jpeg_start_decompress(&cinfo);
        int w = int(cinfo.output_width), h = int(cinfo.output_height);
        if (cinfo.output_components != 3) {
            jpeg_destroy_decompress(&cinfo);
            return false;
        }
        out = Bitmap(w, h);
        row.resize(size_t(w) * 3);
        while (cinfo.output_scanline < cinfo.output_height) {
            unsigned char *rows[1] = {row.data()};
            int y = int(cinfo.output_scanline);
            if (jpeg_read_scanlines(&cinfo, rows, 1) != 1)
                break;
            for (int x = 0; x < w; ++x)
                out.setPixel(x, y, 0xFF000000u | uint32_t(row[3 * x]) << 16 | uint32_t(row[3 * x + 1]) << 8 | row[3 * x + 2]);
        }
        jpeg_finish_decompress(&cinfo);
        jpeg_destroy_decompress(&cinfo);
        FWidth = w;
        FHeight = h;
        return true;
    }
};

Color TransparentKey(const Bitmap &bmp, int mode, Color fixed)
{
    if (mode == 1 || bmp.isNull())
        return fixed & 0xFFFFFF;
    // Automatic: the colour of the bottom-left pixel, as stored (0x00BBGGRR).
    uint32_t argb = bmp.pixel(0, bmp.height() - 1);
    return Color((argb >> 16 & 0xFF) | (argb & 0xFF00) | (argb & 0xFF) << 16);
}

Bitmap MaskedCopy(const Bitmap &bmp, Color key)
{
    Bitmap out = bmp;
    const uint32_t rgb = (key & 0xFF) << 16 | (key & 0xFF00) | (key >> 16 & 0xFF);
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x)
            if ((out.pixel(x, y) & 0xFFFFFF) == rgb)
                out.setPixel(x, y, 0);
    return out;
}

std::unique_ptr<TRVGraphic> CreateGraphicByClassName(std::string_view className)
{
    if (className == "TBitmap")
        return std::make_unique<TRVBitmapGraphic>();
    if (className == "TIcon")
        return std::make_unique<TRVIconGraphic>();
    if (className == "TMetafile")
        return std::make_unique<TRVMetafileGraphic>();
    if (className == "TJPEGImage")
        return std::make_unique<TRVJPEGGraphic>();
    return nullptr;
}

std::string EncodeBmp(const Bitmap &bmp)
{
    int w = bmp.width(), h = bmp.height();
    uint32_t stride = uint32_t((w * 3 + 3) & ~3);
    uint32_t imageSize = stride * uint32_t(h), fileSize = 54 + imageSize;
    std::string out(fileSize, '\0');
    auto put32 = [&](size_t off, uint32_t v) { for (int i = 0; i < 4; ++i) out[off + i] = char(v >> (8 * i)); };
    auto put16 = [&](size_t off, uint16_t v) { out[off] = char(v); out[off + 1] = char(v >> 8); };
    out[0] = 'B';
    out[1] = 'M';
    put32(2, fileSize);
    put32(10, 54);
    put32(14, 40);
    put32(18, uint32_t(w));
    put32(22, uint32_t(h));
    put16(26, 1);
    put16(28, 24);
    put32(34, imageSize);
    put32(38, 3780); // 96 dpi
    put32(42, 3780);
    for (int y = 0; y < h; ++y) {
        size_t row = 54 + size_t(h - 1 - y) * stride;
        for (int x = 0; x < w; ++x) {
            uint32_t px = bmp.pixel(x, y);
            out[row + 3 * size_t(x)] = char(px & 0xFF);
            out[row + 3 * size_t(x) + 1] = char((px >> 8) & 0xFF);
            out[row + 3 * size_t(x) + 2] = char((px >> 16) & 0xFF);
        }
    }
    return out;
}

} // namespace rv
