// Persistent settings: a registry-like key store (the native settings store:
// the registry on Windows, a config file elsewhere) and plain INI files that
// keep backslashes and Latin-1 bytes exactly.
#pragma once
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// A key such as "Software\Tavrin\Reader" under the current user. Values are
// named inside the key. On Linux the organisation and application names are
// taken from the last two path components ("Tavrin", "Reader").
class KeyStore {
public:
    explicit KeyStore(const std::string &keyPath);
    ~KeyStore();
    bool valueExists(const std::string &name) const;
    std::optional<int> readInteger(const std::string &name) const;
    std::optional<std::string> readString(const std::string &name) const;
    void writeInteger(const std::string &name, int value);
    void writeString(const std::string &name, const std::string &value);
    void deleteValue(const std::string &name);
    bool sync(); // false when the store could not be written

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// A Windows-style INI file: "[Section]" lines and "key=value" lines, read and
// written byte for byte (no escapes, no encoding changes).
class IniFile {
public:
    explicit IniFile(std::string path); // reads the file when it exists
    ~IniFile();
    const std::string &path() const { return path_; }
    std::string readString(const std::string &section, const std::string &key, const std::string &def = {}) const;
    int readInteger(const std::string &section, const std::string &key, int def) const;
    void writeString(const std::string &section, const std::string &key, const std::string &value);
    void writeInteger(const std::string &section, const std::string &key, int value);
    bool sectionExists(const std::string &section) const;
    std::vector<std::string> sectionKeys(const std::string &section) const; // in file order
    void eraseSection(const std::string &section);
    void deleteKey(const std::string &section, const std::string &key);
    bool updateFile(); // writes the file; false on failure (the old file is kept)

private:
    struct Impl;
    std::string path_;
    std::unique_ptr<Impl> d;
};

} // namespace platform
