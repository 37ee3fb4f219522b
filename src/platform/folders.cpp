#include "folders.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace platform {

namespace fs = std::filesystem;

static std::string withSeparator(std::string s)
{
    if (!s.empty() && s.back() != '/' && s.back() != '\\')
        s.push_back(kPathSeparator);
    return s;
}

std::string programDir()
{
    std::error_code ec;
#ifdef __linux__
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (!ec)
        return withSeparator(exe.parent_path().string());
#endif
    if (QCoreApplication::instance())
        return withSeparator(QCoreApplication::applicationDirPath().toStdString());
    return withSeparator(fs::current_path(ec).string());
}

std::string verseTableDir()
{
    if (const char *env = std::getenv("QUENLOR_DATA"); env && *env)
        return withSeparator(env);
#ifdef _WIN32
    char buf[32768];
    unsigned n = GetWindowsDirectoryA(buf, sizeof buf);
    if (n > 0 && n < sizeof buf)
        return withSeparator(std::string(buf, n));
#endif
    std::error_code ec;
    // An installed program reads the installed data folder; a program run from
    // its build tree reads the build's data folder, then the source tree's.
    for (const char *dir : {QUENLOR_BUILD_DATA, QUENLOR_INSTALLED_DATA, QUENLOR_SOURCE_DATA}) {
        if (fs::exists(fs::path(dir) / "RV1960.xml", ec))
            return withSeparator(dir);
    }
    return withSeparator(QUENLOR_INSTALLED_DATA);
}

std::string userConfigDir()
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (base.isEmpty())
        base = QDir::homePath() + "/.config";
    QString dir = base + "/Tavrin";
    QDir().mkpath(dir);
    return withSeparator(dir.toStdString());
}

bool isDirectoryWritable(const std::string &dir)
{
    std::error_code ec;
    if (!fs::is_directory(dir, ec))
        return false;
    return ::access(dir.c_str(), W_OK) == 0;
}

} // namespace platform
