// Style tables stored in RVF properties records: their byte encoding (a
// collection of entries, each a list of named, typed property values), and
// merging a file's table into the sheet when a document is inserted.
#pragma once
#include "rv_data.h"
#include "rv_style.h"

#include <string>
#include <string_view>
#include <vector>

namespace rv {

// Decoding a stored table into an empty collection. Throws EReadViewError when
// the data does not start with a collection or ends early; properties that
// cannot be used are skipped and set *unknownProperty.
void DecodeTextStyles(std::string_view data, TFontInfos &out, bool *unknownProperty);
void DecodeParaStyles(std::string_view data, TParaInfos &out, bool *unknownProperty);
void DecodeListStyles(std::string_view data, TRVListInfos &out, bool *unknownProperty);

// Encoding a collection; only values that differ from the defaults are stored.
std::string EncodeTextStyles(const TFontInfos &styles);
std::string EncodeParaStyles(const TParaInfos &styles);
std::string EncodeListStyles(const TRVListInfos &styles);

// Insert-mode merging of a file's collection into the sheet's (mode
// rvf_sInsertMerge appends what the sheet lacks, rvf_sInsertMap picks the most
// similar sheet style). Returns the style map: file number → sheet number.
std::vector<int> MergeTextStyles(TFontInfos &sheet, const TFontInfos &file, TRVFReaderStyleMode mode);
std::vector<int> MergeParaStyles(TParaInfos &sheet, const TParaInfos &file, TRVFReaderStyleMode mode,
                                 const std::vector<int> *textMap);
std::vector<int> MergeListStyles(TRVListInfos &sheet, TRVListInfos &file, TRVFReaderStyleMode mode);

// Similarity score of two text styles (higher is closer), used by rvf_sInsertMap.
int TextStyleSimilarity(const TFontInfo &file, const TFontInfo &sheet);

// The value of an 80-bit extended float stored little-endian in 10 bytes.
long double DecodeExtended(const unsigned char *p);

// The colour a stored identifier names (clNavy, clWindow, ...); false when none.
bool ColorFromIdent(const std::string &name, TColor &out);

} // namespace rv
