// render: lays a document out for a window width and paints one screen of it
// into a PNG, the way the viewer would show it.
#include "cli.h"

#include "document/rvf_reader.h"
#include "platform/qt_canvas.h"
#include "viewer/rv_layoutdata.h"

#include <QImage>
#include <cstdio>
#include <string>

namespace {

int runRender(const std::vector<std::string> &args);

const cli::Command kRender{"render", "render FILE.rvf OUT.png [--width N] [--height H] [--scroll Y]",
                           "lay out a document and paint one screen of it into a PNG", runRender, true};
QUENLOR_CLI_COMMAND(kRender);

int runRender(const std::vector<std::string> &args)
{
    std::vector<std::string> files;
    int width = 640, height = 480, scroll = 0;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string &a = args[i];
        int *target = a == "--width" ? &width : a == "--height" ? &height : a == "--scroll" ? &scroll : nullptr;
        if (target) {
            const long v = i + 1 < args.size() ? cli::parseBounded(args[++i], 0, 1000000) : -1;
            if (v < 0)
                return cli::usageError(kRender);
            *target = int(v);
        } else if (!a.empty() && a[0] == '-') {
            return cli::usageError(kRender);
        } else {
            files.push_back(a);
        }
    }
    if (files.size() != 2 || width < 1 || height < 1)
        return cli::usageError(kRender);

    rv::TRVStyle style;
    style.LoadReaderDefaults();
    platform::QtCanvas canvas(width, height);
    rv::TRVLayoutData data(&style, &canvas);
    rv::TRVLayoutInfo layout;
    rv::TColor color = platform::clNone;
    if (!rv::LoadRVFFromFile(data, files[0], &layout, &data.Background, &color)) {
        std::fprintf(stderr, "render: cannot read %s: %s\n", files[0].c_str(), data.LoadError.Text().c_str());
        return 1;
    }
    if (layout.Loaded)
        data.TakeStoredLayout(layout);
    data.Color = color;
    data.ClientWidth = width;
    data.ClientHeight = height;
    data.Format();
    data.ScrollToY(scroll);
    data.PaintClient(canvas);
    canvas.finish();
    if (!canvas.image().save(QString::fromStdString(files[1]), "PNG")) {
        std::fprintf(stderr, "render: cannot write %s\n", files[1].c_str());
        return 1;
    }
    std::printf("%s: %d items, %d draw items, %d lines, document %d x %d, shown from y %d\n", files[0].c_str(),
                data.ItemCount(), data.DrawItemList().Count(), int(data.Lines().size()), data.DocumentWidth(),
                data.ContentHeight(), data.GetVOffs());
    return 0;
}

} // namespace
