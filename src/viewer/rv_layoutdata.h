// Formatted data with a plain owner: settings in fields instead of a window.
// Used for headless rendering (quenlor-cli render), tests and benchmarks.
#pragma once
#include "viewer/rv_fdata.h"

namespace rv {

class TRVLayoutData : public TRVFieldSettingsData {
public:
    explicit TRVLayoutData(TRVStyle *style = nullptr, platform::Canvas *canvas = nullptr)
        : TRVFieldSettingsData(style), Canvas(canvas)
    {
    }

    platform::Canvas *Canvas;
    int ClientWidth = 640, ClientHeight = 480;
    int HOffs = 0, VOffs = 0;
    bool Focused = true;
    // Width a vertical scroll bar takes from the client area while the document
    // is taller than it (0: no bar).
    int VScrollBarWidth = 0;
    // Page breaks to mark (a pagination's, not owned), or nullptr.
    const std::vector<int> *PageBreaks = nullptr;

    platform::Canvas *GetCanvas() override { return Canvas; }
    int GetClientWidth() const override { return ClientWidth - (FBarShown ? VScrollBarWidth : 0); }
    int GetClientHeight() const override { return ClientHeight; }
    int GetHOffs() const override { return HOffs; }
    int GetVOffs() const override { return VOffs; }
    bool IsControlFocused() const override { return Focused; }
    const std::vector<int> *GetPageBreaks() const override { return PageBreaks; }
    void SetScrollRange(int width, int height) override;
    void ScrollToY(int y) override;

    // Paints the whole client area at the current scroll position.
    void PaintClient(platform::Canvas &window) { PaintTo(window, {0, 0, GetClientWidth(), GetClientHeight()}); }

private:
    bool FBarShown = false;
};

} // namespace rv
