// A small, clean HTML form of a document or a selection, for the clipboard's
// text/html: fonts, sizes, bold/italic/underline, colours, alignment and
// indents, lists as lists, hyperlinks as their styled text, pictures inline
// as data: URIs. UTF-8.
#pragma once
#include "rv_data.h"

#include <string>

namespace rv {

// Appends the HTML of the whole document to `out`; false (nothing appended,
// *error says why) when writing failed.
bool SaveHTMLToString(const TCustomRVData &data, std::string &out, std::string *error = nullptr);

// The same for a selection, offsets as selection offsets, ends in any order.
bool SaveHTMLSelectionToString(const TCustomRVData &data, std::string &out, int startItem, int startOffs,
                               int endItem, int endOffs, std::string *error = nullptr);

} // namespace rv
