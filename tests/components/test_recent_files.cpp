#include "components/recent_files.h"

#include "platform/settings.h"

#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const char *const kSection = "Estudios Recientes";

std::string bytes(const QString &s)
{
    return QFile::encodeName(s).toStdString();
}

class RecentFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ini = dir.filePath("Morvel.ini");
        recent.IniFileName = ini;
        recent.Category = kSection;
        recent.MaxFiles = 7;
        recent.MenuItem = &menu;
    }

    void writeIni(const QStringList &values)
    {
        platform::IniFile f(bytes(ini));
        for (int i = 0; i < values.size(); ++i)
            f.writeString(kSection, std::to_string(i), bytes(values[i]));
        ASSERT_TRUE(f.updateFile());
    }

    QStringList iniKeys(int n) const
    {
        const platform::IniFile f(bytes(ini));
        QStringList out;
        for (int i = 0; i < n; ++i)
            out << QFile::decodeName(QByteArray::fromStdString(f.readString(kSection, std::to_string(i))));
        return out;
    }

    QTemporaryDir dir;
    QString ini;
    QMenu menu;
    TRecentFiles recent;
};

const QStringList seven = {"C:\\Estudios\\a.rvf", "C:\\Estudios\\b.rvf", "C:\\Estudios\\c.rvf", "C:\\Estudios\\d.rvf",
                           "C:\\Estudios\\e.rvf", "C:\\Estudios\\f.rvf", "C:\\Estudios\\g.rvf"};

TEST_F(RecentFiles, LoadShowsKeysInOrder)
{
    writeIni(seven);
    recent.LoadFromIni();
    EXPECT_EQ(recent.files(), seven);
    EXPECT_EQ(menu.actions().first()->text(), "C:\\Estudios\\a.rvf");
}

TEST_F(RecentFiles, MissingFileOrSectionGivesEmptyList)
{
    recent.LoadFromIni();
    EXPECT_TRUE(recent.files().isEmpty());
    recent.Category = "Otra";
    writeIni(seven);
    recent.LoadFromIni();
    EXPECT_TRUE(recent.files().isEmpty());
}

TEST_F(RecentFiles, AddRules)
{
    struct Case {
        const char *what;
        QStringList before;
        QString add;
        QStringList after;
    };
    const QString x = "C:\\Estudios\\x.rvf";
    const QStringList cases_b_first = {seven[1], seven[0], seven[2], seven[3], seven[4], seven[5]};
    const Case cases[] = {
        {"new path into an empty list", {}, x, {x}},
        {"eighth path drops the oldest", seven, x, {x, seven[0], seven[1], seven[2], seven[3], seven[4], seven[5]}},
        {"second entry of a short list moves up", {seven[0], seven[1], seven[2]}, seven[1], {seven[1], seven[0], seven[2]}},
        {"second entry of a full list moves up and the last goes", seven, seven[1], cases_b_first},
        {"last entry of a full list comes back on top", seven, seven[6], {seven[6], seven[0], seven[1], seven[2], seven[3], seven[4], seven[5]}},
        {"same path twice leaves one entry", {x}, x, {x}},
        {"matching is case-sensitive", {x}, "C:\\ESTUDIOS\\x.rvf", {"C:\\ESTUDIOS\\x.rvf", x}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        menu.clear();
        for (int i = int(c.before.size()) - 1; i >= 0; --i)
            recent.AddFile(c.before[i]);
        ASSERT_EQ(recent.files(), c.before);
        recent.AddFile(c.add);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(recent.files(), c.after);
    }
}

TEST_F(RecentFiles, SaveLeavesStaleKeysThatComeBack)
{
    writeIni(seven);
    recent.LoadFromIni();
    recent.AddFile(seven[1]); // full list: g is dropped from the menu
    ASSERT_EQ(recent.files().size(), 6);
    ASSERT_TRUE(recent.SaveToIni());
    EXPECT_EQ(iniKeys(7), (QStringList{seven[1], seven[0], seven[2], seven[3], seven[4], seven[5], seven[6]}));

    QMenu again;
    TRecentFiles reload;
    reload.IniFileName = ini;
    reload.Category = kSection;
    reload.MaxFiles = 7;
    reload.MenuItem = &again;
    reload.LoadFromIni();
    EXPECT_EQ(reload.files(), iniKeys(7));
}

TEST_F(RecentFiles, PathsAreStoredByteForByte)
{
    const QStringList paths = {"C:\\Estudios\\Génesis 1&2.rvf", "/home/ana/estudios/Éxodo.rvf"};
    recent.AddFile(paths[1]);
    recent.AddFile(paths[0]);
    ASSERT_TRUE(recent.SaveToIni());
    QFile f(ini);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray content = f.readAll();
    EXPECT_TRUE(content.contains("[Estudios Recientes]"));
    EXPECT_TRUE(content.contains("0=C:\\Estudios\\G\xC3\xA9nesis 1&2.rvf"));
    EXPECT_TRUE(content.contains("1=/home/ana/estudios/\xC3\x89xodo.rvf"));
}

TEST_F(RecentFiles, WindowsCodePagePathsSurviveASave)
{
    // A list written on Windows: Windows-1252 bytes, CR LF line ends.
    {
        QFile f(ini);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[Estudios Recientes]\r\n0=C:\\Estudios\\G\xE9nesis \x96 1.rvf\r\n1=C:\\Estudios\\Rut.rvf\r\n");
    }
    recent.LoadFromIni();
    EXPECT_EQ(recent.fileBytes(), (QByteArrayList{"C:\\Estudios\\G\xE9nesis \x96 1.rvf", "C:\\Estudios\\Rut.rvf"}));
    EXPECT_EQ(menu.actions().first()->text(), QStringLiteral("C:\\Estudios\\Génesis \u2013 1.rvf"));

    QString reported;
    recent.OnItemClick = [&](TRecentFiles *, const QString &file) { reported = file; };
    menu.actions().at(1)->trigger();
    menu.actions().at(1)->trigger(); // back on top, found by its bytes
    EXPECT_EQ(reported, QStringLiteral("C:\\Estudios\\Génesis \u2013 1.rvf"));
    recent.AddFile(QStringLiteral("/home/ana/Éxodo.rvf"));
    ASSERT_TRUE(recent.SaveToIni());

    QFile f(ini);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray content = f.readAll();
    EXPECT_TRUE(content.contains("0=/home/ana/\xC3\x89xodo.rvf")) << content.toStdString();
    EXPECT_TRUE(content.contains("1=C:\\Estudios\\G\xE9nesis \x96 1.rvf")) << content.toStdString();
    EXPECT_TRUE(content.contains("2=C:\\Estudios\\Rut.rvf")) << content.toStdString();
    EXPECT_EQ(recent.files().size(), 3);
}

TEST_F(RecentFiles, ClickMovesToTopAndReportsThePath)
{
    const QString amp = "C:\\Estudios\\Juan & Pedro.rvf";
    recent.AddFile(seven[0]);
    recent.AddFile(amp);
    recent.AddFile(seven[1]);
    QStringList reported;
    recent.OnItemClick = [&](TRecentFiles *sender, const QString &file) {
        EXPECT_EQ(sender, &recent);
        reported << file;
    };
    QAction *entry = menu.actions().at(1);
    EXPECT_EQ(entry->text(), "C:\\Estudios\\Juan && Pedro.rvf"); // shown with a literal "&"
    entry->trigger();
    EXPECT_EQ(reported, QStringList{amp});
    EXPECT_EQ(recent.files(), (QStringList{amp, seven[1], seven[0]}));
}

TEST_F(RecentFiles, ClickOnLastEntryOfAFullList)
{
    for (int i = 6; i >= 0; --i)
        recent.AddFile(seven[i]);
    QString reported;
    recent.OnItemClick = [&](TRecentFiles *, const QString &file) { reported = file; };
    menu.actions().last()->trigger(); // the entry is dropped while its click runs
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(reported, seven[6]);
    EXPECT_EQ(recent.files().first(), seven[6]);
    EXPECT_EQ(recent.files().size(), 7);
}

TEST_F(RecentFiles, NoMenuOrNoRoom)
{
    TRecentFiles loose;
    loose.AddFile("a.rvf"); // no submenu: nothing to hold the list
    EXPECT_TRUE(loose.files().isEmpty());

    recent.MaxFiles = 0; // never loops on an empty menu
    recent.AddFile("a.rvf");
    recent.AddFile("b.rvf");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(recent.files(), QStringList{"b.rvf"});
}

} // namespace
