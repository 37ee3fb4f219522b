// A temporary database folder and a compact way to run statements in it.
#pragma once
#include "xmlsql/xml_sql_db.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace storetest {

namespace fs = std::filesystem;

class TempDir {
public:
    TempDir()
    {
        std::string tmpl = (fs::temp_directory_path() / "quenlor-xmlsql-XXXXXX").string();
        if (!mkdtemp(tmpl.data()))
            throw std::runtime_error("mkdtemp failed");
        path_ = tmpl;
    }
    ~TempDir()
    {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    std::string Folder() const { return path_.string() + "/"; }
    std::string File(const std::string &name) const { return (path_ / name).string(); }
    void Write(const std::string &name, const std::string &content) const
    {
        std::ofstream(File(name), std::ios::binary) << content;
    }
    std::string Read(const std::string &name) const
    {
        std::ifstream in(File(name), std::ios::binary);
        std::ostringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    bool Exists(const std::string &name) const { return fs::exists(File(name)); }

private:
    fs::path path_;
};

// Lines joined with CR LF, as the store writes them.
inline std::string Crlf(std::initializer_list<const char *> lines)
{
    std::string s;
    for (auto l : lines)
        s += std::string(l) + "\r\n";
    return s;
}

struct Outcome {
    std::vector<std::string> header;
    std::vector<std::vector<std::string>> rows;
    std::string result; // ResultText
};

inline Outcome RunSql(xmlsql::TXmlSqlDb &db, const std::string &folder, const std::string &sql)
{
    db.Close();
    db.SetDataBase(folder);
    db.SetSql(sql);
    db.Open();
    Outcome o;
    for (int c = 0; c < db.FieldCount(); ++c)
        o.header.push_back(db.Fields(c)->FieldName());
    for (db.First(); !db.Eof(); db.Next()) {
        std::vector<std::string> row;
        for (int c = 0; c < db.FieldCount(); ++c)
            row.push_back(db.Fields(c)->AsString());
        o.rows.push_back(row);
    }
    o.result = db.ResultText();
    return o;
}

inline Outcome RunSql(const std::string &folder, const std::string &sql)
{
    xmlsql::TXmlSqlDb db;
    return RunSql(db, folder, sql);
}

} // namespace storetest
