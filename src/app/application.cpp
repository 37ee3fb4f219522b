#include "app/application.h"

#include <QMessageBox>
#include <exception>

TApplication::TApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    showError = [](const QString &message) {
        QMessageBox::critical(activeWindow(), applicationName(), message);
    };
}

bool TApplication::notify(QObject *receiver, QEvent *e)
{
    try {
        return QApplication::notify(receiver, e);
    } catch (const std::exception &ex) {
        showError(QString::fromLocal8Bit(ex.what()));
    } catch (...) {
        showError(QStringLiteral("Unknown error"));
    }
    return false;
}
