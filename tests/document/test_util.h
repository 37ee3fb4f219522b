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
    // Appends a text item, starting a paragraph unless newPara is false.
    rv::TCustomRVItemInfo &text(std::string s, int styleNo = 0, bool newPara = true, int para = 0)
    {
        auto it = std::make_unique<rv::TRVTextItemInfo>(styleNo);
        it->ParaNo = para;
        if (!newPara)
            it->ItemOptions |= rv::ioContinuesParagraph;
        auto *raw = it.get();
        data.AddItem(std::move(s), std::move(it));
        return *raw;
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

// A stored property name: its length byte, then the name.
inline std::string prop(const std::string &name) { return char(name.size()) + name; }

inline std::string bytes(std::initializer_list<int> b)
{
    std::string s;
    for (int c : b)
        s.push_back(char(c));
    return s;
}

// Upper-case hex digits, two per byte, for readable byte comparisons.
inline std::string hex(const std::string &b)
{
    static const char *h = "0123456789ABCDEF";
    std::string s;
    for (unsigned char c : b) {
        s += h[c >> 4];
        s += h[c & 15];
    }
    return s;
}

} // namespace rvtest
