// Reads arbitrary bytes as an RVF document (the reader's sheet, the study's
// style tables), writes the whole document and a selection of it as RTF and
// as HTML, and checks each RTF with a small tokenizer: one balanced group of
// valid tokens in 7-bit ASCII. A fault aborts, so the fuzzer reports it.
#include "document/html_writer.h"
#include "document/rtf_writer.h"
#include "document/rv_data.h"
#include "document/rvf_reader.h"
#include "../../document/rtf_check.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

void check(const std::string &rtf, const char *what)
{
    std::string bad = rtfcheck::validate(rtf);
    if (!bad.empty()) {
        std::fprintf(stderr, "%s: %s\n", what, bad.c_str());
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    rv::TRVStyle style;
    style.LoadReaderDefaults();
    rv::TCustomRVData doc(&style);
    std::string_view bytes(reinterpret_cast<const char *>(data), size);
    int at = 0;
    rv::ReadRVFStream(doc, bytes, at, true);
    // The second byte may mark every text style as holding RTF code, whose
    // text goes out nearly raw.
    if (size > 1 && (data[1] & 1))
        for (int n = 0; n < style.TextStyles.Count(); ++n)
            style.TextStyles[n].Options |= rv::bit(rv::rvteoRTFCode);
    rv::TRVRTFSettings settings;
    // The first byte picks writer options, so every picture form is reached.
    if (size > 0)
        settings.Options = data[0] & 0x1FF;
    // Binary pictures carry raw bytes after \bin; the tokenizer skips them.
    std::string rtf, html;
    if (rv::SaveRTFToString(doc, rtf, settings))
        check(rtf, "whole document");
    rv::SaveHTMLToString(doc, html);
    const int n = doc.ItemCount();
    if (n > 0) {
        std::string sel;
        const int a = int(size % unsigned(n)), b = n - 1;
        if (rv::SaveRTFSelectionToString(doc, sel, b, 1, a, 2, settings))
            check(sel, "selection");
        std::string hsel;
        rv::SaveHTMLSelectionToString(doc, hsel, a, 2, b, 1);
    }
    return 0;
}
