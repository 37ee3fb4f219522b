#include "app/application.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QTranslator>
#include <exception>

bool installSpanishTranslations(QCoreApplication &app)
{
    const QLocale spanish(QLocale::Spanish, QLocale::Spain);
    QLocale::setDefault(spanish);
    auto *qt = new QTranslator(&app);
    if (!qt->load(spanish, QStringLiteral("qtbase"), QStringLiteral("_"),
                  QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete qt;
        return false;
    }
    return QCoreApplication::installTranslator(qt);
}

TApplication::TApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    // Before any window or dialog is built, so every standard text is Spanish.
    setProperty("quenlorSpanish", installSpanishTranslations(*this));
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
        showError(QStringLiteral("Error desconocido"));
    }
    return false;
}

bool TApplication::notify(QObject *receiver, QEvent *e)
{
    return deliverGuarded([&] { return QApplication::notify(receiver, e); }, showError);
}
