#include "xmlsql/log_file.h"

#include <ctime>

namespace xmlsql {

void TLogFile::Add(const std::string &text)
{
    char stamp[64] = "";
    std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local))
        std::strftime(stamp, sizeof stamp, "%x %X", &local);
    Lines.push_front(std::string(stamp) + ' ' + text);
    while (Lines.size() > MaxLines)
        Lines.pop_back();
}

void TLogFile::LogError(const std::string &text)
{
    LastError = text;
    Add(text);
}

} // namespace xmlsql
