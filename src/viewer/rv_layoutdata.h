// Formatted data with a plain owner: settings in fields instead of a window.
// Used for headless rendering (quenlor-cli render), tests and benchmarks.
#pragma once
#include "viewer/rv_fdata.h"

namespace rv {

class TRVLayoutData : public TCustomRVFormattedData {
public:
    explicit TRVLayoutData(TRVStyle *style = nullptr, platform::Canvas *canvas = nullptr)
        : TCustomRVFormattedData(style), Canvas(canvas)
    {
    }

    platform::Canvas *Canvas;
    int ClientWidth = 640, ClientHeight = 480;
    int LeftMargin = 5, RightMargin = 5, TopMargin = 5, BottomMargin = 5;
    int MinTextWidth = 0, MaxTextWidth = 0;
    bool WordWrap = true;
    uint32_t Options = kDefaultViewerOptions;
    int MaxLength = 0;
    TTextLayout VAlign = tlTop;
    int HOffs = 0, VOffs = 0;
    platform::Color Color = platform::clNone;
    TRVBackground Background;
    bool Focused = true;
    // Width a vertical scroll bar takes from the client area while the document
    // is taller than it (0: no bar).
    int VScrollBarWidth = 0;
    int ScrollRangeCalls = 0;

    platform::Canvas *GetCanvas() override { return Canvas; }
    int GetClientWidth() const override { return ClientWidth - (FBarShown ? VScrollBarWidth : 0); }
    int GetClientHeight() const override { return ClientHeight; }
    int GetLeftMargin() const override { return LeftMargin; }
    int GetRightMargin() const override { return RightMargin; }
    int GetTopMargin() const override { return TopMargin; }
    int GetBottomMargin() const override { return BottomMargin; }
    int GetMinTextWidth() const override { return MinTextWidth; }
    int GetMaxTextWidth() const override { return MaxTextWidth; }
    bool GetWordWrap() const override { return WordWrap; }
    uint32_t GetOptions() const override { return Options; }
    int GetMaxLength() const override { return MaxLength; }
    TTextLayout GetVAlign() const override { return VAlign; }
    int GetHOffs() const override { return HOffs; }
    int GetVOffs() const override { return VOffs; }
    bool IsControlFocused() const override { return Focused; }
    platform::Color GetColor() const override { return Color; }
    const TRVBackground *GetBackground() const override { return &Background; }
    void SetScrollRange(int width, int height) override;
    void ScrollToY(int y) override;

    // Paints the whole client area at the current scroll position.
    void PaintClient(platform::Canvas &window) { PaintTo(window, {0, 0, GetClientWidth(), GetClientHeight()}); }

private:
    bool FBarShown = false;
};

} // namespace rv
