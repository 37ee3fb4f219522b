// A control host without a window: a fixed client area, a scroll position and
// the canvas of deterministic metrics. The command line and the benchmarks drive the
// interaction layer through it.
#pragma once
#include "platform/metrics_canvas.h"
#include "viewer/rv_controldata.h"

#include <algorithm>

namespace rv {

class TRVHeadlessHost : public TRVControlHost {
public:
    explicit TRVHeadlessHost(int width = 640, int height = 480) : Width(width), Height(height), Dev(width, height) {}

    int Width, Height;
    int VPos = 0, HPos = 0; // pixels
    int DocWidth = 0, DocHeight = 0;
    platform::MetricsCanvas Dev;

    platform::Canvas *Canvas() override { return &Dev; }
    int ClientWidth() const override { return Width; }
    int ClientHeight() const override { return Height; }
    int HScrollPixels() const override { return HPos; }
    int VScrollPixels() const override { return VPos; }
    void SetDocumentSize(int width, int height) override
    {
        DocWidth = width;
        DocHeight = height;
        VPos = std::clamp(VPos, 0, std::max(0, DocHeight - Height));
    }
    void ScrollToPixelY(int y) override { VPos = std::clamp(y, 0, std::max(0, DocHeight - Height)); }
};

} // namespace rv
