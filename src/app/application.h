// The application object: errors that escape a command are shown to the user
// and the program keeps running.
#pragma once
#include <QApplication>
#include <functional>

// Runs one event delivery; an exception that escapes it is shown with
// showError and counts as an unhandled event.
bool deliverGuarded(const std::function<bool()> &deliver, const std::function<void(const QString &)> &showError);

// Loads Qt's own Spanish texts (standard buttons, file and printer dialogs)
// from Qt's translations folder and makes Spanish the default locale (decimal
// comma, metric units). False when the translation file is not installed; the
// program then runs with Qt's English texts.
bool installSpanishTranslations(QCoreApplication &app);

class TApplication : public QApplication {
public:
    TApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *e) override;

    // Shows an escaped error's message; tests replace it.
    std::function<void(const QString &message)> showError;
};
