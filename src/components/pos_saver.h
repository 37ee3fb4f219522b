// Stores a window's outer position and size and puts them back later, in the
// registry-like key store or in an INI file.
#pragma once
#include <QObject>
#include <QPointer>
#include <QString>
#include <cstdint>

class QWidget;

// Root keys of the registry. Elsewhere than on Windows every root maps to the
// current user's settings store.
enum class TPosSaverHKEY {
    CLASSES_ROOT,
    CURRENT_USER,
    LOCAL_MACHINE,
    USERS,
    PERFORMANCE_DATA,
    CURRENT_CONFIG,
    DYN_DATA
};

class TPosSaver : public QObject {
    Q_OBJECT
public:
    // The owner must be a top-level window.
    explicit TPosSaver(QWidget *owner);

    QString IniName;
    QString IniSection; // empty: "TPosSaver"
    bool UseRegistry = false;
    QString RegKey;

    TPosSaverHKEY RegRootKey() const { return FRegRootKey; }
    void setRegRootKey(TPosSaverHKEY key);
    // The predefined handle of the root key (HKEY_CURRENT_USER is 0x80000001).
    uint32_t RootKey() const { return FRootKey; }

    // Applies the stored top, left, width and height, in that order; values
    // that are missing or not integers are skipped.
    void RestorePosition();
    // Stores the window's current outer bounds; false when they could not be
    // written.
    bool SavePosition();

private:
    QWidget *window() const;
    QString section() const;

    QPointer<QWidget> FOwner;
    TPosSaverHKEY FRegRootKey = TPosSaverHKEY::CURRENT_USER;
    uint32_t FRootKey = 0x80000001u;
};
