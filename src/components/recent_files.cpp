#include "components/recent_files.h"

#include "platform/settings.h"

#include <QAction>
#include <QFile>
#include <QMenu>

namespace {

std::string toIniBytes(const QString &s)
{
    return QFile::encodeName(s).toStdString();
}

QString fromIniBytes(const std::string &s)
{
    return QFile::decodeName(QByteArray::fromStdString(s));
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

QString TRecentFiles::entryPath(const QAction *entry)
{
    return entry->data().toString();
}

QStringList TRecentFiles::files() const
{
    QStringList out;
    if (MenuItem)
        for (const QAction *a : MenuItem->actions())
            out << entryPath(a);
    return out;
}

void TRecentFiles::AddFile(const QString &path)
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
        if (entryPath(a) == path)
            found = a; // the last match counts
    if (!found) {
        found = new QAction(menuCaption(path), menu);
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
            AddFile(fromIniBytes(value));
    }
}

bool TRecentFiles::SaveToIni()
{
    platform::IniFile ini(toIniBytes(IniFileName));
    const std::string section = Category.toStdString();
    const QStringList list = files();
    for (int i = 0; i < list.size(); ++i)
        ini.writeString(section, std::to_string(i), toIniBytes(list.at(i)));
    return ini.updateFile();
}

void TRecentFiles::ItemClick(QAction *entry)
{
    // Copy first: AddFile may drop this very entry from a full list.
    const QString path = entryPath(entry);
    AddFile(path);
    if (OnItemClick)
        OnItemClick(this, path);
}
