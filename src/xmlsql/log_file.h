// The store's message log: the ten newest lines, newest first, and the last
// error, which the record set reports as its ResultText. Memory only.
#pragma once
#include <deque>
#include <string>

namespace xmlsql {

class TLogFile {
public:
    std::deque<std::string> Lines;
    size_t MaxLines = 10;
    std::string LastError;

    // Puts "date time text" at the top and drops the oldest beyond MaxLines.
    void Add(const std::string &text);
    void LogError(const std::string &text);
};

} // namespace xmlsql
