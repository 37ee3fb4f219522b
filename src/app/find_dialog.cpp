#include "app/find_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

uint32_t FindOptionsToSearchOptions(uint32_t findOptions)
{
    uint32_t out = 0;
    if (findOptions & frMatchCase)
        out |= 1;
    if (findOptions & frDown)
        out |= 2;
    if (findOptions & frWholeWord)
        out |= 4;
    if (findOptions & frIgnoreAccents)
        out |= 16;
    return out;
}

TFindDialog::TFindDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FindDialog"));
    setWindowTitle(QStringLiteral("Buscar"));
    setModal(false);

    auto *label = new QLabel(QStringLiteral("&Buscar:"), this);
    FEdit = new QLineEdit(this);
    label->setBuddy(FEdit);
    FWholeWord = new QCheckBox(QStringLiteral("Sólo palabras co&mpletas"), this);
    FMatchCase = new QCheckBox(QStringLiteral("Coincidir ma&yúsculas y minúsculas"), this);
    // On by default: readers type "Jesus" and mean "Jesús".
    FIgnoreAccents = new QCheckBox(QStringLiteral("Ignorar a&centos"), this);
    FIgnoreAccents->setObjectName(QStringLiteral("chkIgnorarAcentos"));
    FIgnoreAccents->setChecked(true);

    auto *direction = new QGroupBox(QStringLiteral("Dirección"), this);
    FUp = new QRadioButton(QStringLiteral("A&rriba"), direction);
    FDown = new QRadioButton(QStringLiteral("Aba&jo"), direction);
    FDown->setChecked(true); // the system dialog searches downward by default
    auto *dirLayout = new QHBoxLayout(direction);
    dirLayout->addWidget(FUp);
    dirLayout->addWidget(FDown);

    FFindNext = new QPushButton(QStringLiteral("Buscar &siguiente"), this);
    FFindNext->setDefault(true);
    FFindNext->setEnabled(false);
    auto *cancel = new QPushButton(QStringLiteral("Cancelar"), this);

    auto *grid = new QGridLayout(this);
    grid->addWidget(label, 0, 0);
    grid->addWidget(FEdit, 0, 1, 1, 2);
    grid->addWidget(FFindNext, 0, 3);
    auto *checks = new QVBoxLayout;
    checks->addWidget(FWholeWord);
    checks->addWidget(FMatchCase);
    checks->addWidget(FIgnoreAccents);
    grid->addLayout(checks, 1, 0, 1, 2);
    grid->addWidget(direction, 1, 2);
    grid->addWidget(cancel, 1, 3, Qt::AlignTop);

    connect(FEdit, &QLineEdit::textChanged, this, [this](const QString &t) { FFindNext->setEnabled(!t.isEmpty()); });
    connect(FFindNext, &QPushButton::clicked, this, [this] {
        if (OnFind && !FEdit->text().isEmpty())
            OnFind(this);
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

QString TFindDialog::FindText() const
{
    return FEdit->text();
}

void TFindDialog::SetFindText(const QString &text)
{
    FEdit->setText(text);
}

uint32_t TFindDialog::Options() const
{
    uint32_t o = 0;
    if (FDown->isChecked())
        o |= frDown;
    if (FWholeWord->isChecked())
        o |= frWholeWord;
    if (FMatchCase->isChecked())
        o |= frMatchCase;
    if (FIgnoreAccents->isChecked())
        o |= frIgnoreAccents;
    return o;
}

void TFindDialog::SetOptions(uint32_t options)
{
    (options & frDown ? FDown : FUp)->setChecked(true);
    FWholeWord->setChecked(options & frWholeWord);
    FMatchCase->setChecked(options & frMatchCase);
    FIgnoreAccents->setChecked(options & frIgnoreAccents);
}

void TFindDialog::Execute()
{
    show();
    raise();
    activateWindow();
    FEdit->setFocus();
    FEdit->selectAll();
}
