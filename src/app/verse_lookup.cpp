#include "app/verse_lookup.h"

namespace {

QString fromUtf8(const std::string &s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QStringList fromUtf8(const std::vector<std::string> &lines)
{
    QStringList out;
    out.reserve(static_cast<qsizetype>(lines.size()));
    for (const std::string &line : lines)
        out << fromUtf8(line);
    return out;
}

} // namespace

QString verseNotFoundLine()
{
    return QString::fromUtf8(verses::kNotFoundLine);
}

QString damagedTableMessage(const std::string &path)
{
    return fromUtf8(verses::damagedTableMessage(path));
}

QString missingTableMessage(const std::string &folder)
{
    return fromUtf8(verses::missingTableMessage(folder));
}

void addWrappedLine(QStringList &lines, QString line)
{
    std::vector<std::string> wrapped;
    verses::addWrappedLine(wrapped, line.toStdString());
    lines << fromUtf8(wrapped);
}

VerseLookup LookupVerses(xmlsql::TXmlSqlDb &db, std::string_view linkText)
{
    verses::Passage found = verses::lookup(db, linkText);
    VerseLookup out;
    out.title = fromUtf8(found.title);
    out.lines = fromUtf8(found.lines);
    out.tableMissing = found.tableMissing();
    out.tableDamaged = found.tableDamaged();
    out.tablePath = std::move(found.tablePath);
    out.error = std::move(found.error);
    return out;
}
