// The error the document module raises (English messages, caught by the RVF
// reader and turned into a false result, or shown by the application).
#pragma once
#include <stdexcept>
#include <string>

namespace rv {

class EReadViewError : public std::runtime_error {
public:
    explicit EReadViewError(const std::string &message) : std::runtime_error(message) {}
};

} // namespace rv
