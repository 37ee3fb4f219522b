// quenlor-import-sword (run by `quenlor-cli import-sword`): writes the verse
// table RV1960.xml from a Bible module of the SWORD library (by default the
// Reina-Valera 1909 of Debian's sword-text-sparv package).
#include "platform/folders.h"
#include "sword/sword_source.h"
#include "xmlsql/table_file.h"
#include "xmlsql/verse_table.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

int usageError()
{
    std::fprintf(stderr, "usage: quenlor-cli import-sword [--module NAME] [--books FILE] [--chapters LIST] OUTDIR\n");
    return 2;
}

// The abbreviation list: --books, else libros.txt beside the verse table or in
// the source tree, else the list built into the program.
bool loadBooks(const std::string &path, std::vector<xmlsql::BookAbbreviation> &books)
{
    std::string text, where;
    std::vector<std::string> candidates;
    if (!path.empty())
        candidates = {path};
    else {
        candidates = {platform::verseTableDir() + "libros.txt"};
#ifdef QUENLOR_SOURCE_BOOKS
        candidates.push_back(QUENLOR_SOURCE_BOOKS);
#endif
    }
    for (auto &c : candidates) {
        std::ifstream in(c, std::ios::binary);
        if (in) {
            std::ostringstream ss;
            ss << in.rdbuf();
            text = ss.str();
            where = c;
            break;
        }
    }
    if (where.empty()) {
        if (!path.empty()) {
            std::fprintf(stderr, "import-sword: cannot read book list %s\n", path.c_str());
            return false;
        }
        text = std::string(xmlsql::kDefaultBookList);
        where = "the built-in book list";
    }
    std::string error;
    auto list = xmlsql::ParseBookList(text, error);
    if (!list) {
        std::fprintf(stderr, "import-sword: %s: %s\n", where.c_str(), error.c_str());
        return false;
    }
    books = std::move(*list);
    return true;
}

int runImportSword(const std::vector<std::string> &args)
{
    std::string module = "spaRV1909eb", booksPath, chapterList, outDir;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string &a = args[i];
        if ((a == "--module" || a == "--books" || a == "--chapters") && i + 1 < args.size()) {
            (a == "--module" ? module : a == "--books" ? booksPath : chapterList) = args[++i];
        } else if (outDir.empty() && !a.empty() && a[0] != '-') {
            outDir = a;
        } else {
            return usageError();
        }
    }
    if (outDir.empty())
        return usageError();

    std::vector<xmlsql::BookAbbreviation> books;
    if (!loadBooks(booksPath, books))
        return 1;
    std::string error;
    xmlsql::ChapterFilter chapters;
    if (!chapterList.empty()) {
        auto f = xmlsql::ParseChapterList(chapterList, error);
        if (!f) {
            std::fprintf(stderr, "import-sword: --chapters: %s\n", error.c_str());
            return 2;
        }
        chapters = std::move(*f);
    }
    auto result = xmlsql::ImportSwordModule(module, books, chapters);
    if (!result.error.empty()) {
        std::fprintf(stderr, "import-sword: %s\n", result.error.c_str());
        return 1;
    }
    if (result.verses == 0) {
        std::fprintf(stderr, "import-sword: no verse matched the book list and chapters\n");
        return 1;
    }
    std::error_code ec;
    fs::create_directories(outDir, ec);
    std::string path = (fs::path(outDir) / "RV1960.xml").string();
    if (ec || !xmlsql::ReplaceFile(path, result.content)) {
        std::fprintf(stderr, "import-sword: cannot write %s\n", path.c_str());
        return 1;
    }
    std::printf("%s: %zu verses from %s\n", path.c_str(), result.verses, module.c_str());
    if (result.skippedBooks)
        std::printf("%zu books of the module are not in the book list\n", result.skippedBooks);
    return 0;
}

} // namespace

int main(int argc, char **argv) { return runImportSword(std::vector<std::string>(argv + 1, argv + argc)); }
