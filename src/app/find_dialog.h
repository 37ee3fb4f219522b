// The find dialog: modeless, with what the system's find dialog offers (text,
// whole word, match case, up or down, find next, cancel) and "Ignorar acentos". Each press of
// "Buscar siguiente" calls OnFind; the dialog stays open until cancelled.
#pragma once
#include <QDialog>
#include <cstdint>
#include <functional>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

// Option bits of the find dialog.
enum : uint32_t { frDown = 1, frWholeWord = 2, frMatchCase = 4, frIgnoreAccents = 8 };

// Find dialog options to the viewer's search options: match case 1, down 2,
// whole word 4, ignore accents 16; nothing else.
uint32_t FindOptionsToSearchOptions(uint32_t findOptions);

class TFindDialog : public QDialog {
    Q_OBJECT
public:
    explicit TFindDialog(QWidget *parent = nullptr);

    QString FindText() const;
    void SetFindText(const QString &text);
    uint32_t Options() const;
    void SetOptions(uint32_t options);
    // Shows the dialog without blocking, or brings it forward when it is up.
    void Execute();

    std::function<void(TFindDialog *sender)> OnFind;

    QLineEdit *findEdit() const { return FEdit; }
    QPushButton *findNextButton() const { return FFindNext; }

private:
    QLineEdit *FEdit;
    QCheckBox *FWholeWord, *FMatchCase, *FIgnoreAccents;
    QRadioButton *FUp, *FDown;
    QPushButton *FFindNext;
};
