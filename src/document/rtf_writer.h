// Writing Rich Text Format: the whole document or a selection, as the copy
// command puts it on the clipboard for word processors. The output is 7-bit
// ASCII; fonts, colours, paragraph and character formatting, lists and
// pictures (from the bytes the document stores) are kept.
#pragma once
#include "rv_data.h"

#include <cstdint>
#include <functional>
#include <string>

namespace rv {

// RTFOptions bits.
enum TRVRTFOption : uint8_t {
    rvrtfSaveStyleSheet, rvrtfDuplicateUnicode, rvrtfSaveEMFAsWMF, rvrtfSaveJpegAsJpeg, rvrtfSaveBitmapDefault,
    rvrtfSaveEMFDefault, rvrtfSavePicturesBinary, rvrtfPNGInsteadOfBitmap, rvrtfSaveDocParameters
};
// The viewer's default: Unicode text doubled by its code-page form, metafiles as
// Windows metafiles, JPEG pictures as JPEG, no style sheet.
constexpr uint32_t kDefaultRTFOptions = bit(rvrtfDuplicateUnicode) | bit(rvrtfSaveEMFAsWMF) | bit(rvrtfSaveJpegAsJpeg);

struct TRVRTFSettings {
    uint32_t Options = kDefaultRTFOptions;
    // The viewer's background colour; it enters the colour table unless clWindow.
    TColor Background = platform::clWindow;
    // The document's direction (\ltrdoc / \rtldoc); unspecified writes neither.
    TRVBiDiMode BiDiMode = rvbdUnspecified;
    // Resolution that style and item lengths are given in.
    int ScreenPixelsPerInch = 96;
    // Hyperlink target and extra field text for item i; both empty: plain
    // formatted text. The reader supplies none.
    std::function<void(int itemNo, std::string &target, std::string &extra)> OnWriteHyperlink;
    // A copy larger than this fails instead of filling memory.
    size_t MaxBytes = size_t(512) * 1024 * 1024;
};

// Appends the RTF of the whole document to `out`. On failure nothing is
// appended, false is returned and *error (when given) says why.
bool SaveRTFToString(const TCustomRVData &data, std::string &out, const TRVRTFSettings &settings = {},
                     std::string *error = nullptr);

// The same for a selection: (startItem, startOffs) to (endItem, endOffs) as
// selection offsets (text 1 .. length + 1; others 0 or 1), ends in any order.
bool SaveRTFSelectionToString(const TCustomRVData &data, std::string &out, int startItem, int startOffs,
                              int endItem, int endOffs, const TRVRTFSettings &settings = {},
                              std::string *error = nullptr);

} // namespace rv
