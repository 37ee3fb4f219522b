// Conversion between 8-bit text in a Windows code page and UTF-16
// (MultiByteToWideChar / WideCharToMultiByte).
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

constexpr int CP_ACP = 0;       // the system ANSI code page
constexpr int CP_SYMBOL = 42;
constexpr int CP_LATIN1 = 28591; // ISO-8859-1, the verse table's encoding

// The system ANSI code page: 1252 unless QUENLOR_ACP names another.
int systemAnsiCodePage();

// Code page of a font charset (TranslateCharsetInfo); DEFAULT_CHARSET gives
// `defaultCodePage`, or the system ANSI code page when that is 0.
int codePageOfCharset(uint8_t charset, int defaultCodePage = 0);

// True when iconv (or our own table) can convert this code page.
bool isCodePageSupported(int codePage);

// 8-bit → UTF-16. Single-byte code pages give exactly one unit per byte (bytes the
// code page leaves undefined map to U+00xx as Windows does), so character offsets
// stay the same. Multi-byte pages convert by character. Unknown pages fall back
// to the system ANSI code page.
std::u16string toUtf16(std::string_view bytes, int codePage);
// UTF-16 units stored little-endian, two bytes a unit (how documents keep
// Unicode text); an odd last byte is no unit and is dropped.
std::u16string utf16FromLittleEndian(std::string_view bytes);
// The value of a hexadecimal digit (either case), or -1 for another character.
int hexDigitValue(char c);

// UTF-16 → 8-bit. Characters the code page cannot hold become '?', and
// *usedDefault (when given) is set. Unknown pages fall back to the system ANSI page.
std::string fromUtf16(std::u16string_view text, int codePage, bool *usedDefault = nullptr);

// UTF-8 helpers for file names, the command line and tests.
std::string utf16ToUtf8(std::u16string_view text);
std::u16string utf8ToUtf16(std::string_view text);
std::string latin1ToUtf8(std::string_view bytes);
// Characters above U+00FF become '?'.
std::string utf8ToLatin1(std::string_view text);

} // namespace platform
