// Program and data folders.
#pragma once
#include <string>

namespace platform {

// Folder of the running executable, ending in the path separator.
std::string programDir();
// The folder that holds the verse table files ("the Windows directory"):
// $QUENLOR_DATA when set; on Windows the Windows directory; elsewhere the
// installed data folder, or the build tree's data folder when running uncopied.
std::string verseTableDir();
// The folder that holds the help pages ("Ayuda") and the sample studies
// ("Estudios"), ending in the path separator: the program's folder when they
// are beside it (a build tree, a Windows install), else the installed data
// folder (share/quenlor beside the program's bin folder, then the configured one).
std::string programDataDir();
// The user's configuration folder for the program (created on demand); it
// asks Qt, so it lives in quenlor_platform, not in quenlor_platform_core.
std::string userConfigDir();
bool isDirectoryWritable(const std::string &dir);
constexpr char kPathSeparator =
#ifdef _WIN32
    '\\';
#else
    '/';
#endif

} // namespace platform
