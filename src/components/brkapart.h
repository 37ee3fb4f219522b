// Cuts a text into pieces at every occurrence of a separator text.
#pragma once
#include <string>
#include <vector>

class TBrkApart {
public:
    // Plain settings: changing them has no effect until the next BreakApart.
    bool AllowEmptyString = false; // keep empty pieces
    std::string BreakString;       // the separator, any length
    std::string BaseString;        // the text to split
    bool CaseSensitive = false;    // false: A-Z and a-z match each other

    // Rebuilds ResultList from BaseString and BreakString.
    void BreakApart();

    // Pieces of the last BreakApart, in order. Callers may read and clear it.
    std::vector<std::string> &ResultList() { return FResultList; }
    const std::vector<std::string> &ResultList() const { return FResultList; }

private:
    std::vector<std::string> FResultList;
};
