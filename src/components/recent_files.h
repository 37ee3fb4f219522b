// A most-recently-used list of file paths, kept as the entries of a submenu
// and stored in an INI file (keys "0", "1", ... of one section, "0" newest).
// Each entry keeps its path as the bytes the INI file holds, so a list written
// on another system (say, in a Windows code page) survives a save unchanged;
// only the menu caption and the path handed to OnItemClick are decoded.
#pragma once
#include <QByteArray>
#include <QByteArrayList>
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
    // first, even when the path is already in it. Paths compare byte for byte.
    void AddFile(const QString &path); // stored as the file system's name bytes
    void AddFileBytes(const QByteArray &path);
    void LoadFromIni();
    // Writes the entries to keys "0".."n-1"; keys above n are left as they are.
    // False when the file could not be written.
    bool SaveToIni();

    // The paths in menu order, newest first, decoded and as stored.
    QStringList files() const;
    QByteArrayList fileBytes() const;
    // The path an entry stands for, decoded and as stored.
    static QString entryPath(const QAction *entry);
    static QByteArray entryBytes(const QAction *entry);
    // Stored bytes to text: UTF-8 when they are valid UTF-8, else the system's
    // ANSI code page (the list of a Windows installation).
    static QString decodePath(const QByteArray &bytes);

private:
    void ItemClick(QAction *entry);
};
