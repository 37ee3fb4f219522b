// The arguments of the commands that read the verse tables: "--db DIR" and one
// more (a statement, a reference), in either order.
#pragma once
#include "platform/folders.h"

#include <string>
#include <vector>

namespace cli {

struct DbArgs {
    std::string dir; // as given; empty without --db
    bool haveDir = false;
    std::string value;
};

// False when the other argument is missing or more than one is given. A
// "--db" with nothing after it is the other argument; so is a second "--db"
// unless `dbAgain` lets it replace the first folder.
inline bool parseDbArgs(const std::vector<std::string> &args, bool dbAgain, DbArgs &out)
{
    bool haveValue = false;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--db" && i + 1 < args.size() && (dbAgain || !out.haveDir)) {
            out.dir = args[++i];
            out.haveDir = true;
        } else if (!haveValue) {
            out.value = args[i];
            haveValue = true;
        } else {
            return false;
        }
    }
    return haveValue;
}

// The store joins file names straight onto its folder.
inline std::string withTrailingSeparator(std::string dir)
{
    if (!dir.empty() && dir.back() != '/' && dir.back() != '\\')
        dir += platform::kPathSeparator;
    return dir;
}

} // namespace cli
