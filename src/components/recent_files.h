// A most-recently-used list of file paths, kept as the entries of a submenu
// and stored in an INI file (keys "0", "1", ... of one section, "0" newest).
#pragma once
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>

class QAction;
class QMenu;

class TRecentFiles;
using TOnItemClickEvent = std::function<void(TRecentFiles *sender, const QString &fileName)>;

class TRecentFiles : public QObject {
    Q_OBJECT
public:
    explicit TRecentFiles(QObject *owner = nullptr) : QObject(owner) {}
    ~TRecentFiles() override; // destroys the submenu's entries

    QString IniFileName = QStringLiteral("Files.ini");
    QString Category = QStringLiteral("Recent Files");
    int MaxFiles = 5;
    QPointer<QMenu> MenuItem;    // the submenu whose entries are the list
    TOnItemClickEvent OnItemClick;

    // Puts the path at the top of the list. A full list loses its last entry
    // first, even when the path is already in it.
    void AddFile(const QString &path);
    void LoadFromIni();
    // Writes the entries to keys "0".."n-1"; keys above n are left as they are.
    // False when the file could not be written.
    bool SaveToIni();

    // The paths in menu order, newest first.
    QStringList files() const;
    // The path an entry stands for.
    static QString entryPath(const QAction *entry);

private:
    void ItemClick(QAction *entry);
};
