#include "components/recent_files.h"

#include "platform/codepage.h"
#include "platform/settings.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QStringDecoder>

namespace {

std::string toIniBytes(const QString &s)
{
    return QFile::encodeName(s).toStdString();
}

// Menus read "&" as an accelerator marker; a path must show as it is.
QString menuCaption(const QString &path)
{
    QString s = path;
    s.replace(QLatin1Char('&'), QLatin1String("&&"));
    return s;
}

} // namespace

TRecentFiles::~TRecentFiles()
{
    if (MenuItem) {
        const auto entries = MenuItem->actions();
        for (QAction *a : entries) {
            MenuItem->removeAction(a);
            a->deleteLater();
        }
    }
}

QString TRecentFiles::decodePath(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    const std::u16string wide =
        platform::toUtf16(std::string_view(bytes.constData(), size_t(bytes.size())), platform::systemAnsiCodePage());
    return QString::fromStdU16String(wide);
}

QByteArray TRecentFiles::entryBytes(const QAction *entry)
{
    return entry->data().toByteArray();
}

QString TRecentFiles::entryPath(const QAction *entry)
{
    return decodePath(entryBytes(entry));
}

QStringList TRecentFiles::files() const
{
    QStringList out;
    if (MenuItem)
        for (const QAction *a : MenuItem->actions())
            out << entryPath(a);
    return out;
}

QByteArrayList TRecentFiles::fileBytes() const
{
    QByteArrayList out;
    if (MenuItem)
        for (const QAction *a : MenuItem->actions())
            out << entryBytes(a);
    return out;
}

void TRecentFiles::AddFile(const QString &path)
{
    AddFileBytes(QFile::encodeName(path));
}

void TRecentFiles::AddFileBytes(const QByteArray &path)
{
    if (!MenuItem)
        return;
    QMenu *menu = MenuItem;
    // Entries are deleted later: the one being removed may be the entry whose
    // click is being handled right now.
    for (auto entries = menu->actions(); !entries.isEmpty() && entries.size() >= MaxFiles; entries.removeLast()) {
        menu->removeAction(entries.last());
        entries.last()->deleteLater();
    }
    const auto entries = menu->actions();
    QAction *found = nullptr;
    for (QAction *a : entries)
        if (entryBytes(a) == path)
            found = a; // the last match counts
    if (!found) {
        found = new QAction(menuCaption(decodePath(path)), menu);
        found->setData(path);
        connect(found, &QAction::triggered, this, [this, found] { ItemClick(found); });
    } else {
        menu->removeAction(found);
    }
    const auto rest = menu->actions();
    menu->insertAction(rest.isEmpty() ? nullptr : rest.first(), found);
}

void TRecentFiles::LoadFromIni()
{
    const platform::IniFile ini(toIniBytes(IniFileName));
    const std::string section = Category.toStdString();
    for (int n = MaxFiles - 1; n >= 0; --n) {
        const std::string value = ini.readString(section, std::to_string(n));
        if (!value.empty())
            AddFileBytes(QByteArray::fromStdString(value));
    }
}

bool TRecentFiles::SaveToIni()
{
    platform::IniFile ini(toIniBytes(IniFileName));
    const std::string section = Category.toStdString();
    const QByteArrayList list = fileBytes();
    for (int i = 0; i < list.size(); ++i)
        ini.writeString(section, std::to_string(i), list.at(i).toStdString());
    return ini.updateFile();
}

void TRecentFiles::ItemClick(QAction *entry)
{
    // Copy first: AddFile may drop this very entry from a full list.
    const QByteArray path = entryBytes(entry);
    AddFileBytes(path);
    if (OnItemClick)
        OnItemClick(this, decodePath(path));
}
