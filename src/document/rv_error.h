// Errors of the document module. EReadViewError is what the module raises;
// the RVF reader catches it and hands the caller an RvfError value that keeps
// where and why the read stopped.
#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>

namespace rv {

// What kind of damage stopped a read: the reader's message is chosen by it,
// the English text says the detail.
enum class RvfErrorKind : uint8_t {
    None,
    File,       // the file cannot be opened or read
    Header,     // a record's header line does not parse
    Data,       // a data line or block is damaged
    Style,      // a style, or a stored style table, is unknown or damaged
    Picture,    // a picture is of an unknown format or damaged
    Control,    // an inserted control cannot be made
    Table,      // a table body is damaged
    Note,       // a foot- or endnote's document is damaged
    Truncated,  // the text ends inside a record
    Other,
};

class EReadViewError : public std::runtime_error {
public:
    explicit EReadViewError(const std::string &message, RvfErrorKind kind = RvfErrorKind::Data)
        : std::runtime_error(message), Kind(kind)
    {
    }
    RvfErrorKind Kind;
};

struct RvfError {
    RvfErrorKind Kind = RvfErrorKind::None;
    int Line = 0;     // 1-based line of the RVF text where reading stopped; 0 outside the text
    std::string What; // plain English, for the command line and developers

    bool Failed() const { return Kind != RvfErrorKind::None; }
    // "line N: What", or What alone when the error is not at a line.
    std::string Text() const { return Line > 0 ? "line " + std::to_string(Line) + ": " + What : What; }
};

} // namespace rv
