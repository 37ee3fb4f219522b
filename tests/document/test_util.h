// Helpers shared by the document tests.
#pragma once
#include "document/rv_data.h"
#include "document/rvf_reader.h"

#include <memory>
#include <string>

namespace rvtest {

// A document on the reader's initial sheet.
struct Doc {
    rv::TRVStyle style;
    rv::TCustomRVData data{&style};
    Doc() { style.LoadReaderDefaults(); }
    bool read(const std::string &stream, bool load = true)
    {
        int at = data.ItemCount();
        return rv::ReadRVFStream(data, stream, at, load);
    }
};

// Joins lines with CR LF after each.
inline std::string lines(std::initializer_list<std::string> ls)
{
    std::string s;
    for (auto &l : ls)
        s += l + "\r\n";
    return s;
}

inline std::string le32(uint32_t v)
{
    std::string s;
    for (int i = 0; i < 4; ++i)
        s.push_back(char(v >> (8 * i)));
    return s;
}

} // namespace rvtest
