// Feeds arbitrary bytes to the table body reader as a table record's decoded
// body, then writes what was read and reads it back: no crash, hang or leak.
#include "document/rv_data.h"
#include "document/rv_table.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    rv::TRVStyle style;
    style.LoadReaderDefaults();
    rv::TCustomRVData doc(&style);
    std::string_view body(reinterpret_cast<const char *>(data), size);
    rv::TRVTableItemInfo table;
    uint8_t warnings = 0;
    try {
        rv::ReadTableBody(table, body, doc, warnings);
    } catch (const std::exception &) {
        return 0;
    }
    std::string out;
    if (rv::WriteTableBody(table, out)) {
        rv::TRVTableItemInfo again;
        try {
            rv::ReadTableBody(again, out, doc, warnings);
        } catch (const std::exception &) {
            __builtin_trap(); // what we write must read back
        }
    }
    return 0;
}
