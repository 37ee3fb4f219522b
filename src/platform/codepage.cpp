#include "codepage.h"

#include "canvas.h"

#include <array>
#include <cerrno>
#include <cstdlib>
#include <iconv.h>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace platform {

namespace {

bool isMultiByte(int cp) { return cp == 932 || cp == 936 || cp == 949 || cp == 950 || cp == 1361; }

std::string iconvName(int cp)
{
    switch (cp) {
    case CP_LATIN1: return "ISO-8859-1";
    case 10000: return "MACINTOSH";
    case 20866: return "KOI8-R";
    case 1361: return "JOHAB";
    default: return "CP" + std::to_string(cp);
    }
}

// One single-byte code page as two tables, built once from iconv.
struct SingleBytePage {
    std::array<char16_t, 256> toUnicode{};
    std::vector<int16_t> fromUnicode; // 65536 entries, -1 when not mappable
};

std::mutex g_mutex;

const SingleBytePage *singleBytePage(int cp)
{
    static std::map<int, std::unique_ptr<SingleBytePage>> pages;
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = pages.find(cp);
    if (it != pages.end())
        return it->second.get();
    std::unique_ptr<SingleBytePage> page;
    if (cp == CP_SYMBOL) {
        // Symbol fonts keep their byte values in the private use area.
        page = std::make_unique<SingleBytePage>();
        page->fromUnicode.assign(65536, -1);
        for (int b = 0; b < 256; ++b) {
            char16_t u = b < 0x20 ? char16_t(b) : char16_t(0xF000 + b);
            page->toUnicode[b] = u;
            page->fromUnicode[u] = int16_t(b);
            if (b >= 0x20)
                page->fromUnicode[b] = int16_t(b);
        }
    } else {
        iconv_t cd = iconv_open("UTF-16LE", iconvName(cp).c_str());
        if (cd != iconv_t(-1)) {
            page = std::make_unique<SingleBytePage>();
            page->fromUnicode.assign(65536, -1);
            for (int b = 0; b < 256; ++b) {
                char in = char(b);
                char out[8];
                char *ip = &in, *op = out;
                size_t il = 1, ol = sizeof out;
                iconv(cd, nullptr, nullptr, nullptr, nullptr);
                char16_t u = char16_t(b); // undefined bytes map to U+00xx, as Windows does
                // 1255 and 1258 hold a base letter back for a combining mark: flush it.
                bool defined = iconv(cd, &ip, &il, &op, &ol) != size_t(-1)
                               && iconv(cd, nullptr, nullptr, &op, &ol) != size_t(-1) && sizeof out - ol == 2;
                if (defined)
                    u = char16_t(uint8_t(out[0]) | (uint8_t(out[1]) << 8));
                page->toUnicode[b] = u;
                if (defined || page->fromUnicode[u] < 0)
                    page->fromUnicode[u] = int16_t(b);
            }
            iconv_close(cd);
        }
    }
    auto *raw = page.get();
    pages.emplace(cp, std::move(page));
    return raw;
}

int resolvePage(int cp)
{
    if (cp == CP_ACP)
        return systemAnsiCodePage();
    if (isMultiByte(cp) || singleBytePage(cp))
        return cp;
    return systemAnsiCodePage();
}

// Multi-byte pages: iconv over the whole run, one character at a time on error.
std::u16string mbToUtf16(std::string_view bytes, int cp)
{
    std::u16string out;
    iconv_t cd = iconv_open("UTF-16LE", iconvName(cp).c_str());
    if (cd == iconv_t(-1)) {
        for (unsigned char c : bytes)
            out.push_back(c < 0x80 ? char16_t(c) : u'?');
        return out;
    }
    size_t i = 0;
    while (i < bytes.size()) {
        size_t take = (uint8_t(bytes[i]) >= 0x80 && i + 1 < bytes.size()) ? 2 : 1;
        char buf[8];
        char *ip = const_cast<char *>(bytes.data() + i), *op = buf;
        size_t il = take, ol = sizeof buf;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd, &ip, &il, &op, &ol) != size_t(-1) && il == 0) {
            for (char *p = buf; p + 1 < op; p += 2)
                out.push_back(char16_t(uint8_t(p[0]) | (uint8_t(p[1]) << 8)));
            i += take;
        } else {
            out.push_back(u'?');
            i += 1;
        }
    }
    iconv_close(cd);
    return out;
}

std::string utf16ToMb(std::u16string_view text, int cp, bool *usedDefault)
{
    std::string out;
    iconv_t cd = iconv_open(iconvName(cp).c_str(), "UTF-16LE");
    for (size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        if (c < 0x80) {
            out.push_back(char(c));
            continue;
        }
        bool ok = false;
        if (cd != iconv_t(-1)) {
            char in[2] = {char(c & 0xFF), char(c >> 8)};
            char buf[8];
            char *ip = in, *op = buf;
            size_t il = 2, ol = sizeof buf;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            if (iconv(cd, &ip, &il, &op, &ol) != size_t(-1) && iconv(cd, nullptr, nullptr, &op, &ol) != size_t(-1)) {
                out.append(buf, size_t(op - buf));
                ok = true;
            }
        }
        if (!ok) {
            out.push_back('?');
            if (usedDefault)
                *usedDefault = true;
        }
    }
    if (cd != iconv_t(-1))
        iconv_close(cd);
    return out;
}

} // namespace

int systemAnsiCodePage()
{
    static const int acp = [] {
        const char *env = std::getenv("QUENLOR_ACP");
        int v = env ? std::atoi(env) : 0;
        return v > 0 ? v : 1252;
    }();
    return acp;
}

int codePageOfCharset(uint8_t charset, int defaultCodePage)
{
    switch (charset) {
    case ANSI_CHARSET: return 1252;
    case DEFAULT_CHARSET: return defaultCodePage ? defaultCodePage : systemAnsiCodePage();
    case SYMBOL_CHARSET: return CP_SYMBOL;
    case MAC_CHARSET: return 10000;
    case SHIFTJIS_CHARSET: return 932;
    case HANGEUL_CHARSET: return 949;
    case JOHAB_CHARSET: return 1361;
    case GB2312_CHARSET: return 936;
    case CHINESEBIG5_CHARSET: return 950;
    case GREEK_CHARSET: return 1253;
    case TURKISH_CHARSET: return 1254;
    case VIETNAMESE_CHARSET: return 1258;
    case HEBREW_CHARSET: return 1255;
    case ARABIC_CHARSET: return 1256;
    case BALTIC_CHARSET: return 1257;
    case RUSSIAN_CHARSET: return 1251;
    case THAI_CHARSET: return 874;
    case EASTEUROPE_CHARSET: return 1250;
    case OEM_CHARSET: return 437;
    default: return defaultCodePage ? defaultCodePage : systemAnsiCodePage();
    }
}

bool isCodePageSupported(int codePage)
{
    if (codePage == CP_ACP)
        return true;
    if (isMultiByte(codePage)) {
        iconv_t cd = iconv_open("UTF-16LE", iconvName(codePage).c_str());
        if (cd == iconv_t(-1))
            return false;
        iconv_close(cd);
        return true;
    }
    return singleBytePage(codePage) != nullptr;
}

std::u16string toUtf16(std::string_view bytes, int codePage)
{
    int cp = resolvePage(codePage);
    if (isMultiByte(cp))
        return mbToUtf16(bytes, cp);
    const SingleBytePage *page = singleBytePage(cp);
    std::u16string out(bytes.size(), u'\0');
    for (size_t i = 0; i < bytes.size(); ++i)
        out[i] = page ? page->toUnicode[uint8_t(bytes[i])] : char16_t(uint8_t(bytes[i]));
    return out;
}

std::string fromUtf16(std::u16string_view text, int codePage, bool *usedDefault)
{
    int cp = resolvePage(codePage);
    if (isMultiByte(cp))
        return utf16ToMb(text, cp, usedDefault);
    const SingleBytePage *page = singleBytePage(cp);
    std::string out(text.size(), '\0');
    for (size_t i = 0; i < text.size(); ++i) {
        int b = page ? page->fromUnicode[text[i]] : (text[i] < 0x100 ? int(text[i]) : -1);
        if (b < 0) {
            b = '?';
            if (usedDefault)
                *usedDefault = true;
        }
        out[i] = char(b);
    }
    return out;
}

std::string utf16ToUtf8(std::u16string_view s)
{
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        uint32_t c = s[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c < 0xE000) {
            c = 0xFFFD; // a lone surrogate
        }
        if (c < 0x80) {
            out.push_back(char(c));
        } else if (c < 0x800) {
            out.push_back(char(0xC0 | (c >> 6)));
            out.push_back(char(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(char(0xE0 | (c >> 12)));
            out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(char(0x80 | (c & 0x3F)));
        } else {
            out.push_back(char(0xF0 | (c >> 18)));
            out.push_back(char(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(char(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

std::u16string utf8ToUtf16(std::string_view s)
{
    std::u16string out;
    out.reserve(s.size());
    size_t i = 0;
    while (i < s.size()) {
        uint8_t b = uint8_t(s[i]);
        uint32_t c;
        size_t n;
        if (b < 0x80) { c = b; n = 1; }
        else if ((b & 0xE0) == 0xC0) { c = b & 0x1F; n = 2; }
        else if ((b & 0xF0) == 0xE0) { c = b & 0x0F; n = 3; }
        else if ((b & 0xF8) == 0xF0) { c = b & 0x07; n = 4; }
        else { out.push_back(0xFFFD); ++i; continue; }
        if (i + n > s.size()) { out.push_back(0xFFFD); break; }
        bool ok = true;
        for (size_t k = 1; k < n; ++k) {
            uint8_t cb = uint8_t(s[i + k]);
            if ((cb & 0xC0) != 0x80) { ok = false; break; }
            c = (c << 6) | (cb & 0x3F);
        }
        if (!ok || c > 0x10FFFF) { out.push_back(0xFFFD); ++i; continue; }
        if (c >= 0x10000) {
            c -= 0x10000;
            out.push_back(char16_t(0xD800 + (c >> 10)));
            out.push_back(char16_t(0xDC00 + (c & 0x3FF)));
        } else {
            out.push_back(char16_t(c));
        }
        i += n;
    }
    return out;
}

std::string latin1ToUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (unsigned char c : bytes) {
        if (c < 0x80) {
            out.push_back(char(c));
        } else {
            out.push_back(char(0xC0 | (c >> 6)));
            out.push_back(char(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

std::string utf8ToLatin1(std::string_view text)
{
    std::u16string u = utf8ToUtf16(text);
    std::string out(u.size(), '?');
    for (size_t i = 0; i < u.size(); ++i)
        if (u[i] < 0x100)
            out[i] = char(u[i]);
    return out;
}

std::u16string utf16FromLittleEndian(std::string_view bytes)
{
    std::u16string w(bytes.size() / 2, u'\0');
    for (size_t k = 0; k < w.size(); ++k)
        w[k] = char16_t(uint8_t(bytes[2 * k]) | uint8_t(bytes[2 * k + 1]) << 8);
    return w;
}

int hexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace platform
