// Page setup lines: read and written the same under every locale.
#include "document/rv_docparams.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>

using namespace rv;

namespace {

// Switches LC_ALL to a locale whose decimal separator is a comma, compiled into
// a private folder when the system has none; restores C on exit.
class CommaLocale {
public:
    CommaLocale()
    {
        for (const char *name : {"es_ES.UTF-8", "de_DE.UTF-8", "fr_FR.UTF-8"})
            if (std::setlocale(LC_ALL, name)) {
                active_ = true;
                return;
            }
        auto dir = std::filesystem::temp_directory_path() / "quenlor-test-locales";
        std::filesystem::create_directories(dir);
        std::string cmd = "localedef -i es_ES -f UTF-8 '" + (dir / "es_ES.UTF-8").string() + "' >/dev/null 2>&1";
        if (!std::filesystem::exists(dir / "es_ES.UTF-8" / "LC_NUMERIC") && std::system(cmd.c_str()) != 0
            && !std::filesystem::exists(dir / "es_ES.UTF-8" / "LC_NUMERIC"))
            return;
        setenv("LOCPATH", dir.c_str(), 1);
        active_ = std::setlocale(LC_ALL, "es_ES.UTF-8") != nullptr;
    }
    ~CommaLocale()
    {
        std::setlocale(LC_ALL, "C");
        unsetenv("LOCPATH");
    }
    bool active() const { return active_; }

private:
    bool active_ = false;
};

} // namespace

TEST(DocParameters, LengthsReadTheSameInEveryLocale)
{
    struct Case {
        const char *line;
        long double expected; // LeftMargin after the line
    };
    const Case cases[] = {
        {"LeftMargin=25.5", 25.5L}, {"LeftMargin=25,5", 25.5L}, {"LeftMargin= 3 ", 3},
        {"LeftMargin=-0.25", -0.25L}, {"LeftMargin=+2", 2}, {"LeftMargin=1e1", 10},
        // These do not convert: the default stays.
        {"LeftMargin=1,234.5", 1.25L}, {"LeftMargin=1,2,3", 1.25L}, {"LeftMargin=abc", 1.25L},
        {"LeftMargin=", 1.25L}, {"LeftMargin=inf", 1.25L}, {"LeftMargin=nan", 1.25L}, {"LeftMargin=1e999", 1.25L},
    };
    CommaLocale comma;
    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 1)
            std::setlocale(LC_ALL, "C");
        for (const Case &c : cases) {
            TRVDocParameters p;
            p.SetFromLine(c.line);
            EXPECT_DOUBLE_EQ(double(p.LeftMargin), double(c.expected)) << c.line << " pass " << pass;
        }
    }
    TRVDocParameters p;
    for (const char *l : {"Units=2", "ZoomPercent=abc", "ZoomMode=x", "Orientation=1", "MirrorMargins=yes"})
        p.SetFromLine(l);
    EXPECT_EQ(p.Units, rvuMillimeters);
    EXPECT_EQ(p.ZoomPercent, 100);
    EXPECT_EQ(p.ZoomMode, rvzmCustom);
    EXPECT_EQ(p.Orientation, 1);
    EXPECT_TRUE(p.MirrorMargins);
}

TEST(DocParameters, LengthsAreWrittenWithAPointInEveryLocale)
{
    struct Case {
        long double v;
        const char *text;
    };
    const Case cases[] = {
        {8.2677165354L, "8.2677165354"}, {11.692913386L, "11.692913386"}, {25.5L, "25.5"}, {1, "1"},
        {0, "0"}, {-0.0L, "0"}, {1234567, "1234567"}, {0.000125L, "0.000125"}, {-2.5L, "-2.5"},
        {1e20L, "100000000000000000000"}, {1.0L / 3, "0.333333333333333"}, {2.0L / 3, "0.666666666666667"},
    };
    CommaLocale comma;
    for (const Case &c : cases)
        EXPECT_EQ(FormatDocLength(c.v), c.text);
    TRVDocParameters p;
    p.Units = rvuMillimeters;
    p.LeftMargin = 25.5L;
    EXPECT_EQ(p.ToLines(), (std::vector<std::string>{"Units=2", "LeftMargin=25.5"}));
    EXPECT_EQ(TRVDocParameters().DumpLine(),
              "DocParameters:\tPageWidth=8.2677165354\tPageHeight=11.692913386\tLeftMargin=1.25\tRightMargin=1.25"
              "\tTopMargin=1\tBottomMargin=1\tHeaderY=0.5\tFooterY=0.5\tUnits=0\tOrientation=0\tZoomPercent=100"
              "\tZoomMode=2\tMirrorMargins=false");
    if (!comma.active())
        GTEST_SKIP() << "no locale with a decimal comma could be set";
}
