#include "app/verse_lookup.h"

#include <cctype>
#include <climits>
#include <filesystem>
#include <optional>

namespace {

constexpr int kWrapAfter = 60;
const QChar kBullet(0x2022); // 0x95 in Windows-1252

// Whole numbers the way the runtime's string-to-integer conversion takes them:
// leading blanks, an optional sign, decimal digits, nothing after; within int.
std::optional<int> toWholeNumber(const std::string &s)
{
    size_t i = 0;
    while (i < s.size() && s[i] == ' ')
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        negative = s[i++] == '-';
    if (i == s.size())
        return std::nullopt;
    long long v = 0;
    for (; i < s.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(s[i])))
            return std::nullopt;
        v = v * 10 + (s[i] - '0');
        if (v > static_cast<long long>(INT_MAX) + 1)
            return std::nullopt;
    }
    v = negative ? -v : v;
    if (v > INT_MAX || v < INT_MIN)
        return std::nullopt;
    return static_cast<int>(v);
}

// The link text is pasted between double quotes into the statement. A quote
// would end the literal, "#" starts a comment and ";" a second statement in the
// store's parser, and control characters end lines; such a text is no verse key.
bool safeInStatement(std::string_view text)
{
    for (unsigned char c : text)
        if (c == '"' || c == '#' || c == ';' || c < 0x20 || c == 0x7F)
            return false;
    return true;
}

QString latin1(const std::string &s)
{
    return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
}

bool hasField(const xmlsql::TXmlSqlDb &db, const std::string &name)
{
    for (int i = 0; i < db.FieldCount(); ++i) {
        const std::string &f = db.Fields(i)->FieldName();
        if (f.size() == name.size()
            && std::equal(f.begin(), f.end(), name.begin(), [](char a, char b) {
                   return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
               }))
            return true;
    }
    return false;
}

// The store finds table files by name regardless of letter case. The path of
// the verse table file, or empty when the folder has none.
std::string verseTablePath(const std::string &folder)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    if (folder.empty())
        return {};
    fs::directory_iterator it(fs::path(folder), ec);
    if (ec)
        return {};
    const QString wanted = QString::fromLatin1(kVerseTableFile);
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec)
            return {};
        const QString name = QString::fromStdString(it->path().filename().string());
        if (name.compare(wanted, Qt::CaseInsensitive) == 0 && !it->is_directory(ec))
            return folder + it->path().filename().string();
    }
    return {};
}

// The table file exists, yet the well-formed statement gave no columns, an
// error, or not the verse table's columns: its content is damaged.
bool damagedResult(const xmlsql::TXmlSqlDb &db)
{
    return db.FieldCount() == 0 || !db.ResultText().empty() || !hasField(db, "VerseID") || !hasField(db, "VerseText");
}

VerseLookup damaged(const std::string &path)
{
    VerseLookup out;
    out.tableDamaged = true;
    out.tablePath = path;
    return out;
}

void runQuery(xmlsql::TXmlSqlDb &db, const std::string &sql)
{
    db.Close();
    db.SetSql(sql);
    db.Open();
}

} // namespace

QString verseNotFoundLine()
{
    return QStringLiteral("La referencia bíblica no existe !");
}

QString damagedTableMessage(const std::string &path)
{
    return QStringLiteral("La tabla de versículos \"%1\" está dañada y no se pueden leer sus versículos. "
                          "Reemplácela por una copia en buen estado.")
        .arg(QString::fromLocal8Bit(path.data(), qsizetype(path.size())));
}

QString missingTableMessage(const std::string &folder)
{
    return QStringLiteral("No se encuentra la tabla de versículos \"%1\" en la carpeta \"%2\". "
                          "Copie el archivo en esa carpeta para ver los versículos.")
        .arg(QString::fromLatin1(kVerseTableFile), QString::fromStdString(folder));
}

void addWrappedLine(QStringList &lines, QString line)
{
    while (line.size() > kWrapAfter) {
        const qsizetype blank = line.indexOf(QLatin1Char(' '), kWrapAfter);
        if (blank < 0)
            break;
        lines << line.left(blank + 1);
        line.remove(0, blank + 1);
    }
    lines << line;
}

VerseLookup LookupVerses(xmlsql::TXmlSqlDb &db, TBrkApart &splitter, std::string_view linkText)
{
    VerseLookup out;
    const std::string text(linkText);

    splitter.BreakString = ":";
    splitter.ResultList().clear();
    splitter.BaseString = text;
    splitter.BreakApart();
    if (splitter.ResultList().size() != 3) {
        // Not a reference: the balloon names what was clicked.
        out.title = latin1(text);
        out.lines << verseNotFoundLine();
        return out;
    }
    const std::string book = splitter.ResultList()[0];
    const std::string chapter = splitter.ResultList()[1];
    const std::string versePart = splitter.ResultList()[2];
    const QString head = latin1(book) + QLatin1Char(' ') + latin1(chapter) + QLatin1Char(':');
    out.title = head + latin1(versePart);

    const std::string tablePath = verseTablePath(db.DataBase());
    if (tablePath.empty()) {
        out = VerseLookup{};
        out.tableMissing = true;
        return out;
    }
    if (!safeInStatement(text)) {
        out.lines << verseNotFoundLine();
        return out;
    }

    if (versePart.find('-') == std::string::npos) {
        runQuery(db, "select * from RV1960 where VerseID = \"" + book + ":" + chapter + ":" + versePart + "\"");
        if (damagedResult(db))
            return damaged(tablePath);
        // A key with no row is a verse that does not exist: say so rather
        // than show the verse number with no text.
        db.First();
        if (db.Eof()) {
            out.lines << verseNotFoundLine();
            return out;
        }
        addWrappedLine(out.lines, QString(kBullet) + QLatin1Char(' ') + latin1(versePart) + QLatin1String(". ")
                                      + latin1(db.FieldByName("VerseText")->AsString()));
        return out;
    }

    splitter.BreakString = "-";
    splitter.ResultList().clear();
    splitter.BaseString = versePart;
    splitter.BreakApart();
    std::optional<int> first, last;
    if (splitter.ResultList().size() >= 2) {
        first = toWholeNumber(splitter.ResultList()[0]);
        last = toWholeNumber(splitter.ResultList()[1]);
    }
    splitter.BreakString = ":";
    if (!first || !last) {
        out.lines << verseNotFoundLine();
        return out;
    }
    out.title = head + QString::number(*first) + QLatin1String("..") + QString::number(*last);

    runQuery(db, "select * from RV1960 where VerseID like \"" + book + ":" + chapter + ":%\"");
    if (damagedResult(db))
        return damaged(tablePath);
    for (db.First(); !db.Eof(); db.Next()) {
        splitter.ResultList().clear();
        splitter.BaseString = db.FieldByName("VerseID")->AsString();
        splitter.BreakApart();
        const std::optional<int> n =
            splitter.ResultList().size() >= 3 ? toWholeNumber(splitter.ResultList()[2]) : std::nullopt;
        if (!n) {
            // A damaged key in the table: say so rather than show part of the range.
            out.lines = QStringList{verseNotFoundLine()};
            return out;
        }
        if (*first <= *n && *n <= *last)
            addWrappedLine(out.lines, QString(kBullet) + QLatin1Char(' ') + QString::number(*n) + QLatin1String(". ")
                                          + latin1(db.FieldByName("VerseText")->AsString()));
    }
    // No verse of the chapter lies in first..last (a reversed range, verses
    // past the chapter's end): the reference does not exist.
    if (out.lines.isEmpty())
        out.lines << verseNotFoundLine();
    return out;
}
