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

void TLogFile::LogError(const std::string &text, const std::string &token, const std::string &reason)
{
    LastError = text;
    Error = {Statement, token, reason.empty() ? text : text + " (" + reason + ")"};
    Add(text);
}

std::string StoreError::Text() const
{
    std::string s;
    if (Statement > 0)
        s = "statement " + std::to_string(Statement);
    if (!Token.empty())
        s += (s.empty() ? "at \"" : ", at \"") + Token + "\"";
    return s.empty() ? What : s + ": " + What;
}

} // namespace xmlsql
