// Feeds arbitrary bytes to the metafile player (as a picture and raw, onto
// the test canvas) and to the bitmap decoder: none may crash, hang or
// allocate without bound.
#include "document/rv_graphic.h"
#include "document/rv_metafile.h"
#include "support/test_canvas.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string_view bytes(reinterpret_cast<const char *>(data), size);
    platform::TestCanvas canvas(200, 200);
    rv::PlayMetafile(bytes, canvas, platform::Rect{0, 0, 150, 120});
    auto g = rv::CreateGraphicByClassName("TMetafile");
    if (g->LoadFromBytes(bytes))
        g->Draw(canvas, platform::Rect{5, 5, 5 + g->Width() % 500 + 1, 5 + g->Height() % 500 + 1});
    rv::DecodeDib(bytes);
    return 0;
}
