#include "clipboard.h"

#include "codepage.h"
#include "qt_canvas.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace platform {

namespace {

// Registered formats travel as the MIME type Qt maps to a registered
// clipboard format on Windows, and as a private type elsewhere.
QString mimeForFormat(const std::string &format)
{
    return QStringLiteral("application/x-qt-windows-mime;value=\"%1\"").arg(QString::fromStdString(format));
}

QMimeData *mimeDataFor(const ClipboardContent &content)
{
    auto *mime = new QMimeData;
    for (const ClipboardItem &item : content.items) {
        QByteArray bytes(item.bytes.data(), qsizetype(item.bytes.size()));
        if (item.format == kFormatUnicodeText) {
            mime->setText(QString::fromUtf16(reinterpret_cast<const char16_t *>(bytes.constData()), bytes.size() / 2));
        } else if (item.format == kFormatText) {
            if (!mime->hasText()) { // replaced by the Unicode text when both are given
                std::u16string u = toUtf16(item.bytes, CP_ACP);
                mime->setText(QString::fromUtf16(u.data(), qsizetype(u.size())));
            }
        } else if (item.format == kFormatRTF) {
            // Editors on Linux ask for text/rtf or application/rtf; Windows
            // programs for the registered "Rich Text Format".
            mime->setData(QStringLiteral("text/rtf"), bytes);
            mime->setData(QStringLiteral("application/rtf"), bytes);
#ifdef _WIN32
            mime->setData(mimeForFormat(item.format), bytes);
#endif
        } else if (item.format == kFormatHTML) {
            mime->setHtml(QString::fromUtf8(bytes));
        } else {
            mime->setData(mimeForFormat(item.format), bytes);
        }
    }
    if (content.picture && !content.picture->isNull())
        mime->setImageData(toQImage(*content.picture));
    return mime;
}

} // namespace

void setClipboard(const ClipboardContent &content)
{
    QGuiApplication::clipboard()->setMimeData(mimeDataFor(content));
}

bool setPrimarySelection(const ClipboardContent &content)
{
    QClipboard *c = QGuiApplication::clipboard();
    if (!c->supportsSelection())
        return false;
    c->setMimeData(mimeDataFor(content), QClipboard::Selection);
    return true;
}

std::optional<std::string> clipboardData(const std::string &format, bool primarySelection)
{
    QClipboard *c = QGuiApplication::clipboard();
    if (primarySelection && !c->supportsSelection())
        return std::nullopt;
    const QMimeData *mime = c->mimeData(primarySelection ? QClipboard::Selection : QClipboard::Clipboard);
    if (!mime)
        return std::nullopt;
    if (format == kFormatUnicodeText || format == kFormatText) {
        if (!mime->hasText())
            return std::nullopt;
        QString t = mime->text();
        if (format == kFormatText)
            return fromUtf16(std::u16string_view(reinterpret_cast<const char16_t *>(t.utf16()), size_t(t.size())), CP_ACP);
        return std::string(reinterpret_cast<const char *>(t.utf16()), size_t(t.size()) * 2);
    }
    QString m = format.find('/') != std::string::npos ? QString::fromStdString(format)
#ifndef _WIN32
                : format == kFormatRTF ? QStringLiteral("text/rtf")
#endif
                : mimeForFormat(format);
    if (format == kFormatHTML && mime->hasHtml())
        return mime->html().toStdString();
    if (!mime->hasFormat(m))
        return std::nullopt;
    QByteArray b = mime->data(m);
    return std::string(b.constData(), size_t(b.size()));
}

std::optional<Bitmap> clipboardPicture()
{
    const QMimeData *mime = QGuiApplication::clipboard()->mimeData();
    if (!mime || !mime->hasImage())
        return std::nullopt;
    return fromQImage(qvariant_cast<QImage>(mime->imageData()));
}

} // namespace platform
