// Writing RVF: a whole document, or a selection of it (the viewer's copy
// command). Everything written reads back through ReadRVFStream to the same
// items and styles. The document's RVFOptions decide binary or hexadecimal
// bodies, style tables, page setup and layout records.
#pragma once
#include "rvf_reader.h"

#include <string>

namespace rv {

// Appends the RVF of the whole document to `out`. A document without items
// writes nothing. False when writing failed (what was written stays).
bool SaveRVFToString(const TCustomRVData &data, std::string &out, const TRVBackground *background = nullptr,
                     TColor color = platform::clWindow, const TRVLayoutInfo *layout = nullptr);

// Appends the RVF of a selection: from (startItem, startOffs) to (endItem,
// endOffs), offsets as selection offsets (text: 1 .. length + 1; others 0 or 1).
// The ends may come in either order.
bool SaveRVFSelectionToString(const TCustomRVData &data, std::string &out, int startItem, int startOffs, int endItem,
                              int endOffs);

// Writes the whole document to a file.
bool SaveRVFToFile(const TCustomRVData &data, const std::filesystem::path &path);

} // namespace rv
