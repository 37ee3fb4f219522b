#include "sword/sword_source.h"

#include <map>
#include <markupfiltmgr.h>
#include <swmgr.h>
#include <swmodule.h>
#include <versekey.h>

namespace xmlsql {

SwordImportResult ImportSwordModule(const std::string &module, const std::vector<BookAbbreviation> &books,
                                    const ChapterFilter &chapters)
{
    SwordImportResult result;
    sword::SWMgr mgr(new sword::MarkupFilterMgr(sword::FMT_PLAIN));
    mgr.setGlobalOption("Strong's Numbers", "Off");
    mgr.setGlobalOption("Footnotes", "Off");
    mgr.setGlobalOption("Cross-references", "Off");
    sword::SWModule *bible = mgr.getModule(module.c_str());
    if (!bible) {
        result.error = "SWORD module '" + module + "' is not installed";
        return result;
    }
    std::map<std::string, std::string, std::less<>> abbreviationOf;
    for (auto &b : books)
        abbreviationOf.emplace(b.book, b.abbreviation);
    VerseTableWriter table;
    std::string lastSkipped;
    for (*bible = sword::TOP; !bible->popError(); (*bible)++) {
        auto *key = dynamic_cast<sword::VerseKey *>(bible->getKey());
        if (!key)
            continue;
        auto it = abbreviationOf.find(key->getOSISBookName());
        if (it == abbreviationOf.end()) {
            if (lastSkipped != key->getOSISBookName()) {
                lastSkipped = key->getOSISBookName();
                ++result.skippedBooks;
            }
            continue;
        }
        if (key->getVerse() < 1 || !chapters.Accepts(it->second, key->getChapter()))
            continue;
        std::string id = it->second + ':' + std::to_string(key->getChapter()) + ':' + std::to_string(key->getVerse());
        table.Add(id, CleanVerseText(bible->stripText()));
    }
    result.verses = table.Count();
    result.content = table.Content();
    return result;
}

} // namespace xmlsql
