// Table bodies built byte by byte for the tests: the component stream a
// table record's last line holds.
#pragma once
#include "test_util.h"

#include <string>

namespace rvtest {

// An integer value in the smallest integer type that holds it.
inline std::string ival(int v)
{
    if (v >= -128 && v <= 127)
        return bytes({2, v & 0xFF});
    if (v >= -32768 && v <= 32767)
        return bytes({3, v & 0xFF, (v >> 8) & 0xFF});
    return char(4) + le32(uint32_t(v));
}

inline std::string ident(const std::string &s) { return char(7) + prop(s); }

// A cell: its spans and a "TD" record with properties `props` and, when
// `rvf` is not empty, its document.
inline std::string cell(const std::string &rvf, const std::string &props = "", int colSpan = 1, int rowSpan = 1)
{
    std::string c = ival(colSpan) + ival(rowSpan) + prop("TD") + prop("") + props;
    if (!rvf.empty())
        c += prop("C.Data") + char(10) + le32(uint32_t(rvf.size())) + rvf;
    return c + std::string(2, '\0');
}

// A whole body: signature, wrapper record, the table properties, the cells
// of a rows x cols grid, then `after` (row lists).
inline std::string tableBody(int rows, int cols, const std::string &cells, const std::string &props = "",
                             const std::string &after = "")
{
    std::string b = "TPF0" + prop("TRVTableWrapper") + prop("") + props + prop("C") + ival(rows);
    if (rows > 0)
        b += ival(cols) + char(1) + cells + std::string(1, '\0');
    return b + after + std::string(2, '\0');
}

// The RVF of one paragraph of text in style `style`.
inline std::string textRVF(const std::string &text, int style = 0)
{
    return lines({"-8 1 3", std::to_string(style) + " 1 0 0 0 0", text});
}

// A table record (no header line of the stream): hexadecimal or binary body.
inline std::string tableRecord(const std::string &body, bool binary = false)
{
    if (binary)
        return lines({"-60 2 0 0 2 0", "tabla"}) + le32(uint32_t(body.size())) + body;
    return lines({"-60 2 0 0 0 0", "tabla", hex(body)});
}

} // namespace rvtest
