#include "viewer/rv_linebreak.h"

namespace rv {

namespace {

const uint8_t kPairs[20][20] = {
    // OP CL QU GL NS EX SY IS PR PO NU AL ID IN HY BA BB B2 ZW CM
    {2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 1}, // OP
    {0, 2, 1, 1, 2, 2, 2, 2, 0, 1, 0, 0, 0, 0, 1, 1, 0, 0, 2, 1}, // CL
    {2, 2, 1, 1, 1, 2, 2, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2, 1}, // QU
    {1, 2, 1, 1, 1, 2, 2, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2, 1}, // GL
    {0, 2, 1, 1, 1, 2, 2, 2, 0, 0, 0, 0, 0, 0, 1, 1, 0, 0, 2, 1}, // NS
    {0, 2, 1, 1, 1, 2, 2, 2, 0, 0, 0, 0, 0, 0, 1, 1, 0, 0, 2, 1}, // EX
    {0, 2, 1, 1, 1, 2, 2, 2, 0, 0, 1, 0, 0, 0, 1, 1, 0, 0, 2, 1}, // SY
    {0, 2, 1, 1, 1, 2, 2, 2, 0, 0, 1, 0, 0, 0, 1, 1, 0, 0, 2, 1}, // IS
    {1, 2, 1, 1, 1, 2, 2, 2, 0, 0, 1, 1, 1, 0, 1, 1, 0, 0, 2, 1}, // PR
    {0, 2, 1, 1, 1, 2, 2, 2, 0, 0, 0, 0, 0, 0, 1, 1, 0, 0, 2, 1}, // PO
    {0, 2, 1, 1, 1, 2, 2, 2, 0, 1, 1, 1, 0, 1, 1, 1, 0, 0, 2, 1}, // NU
    {0, 2, 1, 1, 1, 2, 2, 2, 0, 0, 1, 1, 0, 1, 1, 1, 0, 0, 2, 1}, // AL
    {0, 2, 1, 1, 1, 2, 2, 2, 0, 1, 0, 0, 0, 1, 1, 1, 0, 0, 2, 1}, // ID
    {0, 2, 1, 1, 1, 2, 2, 2, 0, 0, 0, 0, 0, 1, 1, 1, 0, 0, 2, 1}, // IN
    {0, 2, 1, 1, 1, 2, 2, 2, 0, 0, 0, 0, 0, 0, 1, 1, 0, 0, 2, 1}, // HY
    {0, 2, 1, 1, 1, 2, 2, 2, 0, 0, 0, 0, 0, 0, 1, 1, 0, 0, 2, 1}, // BA
    {1, 2, 1, 1, 1, 2, 2, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2, 1}, // BB
    {0, 2, 1, 1, 1, 2, 2, 2, 0, 0, 0, 0, 0, 0, 1, 1, 0, 2, 2, 1}, // B2
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 1}, // ZW
    {0, 2, 1, 1, 1, 2, 2, 2, 0, 0, 1, 1, 0, 1, 1, 1, 0, 0, 2, 1}, // CM
};

bool in(char16_t c, char16_t lo, char16_t hi) { return c >= lo && c <= hi; }

bool isDigit(char16_t c)
{
    if (in(c, u'0', u'9'))
        return true;
    // Decimal digits of the Arabic and Indic scripts, whose blocks put them at xx66..xx6F or xxE6..xxEF.
    if (in(c, 0x0660, 0x0669) || in(c, 0x06F0, 0x06F9) || in(c, 0x07C0, 0x07C9))
        return true;
    if (in(c, 0x0900, 0x0DFF)) {
        unsigned low = c & 0x7F;
        return low >= 0x66 && low <= 0x6F;
    }
    return in(c, 0x0E50, 0x0E59) || in(c, 0x0ED0, 0x0ED9) || in(c, 0x0F20, 0x0F29) || in(c, 0xFF10, 0xFF19);
}

bool isCombining(char16_t c)
{
    return in(c, 0x0300, 0x036F) || in(c, 0x0483, 0x0489) || in(c, 0x0591, 0x05BD) || in(c, 0x05BF, 0x05C7)
        || in(c, 0x0610, 0x061A) || in(c, 0x064B, 0x065F) || c == 0x0670 || in(c, 0x06D6, 0x06ED)
        || in(c, 0x0900, 0x0903) || in(c, 0x093A, 0x094F) || in(c, 0x0951, 0x0957) || in(c, 0x0962, 0x0963)
        || in(c, 0x1AB0, 0x1AFF) || in(c, 0x1DC0, 0x1DFF) || in(c, 0x200C, 0x200F) || in(c, 0x20D0, 0x20FF)
        || in(c, 0xFE00, 0xFE0F) || in(c, 0xFE20, 0xFE2F);
}

} // namespace

TRVLineBreakClass LineBreakClass(char16_t c)
{
    if (c == u' ')
        return lbSP;
    if (c < 0x20 && c != u'\t')
        return lbCM;
    switch (c) {
    case u'(': case u'[': case u'{': case 0x00A1: case 0x00BF: case 0x2045: case 0x207D: case 0x208D:
    case 0x3008: case 0x300A: case 0x300C: case 0x300E: case 0x3010: case 0xFF08: case 0xFF3B: case 0xFF5B:
        return lbOP;
    case u')': case u']': case u'}': case 0x2046: case 0x207E: case 0x208E: case 0x3001: case 0x3002:
    case 0x3009: case 0x300B: case 0x300D: case 0x300F: case 0x3011: case 0xFF09: case 0xFF0C: case 0xFF0E:
    case 0xFF3D: case 0xFF5D:
        return lbCL;
    case u'"': case u'\'': case 0x00AB: case 0x00BB: case 0x2018: case 0x2019: case 0x201B: case 0x201C:
    case 0x201D: case 0x201F: case 0x2039: case 0x203A:
        return lbQU;
    case 0x00A0: case 0x2007: case 0x2011: case 0x202F: case 0x2060: case 0xFEFF: case 0x0F0C:
        return lbGL;
    case 0x3005: case 0x301C: case 0x303B: case 0x309B: case 0x309C: case 0x309D: case 0x309E: case 0x30A0:
    case 0x30FB: case 0x30FC: case 0x30FD: case 0x30FE: case 0xFF1A: case 0xFF1B: case 0xFF65:
        return lbNS;
    case u'!': case u'?': case 0xFF01: case 0xFF1F: case 0x061F:
        return lbEX;
    case u'/':
        return lbSY;
    case u',': case u'.': case u':': case u';': case 0x037E: case 0x0589: case 0x060C: case 0x060D:
    case 0x2044: case 0xFE10: case 0xFE13: case 0xFE14:
        return lbIS;
    case u'$': case u'+': case u'\\': case 0x00A3: case 0x00A4: case 0x00A5: case 0x00B1: case 0x2116:
    case 0x2212: case 0x2213:
        return lbPR;
    case u'%': case 0x00A2: case 0x00B0: case 0x2030: case 0x2031: case 0x2032: case 0x2033: case 0x2034:
    case 0x2035: case 0x2036: case 0x2037: case 0x2103: case 0x2109: case 0xFF05:
        return lbPO;
    case 0x2024: case 0x2025: case 0x2026: case 0xFE19:
        return lbIN;
    case u'-':
        return lbHY;
    case u'\t': case u'|': case 0x00AD: case 0x058A: case 0x1680: case 0x2010: case 0x2012: case 0x2013:
    case 0x2027: case 0x205F:
        return lbBA;
    case 0x00B4: case 0x02C8: case 0x02CC: case 0x02DF: case 0x0F01: case 0x1FFD:
        return lbBB;
    case 0x2014:
        return lbB2;
    case 0x200B:
        return lbZW;
    default:
        break;
    }
    if (in(c, 0x2000, 0x2006) || in(c, 0x2008, 0x200A))
        return lbBA;
    if (in(c, 0x20A0, 0x20CF))
        return lbPR;
    if (isDigit(c))
        return lbNU;
    if (isCombining(c) || in(c, 0xDC00, 0xDFFF))
        return lbCM; // a low surrogate stays with its high half
    if (in(c, 0x2E80, 0x2FFF) || in(c, 0x3040, 0x30FF) || in(c, 0x3400, 0x4DBF) || in(c, 0x4E00, 0x9FFF)
        || in(c, 0xA000, 0xA4CF) || in(c, 0xAC00, 0xD7A3) || in(c, 0xF900, 0xFAFF) || in(c, 0xFF00, 0xFF60)
        || in(c, 0xFFE0, 0xFFE6) || in(c, 0x3000, 0x303F))
        return lbID;
    return lbAL;
}

int LineBreakPair(TRVLineBreakClass before, TRVLineBreakClass after)
{
    if (before >= lbSP || after >= lbSP)
        return 1;
    return kPairs[before][after];
}

} // namespace rv
