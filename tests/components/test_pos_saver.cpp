#include "components/pos_saver.h"

#include "platform/settings.h"

#include <QFile>
#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

// Offscreen windows have no frame, so outer and inner bounds agree here.
struct Window {
    QWidget w;
    Window(int x, int y, int cw, int ch) { w.setGeometry(x, y, cw, ch); }
};

TEST(PosSaver, RegistryRoundTrip)
{
    const QString key = "Software\\Tavrin\\Reader";
    {
        Window a(100, 50, 800, 600);
        TPosSaver s(&a.w);
        s.UseRegistry = true;
        s.RegKey = key;
        EXPECT_EQ(s.RootKey(), 0x80000001u);
        ASSERT_TRUE(s.SavePosition());
    }
    const platform::KeyStore store(key.toStdString());
    EXPECT_EQ(store.readInteger("Top"), 50);
    EXPECT_EQ(store.readInteger("Left"), 100);
    EXPECT_EQ(store.readInteger("Width"), 800);
    EXPECT_EQ(store.readInteger("Height"), 600);

    Window b(0, 0, 700, 549);
    TPosSaver s(&b.w);
    s.UseRegistry = true;
    s.RegKey = key;
    s.RestorePosition();
    EXPECT_EQ(b.w.frameGeometry(), QRect(100, 50, 800, 600));
}

TEST(PosSaver, NothingStoredKeepsTheDesignedBounds)
{
    Window a(10, 20, 700, 549);
    TPosSaver s(&a.w);
    s.UseRegistry = true;
    s.RegKey = "Software\\Tavrin\\NuncaGuardado";
    s.RestorePosition();
    EXPECT_EQ(a.w.frameGeometry(), QRect(10, 20, 700, 549));
}

TEST(PosSaver, ValueOfTheWrongTypeIsSkipped)
{
    const std::string key = "Software\\Tavrin\\AnchoRaro";
    {
        platform::KeyStore store(key);
        store.writeInteger("Top", 40);
        store.writeInteger("Left", 30);
        store.writeString("Width", "ancho");
        store.writeInteger("Height", 300);
        store.sync();
    }
    Window a(0, 0, 700, 549);
    TPosSaver s(&a.w);
    s.UseRegistry = true;
    s.RegKey = QString::fromStdString(key);
    s.RestorePosition();
    EXPECT_EQ(a.w.frameGeometry(), QRect(30, 40, 700, 300));
}

TEST(PosSaver, IniFileWithDefaultSection)
{
    QTemporaryDir dir;
    const QString ini = dir.filePath("ventana.ini");
    {
        Window a(12, 34, 560, 780);
        TPosSaver s(&a.w);
        s.IniName = ini;
        ASSERT_TRUE(s.SavePosition());
    }
    const platform::IniFile file(QFile::encodeName(ini).toStdString());
    EXPECT_EQ(file.sectionKeys("TPosSaver"), (std::vector<std::string>{"Top", "Left", "Width", "Height"}));
    EXPECT_EQ(file.readString("TPosSaver", "Top"), "34");
    EXPECT_EQ(file.readString("TPosSaver", "Left"), "12");
    EXPECT_EQ(file.readString("TPosSaver", "Width"), "560");
    EXPECT_EQ(file.readString("TPosSaver", "Height"), "780");

    Window b(0, 0, 100, 100);
    TPosSaver s(&b.w);
    s.IniName = ini;
    s.RestorePosition();
    EXPECT_EQ(b.w.frameGeometry(), QRect(12, 34, 560, 780));

    // Another section holds nothing: the window keeps its bounds.
    Window c(5, 6, 70, 80);
    TPosSaver other(&c.w);
    other.IniName = ini;
    other.IniSection = "Otra";
    other.RestorePosition();
    EXPECT_EQ(c.w.frameGeometry(), QRect(5, 6, 70, 80));
}

TEST(PosSaver, OwnerMustBeAWindow)
{
    QWidget top;
    auto *child = new QWidget(&top);
    TPosSaver s(child);
    EXPECT_THROW(s.RestorePosition(), std::logic_error);
}

} // namespace
