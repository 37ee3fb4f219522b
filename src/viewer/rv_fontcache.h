// Metrics of the text styles at the target resolution, taken once per style
// per formatting run. Entry n belongs to text style n.
#pragma once
#include "document/rv_style.h"
#include "platform/canvas.h"

#include <memory>
#include <optional>
#include <vector>

namespace rv {

struct TRVFontInfoCacheItem {
    platform::Canvas *Canvas = nullptr;  // holds the style's font (see TRVFontInfoCache::Select)
    platform::TextMetrics TextMetric;
    const TFontInfo *FontInfo = nullptr;
    int StyleNo = -1;
    int ExtraFontHeight = 0;  // height of the reduced sub/superscript font; 0 for normal text
    int VerticalOffset = 0;   // pixels; positive raises the text
    int EmptyHeight = 0;      // height and width of "-": empty items, soft hyphens
    int HyphenWidth = 0;
    std::optional<platform::OutlineMetrics> Outline;
};

class TRVFontInfoCache {
public:
    // canvas: the target; defBiDi: the document's text direction.
    TRVFontInfoCache(TRVStyle &style, platform::Canvas &canvas, TRVBiDiMode defBiDi)
        : FStyle(style), FCanvas(canvas), FBiDi(defBiDi)
    {
    }
    virtual ~TRVFontInfoCache() = default;
    TRVFontInfoCache(const TRVFontInfoCache &) = delete;
    TRVFontInfoCache &operator=(const TRVFontInfoCache &) = delete;

    // The entry of a style, filled on first use.
    const TRVFontInfoCacheItem &Get(int styleNo);
    // The entry with its font selected on its canvas, ready for measuring.
    virtual const TRVFontInfoCacheItem &Select(int styleNo) = 0;

    // Puts a style's font on a canvas the way formatting measured it.
    static void ApplyFont(TRVStyle &style, platform::Canvas &canvas, int styleNo, TRVBiDiMode defBiDi,
                          int extraFontHeight);

protected:
    // The canvas a new entry measures on.
    virtual platform::Canvas &CanvasFor(int styleNo) = 0;
    TRVStyle &FStyle;
    platform::Canvas &FCanvas;
    TRVBiDiMode FBiDi;
    std::vector<std::unique_ptr<TRVFontInfoCacheItem>> FItems;
};

// One off-screen canvas per style: switching styles costs no font selection.
class TRVFontInfoCacheFast : public TRVFontInfoCache {
public:
    using TRVFontInfoCache::TRVFontInfoCache;
    const TRVFontInfoCacheItem &Select(int styleNo) override { return Get(styleNo); }

protected:
    platform::Canvas &CanvasFor(int styleNo) override;

private:
    std::vector<std::unique_ptr<platform::Canvas>> FCanvases;
};

// Shares the target canvas and re-applies a style only when it changes.
class TRVFontInfoCacheLowResource : public TRVFontInfoCache {
public:
    using TRVFontInfoCache::TRVFontInfoCache;
    const TRVFontInfoCacheItem &Select(int styleNo) override;
    // The canvas font was changed behind the cache's back: apply again next time.
    void Invalidate() { FLastStyle = -1; }

protected:
    platform::Canvas &CanvasFor(int styleNo) override;

private:
    int FLastStyle = -1;
};

std::unique_ptr<TRVFontInfoCache> MakeFontInfoCache(bool fast, TRVStyle &style, platform::Canvas &canvas,
                                                    TRVBiDiMode defBiDi);

} // namespace rv
