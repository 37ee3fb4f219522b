#include "app/application.h"

#include <QMessageBox>
#include <exception>

TApplication::TApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    showError = [](const QString &message) {
        QMessageBox::critical(activeWindow(), applicationName(), message);
    };
}

bool deliverGuarded(const std::function<bool()> &deliver, const std::function<void(const QString &)> &showError)
{
    try {
        return deliver();
    } catch (const std::exception &ex) {
        showError(QString::fromLocal8Bit(ex.what()));
    } catch (...) {
        showError(QStringLiteral("Unknown error"));
    }
    return false;
}

bool TApplication::notify(QObject *receiver, QEvent *e)
{
    return deliverGuarded([&] { return QApplication::notify(receiver, e); }, showError);
}
