// The verse lookup as a whole process, loader included: `quenlor-cli verse`
// against the sqlite3 program reading the same rows from a table without an
// index, and against diatheke on the SWORD module the table was made from.
// Peers that are not installed are skipped with a message. Prints medians of
// wall time and the ratio ours/peer.
#include "support/sqlite_copy.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

std::string FindOnPath(const std::string &name)
{
    const char *path = std::getenv("PATH");
    std::string list = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= list.size()) {
        size_t colon = list.find(':', start);
        std::string dir = list.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        std::string candidate = (dir.empty() ? "." : dir) + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0)
            return candidate;
        if (colon == std::string::npos)
            break;
        start = colon + 1;
    }
    return {};
}

// Runs argv with output thrown away; the exit status, or -1 when it could not start.
int Run(const std::vector<std::string> &args)
{
    std::vector<char *> argv;
    for (auto &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid;
    int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) < 0 || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Median milliseconds of `rounds` runs; negative when a run fails.
double Time(const std::vector<std::string> &args, int rounds)
{
    if (Run(args) != 0) // also warms the page cache
        return -1;
    std::vector<double> ms;
    for (int i = 0; i < rounds; ++i) {
        auto t0 = Clock::now();
        if (Run(args) != 0)
            return -1;
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    return Median(ms);
}

void Report(const char *what, double ours, const char *peer, double theirs)
{
    if (theirs < 0) {
        std::printf("%-34s %9.2f   %-10s failed to run, skipped\n", what, ours, peer);
        return;
    }
    std::printf("%-34s %9.2f   %-10s %9.2f %7.2f\n", what, ours, peer, theirs, ours / theirs);
}

} // namespace

int main()
{
    std::string table = std::string(QUENLOR_BUILD_DATA) + "/RV1960.xml";
    std::error_code ec;
    if (!fs::exists(table, ec))
        table = std::string(QUENLOR_SOURCE_DATA) + "/RV1960.xml"; // the sample table (run `make verse-table` for the full one)
    std::string tmpl = (fs::temp_directory_path() / "quenlor-bench-XXXXXX").string();
    if (!mkdtemp(tmpl.data()))
        return 1;
    const std::string folder = tmpl + "/";
    fs::copy_file(table, folder + "RV1960.xml", ec);
    const std::string dbPath = folder + "rv1960.sqlite";
    const int rows = ec ? -1 : bench::CopyVerseTableToSqlite(folder, dbPath);
    if (rows <= 0) {
        std::fprintf(stderr, "bench_verse_process: cannot copy %s into SQLite\n", table.c_str());
        fs::remove_all(tmpl, ec);
        return 1;
    }
    std::printf("bench_verse_process: %d verses in the table\n", rows);
    const int rounds = 21;
    const std::string cli = QUENLOR_CLI;
    const double verse = Time({cli, "verse", "--db", folder, "Jn:3:16"}, rounds);
    const double help = Time({cli, "--help"}, rounds);
    if (verse < 0 || help < 0) {
        std::fprintf(stderr, "bench_verse_process: quenlor-cli failed\n");
        fs::remove_all(tmpl, ec);
        return 1;
    }
    std::printf("%-34s %9s   %-10s %9s %7s\n", "whole process", "ours ms", "peer", "peer ms", "ratio");
    if (std::string sqlite = FindOnPath("sqlite3"); !sqlite.empty()) {
        Report("verse Jn:3:16", verse, "sqlite3",
               Time({sqlite, dbPath, "SELECT * FROM RV1960 WHERE VerseID = 'Jn:3:16'"}, rounds));
        Report("--help", help, "sqlite3", Time({sqlite, "-version"}, rounds));
    } else {
        std::printf("sqlite3 is not installed: its comparison is skipped\n");
    }
    if (std::string diatheke = FindOnPath("diatheke"); !diatheke.empty())
        Report("verse Jn:3:16", verse, "diatheke",
               Time({diatheke, "-b", "spaRV1909eb", "-k", "John 3:16"}, rounds));
    else
        std::printf("diatheke is not installed: its comparison is skipped\n");
    fs::remove_all(tmpl, ec);
    return 0;
}
