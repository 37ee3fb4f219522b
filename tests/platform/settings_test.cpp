#include "platform/clipboard.h"
#include "platform/folders.h"
#include "platform/settings.h"

#include <QTemporaryDir>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

using namespace platform;

static std::string slurp(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

TEST(IniFile, KeepsBackslashesAndLatin1BytesExactly)
{
    QTemporaryDir dir;
    std::string path = dir.path().toStdString() + "/Morvel.ini";
    {
        std::ofstream out(path, std::ios::binary);
        out << "[Estudios Recientes]\r\n0=C:\\Estudios\\Ni\xF1" "os.rvf\r\n1=D:\\b.rvf\r\n[Otra]\r\nx=1\r\n";
    }
    IniFile ini(path);
    EXPECT_EQ(ini.readString("Estudios Recientes", "0"), "C:\\Estudios\\Ni\xF1os.rvf");
    EXPECT_EQ(ini.readString("estudios recientes", "1"), "D:\\b.rvf"); // names ignore case
    EXPECT_EQ(ini.readString("Estudios Recientes", "9", "none"), "none");
    EXPECT_EQ(ini.readInteger("Otra", "x", 0), 1);
    EXPECT_EQ(ini.sectionKeys("Estudios Recientes"), (std::vector<std::string>{"0", "1"}));

    ini.eraseSection("Estudios Recientes");
    ini.writeString("Estudios Recientes", "0", "E:\\Ma\xF1" "ana.rvf");
    ASSERT_TRUE(ini.updateFile());
    std::string text = slurp(path);
    EXPECT_NE(text.find("[Estudios Recientes]"), std::string::npos);
    EXPECT_NE(text.find("0=E:\\Ma\xF1" "ana.rvf"), std::string::npos);
    EXPECT_EQ(text.find("Estudios%20Recientes"), std::string::npos);
    EXPECT_NE(text.find("x=1"), std::string::npos);
    IniFile again(path);
    EXPECT_EQ(again.readString("Estudios Recientes", "0"), "E:\\Ma\xF1" "ana.rvf");
}

TEST(IniFile, MissingFileReadsEmptyAndUnwritableFolderFails)
{
    IniFile ini("/nonexistent-folder/Morvel.ini");
    EXPECT_FALSE(ini.sectionExists("Estudios Recientes"));
    ini.writeString("A", "b", "c");
    EXPECT_FALSE(ini.updateFile());
}

TEST(KeyStore, RoundTripsValues)
{
    {
        KeyStore k("Software\\Tavrin\\ReaderTest");
        k.writeInteger("Top", 120);
        k.writeString("Name", "Señor");
        EXPECT_TRUE(k.sync());
    }
    KeyStore k("Software\\Tavrin\\ReaderTest");
    EXPECT_EQ(k.readInteger("Top"), 120);
    EXPECT_EQ(k.readString("Name"), "Señor");
    EXPECT_FALSE(k.readInteger("Left").has_value());
    k.deleteValue("Top");
    EXPECT_FALSE(k.valueExists("Top"));
}

TEST(Clipboard, ReplacesEveryFormatAtOnce)
{
    std::u16string text = u"Jn:3:16 Señor";
    ClipboardContent c;
    c.items.push_back({kFormatRVF, std::string("-8 1 0\r\n", 8)});
    c.items.push_back({kFormatText, "Jn:3:16 Se\xF1or"});
    c.items.push_back({kFormatUnicodeText, std::string(reinterpret_cast<const char *>(text.data()), text.size() * 2)});
    setClipboard(c);
    EXPECT_EQ(clipboardData(kFormatRVF), std::string("-8 1 0\r\n"));
    auto u = clipboardData(kFormatUnicodeText);
    ASSERT_TRUE(u);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t *>(u->data()), u->size() / 2), text);
    EXPECT_FALSE(clipboardData(kFormatRTF));

    // 8-bit text alone is read in the ANSI code page: curly quotes survive.
    setClipboard(ClipboardContent{{{kFormatText, "\x93Se\xF1or\x94"}}, std::nullopt});
    EXPECT_EQ(clipboardData(kFormatText), std::string("\x93Se\xF1or\x94"));
    auto u16 = clipboardData(kFormatUnicodeText);
    ASSERT_TRUE(u16);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t *>(u16->data()), u16->size() / 2), u"“Señor”");
}

TEST(Clipboard, RichFormatsUnderTheNamesEditorsAskFor)
{
    const std::string rtf = "{\\rtf1\\ansi\\ansicpg1252 Se\\'f1or\\par}";
    const std::string html = "<html><body><p>Se\xC3\xB1or</p></body></html>";
    ClipboardContent c;
    c.items.push_back({kFormatText, "Se\xF1or"});
    c.items.push_back({kFormatRTF, rtf});
    c.items.push_back({kFormatHTML, html});
    setClipboard(c);
    EXPECT_EQ(clipboardData("text/rtf"), rtf);
    EXPECT_EQ(clipboardData("application/rtf"), rtf);
    EXPECT_EQ(clipboardData(kFormatRTF), rtf);
    auto h = clipboardData(kFormatHTML);
    ASSERT_TRUE(h);
    EXPECT_NE(h->find("Se\xC3\xB1or"), std::string::npos);
    // The primary selection, where the platform has one, holds its own copy.
    if (setPrimarySelection(ClipboardContent{{{kFormatRTF, "{\\rtf1 x}"}}, std::nullopt})) {
        EXPECT_EQ(clipboardData("text/rtf", true), std::string("{\\rtf1 x}"));
        EXPECT_EQ(clipboardData("text/rtf"), rtf);
    }
}

TEST(Folders, VerseTableFolderFollowsTheEnvironment)
{
    qputenv("QUENLOR_DATA", "/tmp/versos");
    EXPECT_EQ(verseTableDir(), "/tmp/versos/");
    qunsetenv("QUENLOR_DATA");
    EXPECT_EQ(verseTableDir().back(), '/');
    EXPECT_EQ(programDir().back(), '/');
}
