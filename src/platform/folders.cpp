#include "folders.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

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
#elif defined(_WIN32)
    std::wstring buf(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, buf.data(), DWORD(buf.size()));
        if (n == 0)
            break;
        if (n < buf.size())
            return withSeparator(fs::path(buf.substr(0, n)).parent_path().string());
        buf.resize(buf.size() * 2);
    }
#endif
    return withSeparator(fs::current_path(ec).string());
}

// share/quenlor beside the program's bin folder (the installed layout), or
// empty when the program does not sit in a folder named bin.
static std::string installedBeside()
{
    const fs::path exeDir = fs::path(programDir()).parent_path();
    if (exeDir.filename() != "bin")
        return {};
    return (exeDir.parent_path() / "share" / "quenlor").string();
}

std::string verseTableDir()
{
    if (const char *env = std::getenv("QUENLOR_DATA"); env && *env)
        return withSeparator(env);
#ifdef _WIN32
    // Ask for the length first: no fixed buffer can be assumed long enough.
    if (unsigned need = GetWindowsDirectoryA(nullptr, 0); need > 0) {
        std::string buf(need, '\0');
        unsigned n = GetWindowsDirectoryA(buf.data(), need);
        if (n > 0 && n < need)
            return withSeparator(buf.substr(0, n));
    }
#endif
    std::error_code ec;
    // An installed program reads its own share folder (wherever the package
    // was unpacked), then the configured one; a program run from its build
    // tree reads the build's data folder, then the source tree's.
    const std::string beside = installedBeside();
    for (const std::string &dir : {beside, std::string(QUENLOR_BUILD_DATA), std::string(QUENLOR_INSTALLED_DATA),
                                   std::string(QUENLOR_SOURCE_DATA)}) {
        if (!dir.empty() && fs::exists(fs::path(dir) / "RV1960.xml", ec))
            return withSeparator(dir);
    }
    return withSeparator(QUENLOR_INSTALLED_DATA);
}

std::string programDataDir()
{
    std::error_code ec;
    const std::string own = programDir();
    for (const std::string &dir : {own, installedBeside(), std::string(QUENLOR_INSTALLED_DATA)}) {
        if (!dir.empty() && fs::is_directory(fs::path(dir) / "Ayuda", ec))
            return withSeparator(dir);
    }
    return own;
}

bool isDirectoryWritable(const std::string &dir)
{
    std::error_code ec;
    if (!fs::is_directory(dir, ec))
        return false;
#ifdef _WIN32
    return ::_access(dir.c_str(), 2) == 0;
#else
    return ::access(dir.c_str(), W_OK) == 0;
#endif
}

} // namespace platform
