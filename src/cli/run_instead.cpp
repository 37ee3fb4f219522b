#include "cli.h"

#include <cerrno>
#include <cstring>
#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

namespace cli {

int runInstead(const std::string &program, const std::vector<std::string> &args, const char *who)
{
    std::vector<char *> argv;
    for (auto &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    std::fflush(stdout);
    std::fflush(stderr);
#ifdef _WIN32
    intptr_t status = _spawnv(_P_WAIT, program.c_str(), argv.data());
    if (status != -1)
        return static_cast<int>(status);
#else
    execv(program.c_str(), argv.data());
#endif
    std::fprintf(stderr, "%s: cannot run %s: %s\n", who, program.c_str(), std::strerror(errno));
    return 1;
}

} // namespace cli
