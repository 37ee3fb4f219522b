// Internal failure of the table store: what stops a statement, with the reason
// and the word it stopped at. Statements catch it where they report their own
// message; the log keeps the reason for the caller (StoreError).
#pragma once
#include <exception>
#include <string>
#include <utility>

namespace xmlsql {

struct StoreFailure : std::exception {
    explicit StoreFailure(std::string why, std::string token = {}) : Why(std::move(why)), Token(std::move(token)) {}
    const char *what() const noexcept override { return Why.c_str(); }
    std::string Why;
    std::string Token;
};

} // namespace xmlsql
