#include "app/help_window.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QProcess>
#include <QStandardPaths>
#include <QStyle>
#include <QTextBrowser>
#include <QToolButton>
#include <QVBoxLayout>

THelpWindow::THelpWindow(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAyuda"));
    setWindowTitle(QStringLiteral("Ayuda de Quenlor"));
    setModal(false);
    // A help window that stays beside the study, with the usual title buttons.
    setWindowFlags(Qt::Window | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    resize(640, 520);

    auto button = [this](const QString &caption, const QString &tip, QStyle::StandardPixmap icon) {
        auto *b = new QToolButton(this);
        b->setText(caption);
        b->setToolTip(tip);
        b->setIcon(style()->standardIcon(icon));
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        b->setAutoRaise(true);
        return b;
    };
    FBack = button(QStringLiteral("&Atrás"), QStringLiteral("Página anterior"), QStyle::SP_ArrowBack);
    FForward = button(QStringLiteral("A&delante"), QStringLiteral("Página siguiente"), QStyle::SP_ArrowForward);
    FHome_ = button(QStringLiteral("&Inicio"), QStringLiteral("Página principal de la ayuda"), QStyle::SP_DirHomeIcon);
    FBack->setObjectName(QStringLiteral("btnAtras"));
    FForward->setObjectName(QStringLiteral("btnAdelante"));
    FHome_->setObjectName(QStringLiteral("btnInicio"));

    FBrowser = new QTextBrowser(this);
    FBrowser->setObjectName(QStringLiteral("txtAyuda"));
    // Links inside the help stay here; web addresses go to the desktop.
    FBrowser->setOpenLinks(true);
    FBrowser->setOpenExternalLinks(true);

    auto *bar = new QHBoxLayout;
    bar->addWidget(FBack);
    bar->addWidget(FForward);
    bar->addWidget(FHome_);
    bar->addStretch(1);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(bar);
    layout->addWidget(FBrowser, 1);

    FBack->setEnabled(false);
    FForward->setEnabled(false);
    connect(FBrowser, &QTextBrowser::backwardAvailable, FBack, &QWidget::setEnabled);
    connect(FBrowser, &QTextBrowser::forwardAvailable, FForward, &QWidget::setEnabled);
    connect(FBack, &QToolButton::clicked, FBrowser, &QTextBrowser::backward);
    connect(FForward, &QToolButton::clicked, FBrowser, &QTextBrowser::forward);
    connect(FHome_, &QToolButton::clicked, this, [this] { FBrowser->setSource(FHome); });
    connect(FBrowser, &QTextBrowser::sourceChanged, this, [this] {
        const QString title = FBrowser->documentTitle();
        setWindowTitle(title.isEmpty() ? QStringLiteral("Ayuda de Quenlor") : title);
    });
}

void THelpWindow::ShowPage(const QString &path)
{
    FHome = QUrl::fromLocalFile(path);
    FBrowser->setSource(FHome);
    show();
    raise();
    activateWindow();
}

bool DesktopOpensHtmlPages()
{
#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
    return true;
#else
    if (!qEnvironmentVariableIsEmpty("BROWSER"))
        return true;
    if (QStandardPaths::findExecutable(QStringLiteral("xdg-open")).isEmpty())
        return false;
    // xdg-open answers for any page and fails later when nothing is
    // registered: ask the desktop's database first.
    const QString mime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (mime.isEmpty())
        return false;
    QProcess query;
    query.start(mime, {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("text/html")});
    if (!query.waitForFinished(3000)) {
        query.kill();
        query.waitForFinished(500);
        return false;
    }
    return query.exitCode() == 0 && !query.readAllStandardOutput().trimmed().isEmpty();
#endif
}
