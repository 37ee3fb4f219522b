// Line-breaking classes of Unicode text (a fold of the UAX #14 property into
// the 20 classes of the pair table) and the pair table itself.
#pragma once
#include <cstdint>

namespace rv {

enum TRVLineBreakClass : uint8_t {
    lbOP, lbCL, lbQU, lbGL, lbNS, lbEX, lbSY, lbIS, lbPR, lbPO, lbNU, lbAL, lbID, lbIN, lbHY, lbBA, lbBB, lbB2,
    lbZW, lbCM, lbSP // lbSP: the space, which the pair walk steps over
};

TRVLineBreakClass LineBreakClass(char16_t c);

// 0: a break is allowed between before and after; 1: only with spaces between; 2: never.
int LineBreakPair(TRVLineBreakClass before, TRVLineBreakClass after);

} // namespace rv
