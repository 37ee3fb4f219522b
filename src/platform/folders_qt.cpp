// The folders that only Qt knows how to find on every system.
#include "folders.h"

#include <QDir>
#include <QStandardPaths>

namespace platform {

std::string userConfigDir()
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (base.isEmpty())
        base = QDir::homePath() + "/.config";
    QString dir = base + "/Tavrin";
    QDir().mkpath(dir);
    return dir.toStdString() + kPathSeparator;
}

} // namespace platform
