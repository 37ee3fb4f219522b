#include "components/pos_saver.h"

#include "components/window_bounds.h"
#include "platform/settings.h"

#include <QFile>
#include <QWidget>
#include <stdexcept>

namespace {

const char *const kNames[4] = {"Top", "Left", "Width", "Height"};

void apply(QWidget *w, int which, int value)
{
    switch (which) {
    case 0: setOuterTop(w, value); break;
    case 1: setOuterLeft(w, value); break;
    case 2: setOuterWidth(w, value); break;
    case 3: setOuterHeight(w, value); break;
    }
}

int current(const QWidget *w, int which)
{
    const platform::Rect r = outerBounds(w);
    switch (which) {
    case 0: return r.top;
    case 1: return r.left;
    case 2: return r.width();
    default: return r.height();
    }
}

std::string fileName(const QString &s)
{
    return QFile::encodeName(s).toStdString();
}

} // namespace

TPosSaver::TPosSaver(QWidget *owner) : QObject(owner), FOwner(owner) {}

void TPosSaver::setRegRootKey(TPosSaverHKEY key)
{
    FRegRootKey = key;
    FRootKey = 0x80000000u + uint32_t(key);
}

QWidget *TPosSaver::window() const
{
    if (!FOwner || !FOwner->isWindow())
        throw std::logic_error("TPosSaver: the owner is not a window");
    return FOwner;
}

QString TPosSaver::section() const
{
    return IniSection.isEmpty() ? QStringLiteral("TPosSaver") : IniSection;
}

void TPosSaver::RestorePosition()
{
    QWidget *w = window();
    if (UseRegistry) {
        const platform::KeyStore key(RegKey.toStdString());
        for (int i = 0; i < 4; ++i)
            if (const auto v = key.readInteger(kNames[i]))
                apply(w, i, *v);
    } else {
        const platform::IniFile ini(fileName(IniName));
        const std::string sec = section().toStdString();
        for (int i = 0; i < 4; ++i)
            apply(w, i, ini.readInteger(sec, kNames[i], current(w, i)));
    }
}

bool TPosSaver::SavePosition()
{
    QWidget *w = window();
    int values[4];
    for (int i = 0; i < 4; ++i)
        values[i] = current(w, i);
    if (UseRegistry) {
        platform::KeyStore key(RegKey.toStdString());
        for (int i = 0; i < 4; ++i)
            key.writeInteger(kNames[i], values[i]);
        return key.sync();
    }
    platform::IniFile ini(fileName(IniName));
    const std::string sec = section().toStdString();
    for (int i = 0; i < 4; ++i)
        ini.writeInteger(sec, kNames[i], values[i]);
    return ini.updateFile();
}
