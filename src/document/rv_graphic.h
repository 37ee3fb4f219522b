// Picture objects of picture items: one class per stored picture format,
// created empty by class name and filled from the bytes stored in a document.
// Each picture keeps those bytes unchanged beside its decoded image, so the RVF
// and RTF writers can put them back exactly.
#pragma once
#include "platform/bitmap.h"
#include "platform/canvas.h"

#include <memory>
#include <string>
#include <string_view>

namespace rv {

class TRVGraphic {
public:
    virtual ~TRVGraphic() = default;
    // "TBitmap", "TIcon", "TMetafile" or "TJPEGImage".
    virtual const char *ClassName() const = 0;
    // A new empty picture of the same class.
    virtual std::unique_ptr<TRVGraphic> CreateEmpty() const = 0;
    // A new picture of the same class holding the same picture.
    std::unique_ptr<TRVGraphic> Clone() const;

    // Decodes `data` (the class's own file format) and keeps it as the stored
    // bytes. False when the data is not a readable picture (the picture is then empty).
    bool LoadFromBytes(std::string_view data);
    const std::string &StoredBytes() const { return FData; }

    bool Empty() const { return FWidth <= 0 || FHeight <= 0; }
    int Width() const { return FWidth; }   // natural size in screen pixels
    int Height() const { return FHeight; }
    // The decoded raster, or nullptr for pictures that are not rasters (metafiles).
    const platform::Bitmap *Image() const { return FImage.isNull() ? nullptr : &FImage; }

    // Draws the picture stretched into dest (a transparent bitmap without its
    // transparent colour; a metafile by replaying its records, clipped to dest).
    virtual void Draw(platform::Canvas &canvas, const platform::Rect &dest) const;

    // Bitmap transparency ("transparent", "tmode", "tcolor"); other classes ignore it.
    virtual bool SupportsTransparency() const { return false; }
    bool Transparent = false;
    int TransparentMode = 0; // 0 automatic, 1 fixed colour
    platform::Color TransparentColor = 0;

    // Metafile resolution in units per inch (Windows metafiles only; 0 otherwise).
    int MetafileInch() const { return FInch; }

protected:
    // Decodes into FImage / FWidth / FHeight; false when unreadable.
    virtual bool Decode(std::string_view data) = 0;
    platform::Bitmap FImage;
    int FWidth = 0, FHeight = 0;
    int FInch = 0;

private:
    std::string FData;
};

// A picture of a registered class, or nullptr for an unknown class name.
std::unique_ptr<TRVGraphic> CreateGraphicByClassName(std::string_view className);

// The colour a transparent bitmap leaves out, as a stored colour (0x00BBGGRR):
// the fixed colour in mode 1, otherwise the bitmap's bottom-left pixel.
platform::Color TransparentKey(const platform::Bitmap &bmp, int mode, platform::Color fixed);
// A copy of bmp whose pixels of colour `key` (0x00BBGGRR) are fully transparent.
platform::Bitmap MaskedCopy(const platform::Bitmap &bmp, platform::Color key);

// Stored BMP bytes of an ARGB bitmap (24-bit, bottom-up), for pictures we make ourselves.
std::string EncodeBmp(const platform::Bitmap &bmp);

// The largest picture side (and spacing) a picture item takes, in screen
// pixels: more than any canvas shows, small enough that box sizes scaled for a
// printer stay far inside int.
constexpr int kMaxPictureSide = 100000;

// Pictures larger than this many stored bytes are refused before decoding.
constexpr size_t kMaxPictureBytes = 256u * 1024 * 1024;

} // namespace rv
