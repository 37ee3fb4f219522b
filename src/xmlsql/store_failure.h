// Internal failure of the table store. It never reaches a caller of the record
// set: statements catch it where they report their own message, and the record
// set swallows what escapes a run.
#pragma once
#include <exception>

namespace xmlsql {

struct StoreFailure : std::exception {
    const char *what() const noexcept override { return "table store failure"; }
};

} // namespace xmlsql
