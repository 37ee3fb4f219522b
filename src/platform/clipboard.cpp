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

} // namespace

void setClipboard(const ClipboardContent &content)
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
        } else {
            mime->setData(mimeForFormat(item.format), bytes);
            if (item.format == kFormatRTF)
                mime->setData(QStringLiteral("text/rtf"), bytes);
        }
    }
    if (content.picture && !content.picture->isNull())
        mime->setImageData(toQImage(*content.picture));
    QGuiApplication::clipboard()->setMimeData(mime);
}

std::optional<std::string> clipboardData(const std::string &format)
{
    const QMimeData *mime = QGuiApplication::clipboard()->mimeData();
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
    QString m = mimeForFormat(format);
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
