// The system clipboard with named formats. Every format of one copy is built
// first and the clipboard is replaced in one call, so a failed copy never
// loses what the user had there.
#pragma once
#include "bitmap.h"

#include <optional>
#include <string>
#include <vector>

namespace platform {

// Format names as the program registers them.
inline const char *const kFormatRVF = "ReadView Format";
inline const char *const kFormatRTF = "Rich Text Format";
inline const char *const kFormatText = "CF_TEXT";           // 8-bit text in the ANSI code page
inline const char *const kFormatUnicodeText = "CF_UNICODETEXT"; // UTF-16LE bytes
inline const char *const kFormatHTML = "text/html";         // UTF-8 HTML

struct ClipboardItem {
    std::string format;  // one of the names above, or any registered name
    std::string bytes;   // the data as the format stores it
};

struct ClipboardContent {
    std::vector<ClipboardItem> items; // in the order the copy offers them
    std::optional<Bitmap> picture;    // CF_BITMAP / image
};

// Replaces the clipboard with all items at once. Needs a QGuiApplication.
// RTF is offered as text/rtf and application/rtf (and under its registered
// name on Windows), HTML as text/html.
void setClipboard(const ClipboardContent &content);
// The same for the primary selection (X11 middle-click paste); false where
// the system has none.
bool setPrimarySelection(const ClipboardContent &content);
// Reads one named format back (for tests and paste targets); nullopt when
// absent. A name with a "/" is read as that MIME type.
std::optional<std::string> clipboardData(const std::string &format, bool primarySelection = false);
std::optional<Bitmap> clipboardPicture();

} // namespace platform
