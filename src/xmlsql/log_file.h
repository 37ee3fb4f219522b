// The store's message log: the ten newest lines, newest first, and the last
// error, which the record set reports as its ResultText. Memory only.
#pragma once
#include <deque>
#include <string>

namespace xmlsql {

// Why a run failed: which statement, at which word, and the reason.
struct StoreError {
    int Statement = 0;  // 1-based statement of the run; 0 when none had started
    std::string Token;  // the word it stopped at, when known
    std::string What;   // the store's message, then the reason behind it when known

    bool Failed() const { return !What.empty(); }
    // "statement 1, at "FROMM": Error: ...", leaving out what is not known.
    std::string Text() const;
};

class TLogFile {
public:
    std::deque<std::string> Lines;
    size_t MaxLines = 10;
    std::string LastError;
    StoreError Error;
    int Statement = 0; // the statement being run, for Error

    // Puts "date time text" at the top and drops the oldest beyond MaxLines.
    void Add(const std::string &text);
    // Logs a store message; token and reason go into Error only.
    void LogError(const std::string &text, const std::string &token = {}, const std::string &reason = {});
};

} // namespace xmlsql
