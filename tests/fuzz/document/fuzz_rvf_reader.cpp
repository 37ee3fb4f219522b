// Feeds arbitrary bytes to the RVF reader (load mode, the reader's sheet), then
// writes what was read and reads that back: neither may crash, hang or leak.
#include "document/rv_data.h"
#include "document/rvf_reader.h"
#include "document/rvf_writer.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    rv::TRVStyle style;
    style.LoadReaderDefaults();
    rv::TCustomRVData doc(&style);
    // The first byte picks options, so layout, markers, conversions and
    // insert-mode merging are reached too.
    bool load = true;
    if (size > 0) {
        if (data[0] & 1)
            doc.RVFOptions |= rv::rvfoLoadLayout | rv::rvfoLoadBack;
        if (data[0] & 2)
            doc.RVFOptions |= rv::rvfoConvUnknownStylesToZero | rv::rvfoIgnoreUnknownPicFmt;
        load = (data[0] & 4) == 0;
    }
    std::string_view bytes(reinterpret_cast<const char *>(data), size);
    int at = 0;
    rv::TRVLayoutInfo layout;
    rv::TRVBackground back;
    rv::TColor color = 0;
    rv::ReadRVFStream(doc, bytes, at, load, &layout, &back, &color);
    std::string out;
    if (rv::SaveRVFToString(doc, out)) {
        rv::TCustomRVData again(&style);
        int pos = 0;
        rv::ReadRVFStream(again, out, pos, true);
    }
    if (doc.ItemCount() > 1) {
        std::string sel;
        rv::SaveRVFSelectionToString(doc, sel, 0, 2, doc.ItemCount() - 1, 1);
    }
    return 0;
}
