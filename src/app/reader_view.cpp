// The reader's view commands: zoom of the viewer (kept between runs), the
// balloons' keys and menu entries, where a verse balloon points, and the
// first-start size of the window on large screens.
#include "app/win_reader.h"

#include "components/window_bounds.h"
#include "platform/settings.h"

#include <QAction>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace {

const char *const kZoomValue = "Zoom";

std::string readerKey()
{
    return "Software\\Tavrin\\Reader";
}

} // namespace

QSize defaultReaderSize(const QSize &available)
{
    const QSize designed(700, 549);
    if (!available.isValid())
        return designed;
    // Grow with the screen, measured against the 1024 x 768 the designed
    // size suits, but never beyond 1.6 times nor below the designed size.
    const double grow = std::clamp(std::min(available.width() / 1024.0, available.height() / 768.0), 1.0, 1.6);
    QSize s(int(std::lround(designed.width() * grow)), int(std::lround(designed.height() * grow)));
    return s.boundedTo(available).expandedTo(designed);
}

TBalloonPosition balloonPositionFor(const QPoint &toward, const QRect &window)
{
    const int dx = toward.x() - window.left(), dy = toward.y() - window.top();
    const int halfW = window.width() / 2, halfH = window.height() / 2;
    if (dx >= halfW)
        return dy >= halfH ? blnArrowTopLeft : blnArrowBottomLeft;
    return dy < halfH ? blnArrowBottomRight : blnArrowTopRight;
}

int TfrmWinReader::SavedZoom()
{
    const platform::KeyStore key(readerKey());
    const auto v = key.readInteger(kZoomValue);
    return v ? std::clamp(*v, int(TReadView::kZoomMin), int(TReadView::kZoomMax)) : 100;
}

void TfrmWinReader::SaveZoom(int percent)
{
    platform::KeyStore key(readerKey());
    key.writeInteger(kZoomValue, percent);
    key.sync();
}

QString TfrmWinReader::balloonKey(int itemNo, const std::string &linkText)
{
    return QString::number(itemNo) + QLatin1Char('|') + QString::fromLatin1(linkText.data(), qsizetype(linkText.size()));
}

TfrmWinReader::BalloonAnchor TfrmWinReader::balloonAnchorFor(int id, const QPoint &click) const
{
    const QWidget *main = frmWinReader ? static_cast<const QWidget *>(frmWinReader) : this;
    const QRect window = main->frameGeometry();
    if (rvRevisar->JumpFromKeyboard()) {
        const QRect link = rvRevisar->JumpRect(id);
        if (!link.isNull()) {
            // Enter on a focused link: the balloon points at the link, not at
            // wherever the mouse happens to rest; above the link it touches
            // the link's top, below it the link's bottom.
            const QRect onScreen(rvRevisar->viewport()->mapToGlobal(link.topLeft()), link.size());
            const TBalloonPosition pos = balloonPositionFor(onScreen.center(), window);
            const int x = onScreen.left() + onScreen.width() / 2;
            const bool above = pos == blnArrowTopLeft || pos == blnArrowTopRight;
            return {QPoint(x, above ? onScreen.top() : onScreen.bottom() + 1), pos};
        }
    }
    return {click, balloonPositionFor(QCursor::pos(), window)};
}

void TfrmWinReader::buildViewCommands()
{
    Balloons = new TBalloonGroup(this);

    auto viewCommand = [this](const char *name, const QString &caption, const QList<QKeySequence> &keys) {
        auto *a = new QAction(caption, this);
        a->setObjectName(QString::fromLatin1(name));
        a->setShortcuts(keys);
        addAction(a); // the keys work wherever the focus is in the window
        return a;
    };
    opcAmpliar = viewCommand("opcAmpliar", QStringLiteral("&Ampliar"),
                             {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal),
                              QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Plus)});
    opcReducir = viewCommand("opcReducir", QStringLiteral("&Reducir"), {QKeySequence(Qt::CTRL | Qt::Key_Minus)});
    opcTamanoNormal = viewCommand("opcTamanoNormal", QStringLiteral("&Tamaño normal"), {QKeySequence(Qt::CTRL | Qt::Key_0)});
    opcCerrarGlobo = viewCommand("opcCerrarGlobo", QStringLiteral("Cerrar el último &globo"), {QKeySequence(Qt::Key_Escape)});
    opcCerrarGlobos = viewCommand("opcCerrarGlobos", QStringLiteral("Cerrar t&odos los globos"),
                                  {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_W)});
    connect(opcAmpliar, &QAction::triggered, rvRevisar, &TReadView::ZoomIn);
    connect(opcReducir, &QAction::triggered, rvRevisar, &TReadView::ZoomOut);
    connect(opcTamanoNormal, &QAction::triggered, rvRevisar, [this] { rvRevisar->SetZoom(100); });
    connect(opcCerrarGlobo, &QAction::triggered, Balloons, &TBalloonGroup::closeNewest);
    connect(opcCerrarGlobos, &QAction::triggered, Balloons, &TBalloonGroup::closeAll);
    // Esc is free for the window's other uses while no balloon is open.
    auto balloonsChanged = [this](int n) {
        opcCerrarGlobo->setEnabled(n > 0);
        opcCerrarGlobos->setEnabled(n > 0);
    };
    connect(Balloons, &TBalloonGroup::countChanged, this, balloonsChanged);
    balloonsChanged(0);

    opcVer = new QMenu(QStringLiteral("&Ver"), this);
    opcVer->setObjectName(QStringLiteral("opcVer"));
    opcVer->addAction(opcAmpliar);
    opcVer->addAction(opcReducir);
    opcVer->addAction(opcTamanoNormal);
    opcVer->addSeparator();
    opcVer->addAction(opcCerrarGlobo);
    opcVer->addAction(opcCerrarGlobos);
    menuBar()->insertMenu(opcAyuda->menuAction(), opcVer);
    pmuEditor->addSeparator();
    pmuEditor->addAction(opcCerrarGlobos);

    rvRevisar->SetZoom(SavedZoom());
    rvRevisar->OnZoomChanged = [](TReadView *v) { SaveZoom(v->Zoom()); };

    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QSize size = defaultReaderSize(screen->availableGeometry().size());
        setOuterWidth(this, size.width());
        setOuterHeight(this, size.height());
    }
}
