// The printer most printing tests use: 400 x 100 printable pixels at 96 dpi
// with no unprintable strips, so layout lengths equal screen lengths.
#pragma once
#include "printing/rv_print.h"

namespace rvtest {

inline rv::TRVPrinterPage SmallPage()
{
    rv::TRVPrinterPage p;
    p.DpiX = p.DpiY = 96;
    p.PhysicalWidth = p.PageWidth = 400;
    p.PhysicalHeight = p.PageHeight = 100;
    return p;
}

} // namespace rvtest
