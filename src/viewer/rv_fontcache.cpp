#include "viewer/rv_fontcache.h"

#include <cmath>

namespace rv {

using namespace platform;

void TRVFontInfoCache::ApplyFont(TRVStyle &style, Canvas &canvas, int styleNo, TRVBiDiMode defBiDi,
                                 int extraFontHeight)
{
    if (extraFontHeight > 0)
        style.ApplyStyle(canvas, styleNo, defBiDi, false, &extraFontHeight);
    else
        style.ApplyStyle(canvas, styleNo, defBiDi, false, nullptr, true);
}

const TRVFontInfoCacheItem &TRVFontInfoCache::Get(int styleNo)
{
    size_t slot = styleNo >= 0 && styleNo < FStyle.TextStyles.Count() ? size_t(styleNo) : 0;
    if (FItems.size() < size_t(std::max(1, FStyle.TextStyles.Count())))
        FItems.resize(size_t(std::max(1, FStyle.TextStyles.Count())));
    if (FItems[slot])
        return *FItems[slot];
    auto item = std::make_unique<TRVFontInfoCacheItem>();
    const TFontInfo &fi = FStyle.TextStyles[styleNo];
    Canvas &c = CanvasFor(int(slot));
    item->Canvas = &c;
    item->FontInfo = &fi;
    item->StyleNo = int(slot);
    // The full-size font first: sub/superscript sizes and offsets come from it.
    FStyle.ApplyStyle(c, int(slot), FBiDi, false, nullptr, true);
    int offset = 0;
    if (fi.SubSuperScriptType != rvsssNormal) {
        TextMetrics full = c.textMetrics();
        auto om = c.outlineMetrics();
        int size;
        if (om) {
            if (fi.SubSuperScriptType == rvsssSubscript) {
                size = om->subscriptSizeY;
                offset = -om->subscriptOffsetY;
            } else {
                size = om->superscriptSizeY;
                offset = full.tmAscent - om->superscriptOffsetY;
            }
        } else {
            size = int(std::lround(full.tmHeight * 2.0 / 3.0));
            offset = int(std::lround(full.tmHeight * (fi.SubSuperScriptType == rvsssSubscript ? -0.25 : 0.45)));
        }
        item->ExtraFontHeight = std::max(1, size);
        FStyle.ApplyStyle(c, int(slot), FBiDi, false, &item->ExtraFontHeight);
    }
    item->TextMetric = c.textMetrics();
    item->Outline = c.outlineMetrics();
    item->VerticalOffset = offset + MulDiv(item->TextMetric.tmHeight, fi.VShift, 100);
    Size dash = c.textExtent(u"-");
    item->EmptyHeight = dash.cy;
    item->HyphenWidth = dash.cx;
    FItems[slot] = std::move(item);
    return *FItems[slot];
}

Canvas &TRVFontInfoCacheFast::CanvasFor(int styleNo)
{
    if (FCanvases.size() < FItems.size())
        FCanvases.resize(FItems.size());
    auto &c = FCanvases[size_t(styleNo)];
    if (!c)
        c = FCanvas.createCompatible(1, 1);
    return *c;
}

Canvas &TRVFontInfoCacheLowResource::CanvasFor(int styleNo)
{
    FLastStyle = styleNo;
    return FCanvas;
}

const TRVFontInfoCacheItem &TRVFontInfoCacheLowResource::Select(int styleNo)
{
    const TRVFontInfoCacheItem &item = Get(styleNo);
    if (FLastStyle != item.StyleNo) {
        ApplyFont(FStyle, FCanvas, item.StyleNo, FBiDi, item.ExtraFontHeight);
        FLastStyle = item.StyleNo;
    }
    return item;
}

std::unique_ptr<TRVFontInfoCache> MakeFontInfoCache(bool fast, TRVStyle &style, Canvas &canvas, TRVBiDiMode defBiDi)
{
    if (fast)
        return std::make_unique<TRVFontInfoCacheFast>(style, canvas, defBiDi);
    return std::make_unique<TRVFontInfoCacheLowResource>(style, canvas, defBiDi);
}

} // namespace rv
