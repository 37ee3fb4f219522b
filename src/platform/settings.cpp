#include "settings.h"

#define SI_NO_CONVERSION
#include <SimpleIni.h>

#include <QSettings>
#include <QString>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace platform {

// ---------- KeyStore ----------

struct KeyStore::Impl {
    std::unique_ptr<QSettings> settings;
};

KeyStore::KeyStore(const std::string &keyPath) : d(std::make_unique<Impl>())
{
    // "Software\Org\App": on Windows the registry key itself; elsewhere the
    // native settings file of organisation Org and application App.
    QString path = QString::fromStdString(keyPath);
    path.replace('/', '\\');
    QStringList parts = path.split('\\', Qt::SkipEmptyParts);
#ifdef _WIN32
    d->settings = std::make_unique<QSettings>("HKEY_CURRENT_USER\\" + parts.join('\\'), QSettings::NativeFormat);
#else
    QString org = parts.size() >= 2 ? parts[parts.size() - 2] : QStringLiteral("Quenlor");
    QString app = parts.isEmpty() ? QStringLiteral("Quenlor") : parts.back();
    d->settings = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, org, app);
#endif
}

KeyStore::~KeyStore() = default;

bool KeyStore::valueExists(const std::string &name) const { return d->settings->contains(QString::fromStdString(name)); }

std::optional<int> KeyStore::readInteger(const std::string &name) const
{
    QVariant v = d->settings->value(QString::fromStdString(name));
    bool ok = false;
    int i = v.toInt(&ok);
    if (!v.isValid() || !ok)
        return std::nullopt;
    return i;
}

std::optional<std::string> KeyStore::readString(const std::string &name) const
{
    QVariant v = d->settings->value(QString::fromStdString(name));
    if (!v.isValid())
        return std::nullopt;
    return v.toString().toStdString();
}

void KeyStore::writeInteger(const std::string &name, int value) { d->settings->setValue(QString::fromStdString(name), value); }
void KeyStore::writeString(const std::string &name, const std::string &value)
{
    d->settings->setValue(QString::fromStdString(name), QString::fromStdString(value));
}
void KeyStore::deleteValue(const std::string &name) { d->settings->remove(QString::fromStdString(name)); }

bool KeyStore::sync()
{
    d->settings->sync();
    return d->settings->status() == QSettings::NoError;
}

// ---------- IniFile ----------

struct IniFile::Impl {
    CSimpleIniA ini{false, false, false};
};

IniFile::IniFile(std::string path) : path_(std::move(path)), d(std::make_unique<Impl>())
{
    d->ini.SetSpaces(false); // "key=value", as the system writes it
    std::error_code ec;
    // An INI file is small; a huge or unreadable one is treated as empty, never loaded whole.
    if (std::filesystem::is_regular_file(path_, ec) && std::filesystem::file_size(path_, ec) < (16u << 20))
        d->ini.LoadFile(path_.c_str());
}

IniFile::~IniFile() = default;

std::string IniFile::readString(const std::string &section, const std::string &key, const std::string &def) const
{
    const char *v = d->ini.GetValue(section.c_str(), key.c_str(), nullptr);
    return v ? std::string(v) : def;
}

int IniFile::readInteger(const std::string &section, const std::string &key, int def) const
{
    const char *v = d->ini.GetValue(section.c_str(), key.c_str(), nullptr);
    if (!v)
        return def;
    char *end = nullptr;
    long n = std::strtol(v, &end, 10);
    return end == v ? def : int(n);
}

void IniFile::writeString(const std::string &section, const std::string &key, const std::string &value)
{
    d->ini.SetValue(section.c_str(), key.c_str(), value.c_str());
}

void IniFile::writeInteger(const std::string &section, const std::string &key, int value)
{
    writeString(section, key, std::to_string(value));
}

bool IniFile::sectionExists(const std::string &section) const { return d->ini.GetSection(section.c_str()) != nullptr; }

std::vector<std::string> IniFile::sectionKeys(const std::string &section) const
{
    CSimpleIniA::TNamesDepend keys;
    d->ini.GetAllKeys(section.c_str(), keys);
    keys.sort(CSimpleIniA::Entry::LoadOrder());
    std::vector<std::string> out;
    for (auto &k : keys)
        out.emplace_back(k.pItem);
    return out;
}

void IniFile::eraseSection(const std::string &section) { d->ini.Delete(section.c_str(), nullptr); }
void IniFile::deleteKey(const std::string &section, const std::string &key) { d->ini.Delete(section.c_str(), key.c_str()); }

bool IniFile::updateFile()
{
    std::string text;
    if (d->ini.Save(text) < 0)
        return false;
    // Write beside the file and rename, so a failed write never leaves half a file.
    std::string tmp = path_ + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (!out)
            return false;
        out.write(text.data(), std::streamsize(text.size()));
        if (!out.flush()) {
            std::remove(tmp.c_str());
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(tmp, path_, ec);
    if (ec) {
        std::remove(tmp.c_str());
        return false;
    }
    return true;
}

} // namespace platform
