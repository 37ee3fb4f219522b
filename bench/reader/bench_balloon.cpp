// From the release of a click on a verse link to the first paint of its
// balloon, with the full verse table (`make verse-table`), as the reader's
// main window does it. Peers timed in the same run: the verse lookup alone
// (the work the click cannot avoid) and a balloon shown without any lookup.
// Run it under a real X server (xvfb-run) for numbers that mean something;
// the offscreen platform has no window system cost.
#include "app/verse_lookup.h"
#include "../../tests/app/link_point.h"
#include "app/win_reader.h"

#include <QApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMouseEvent>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// Notes the first paint a balloon window receives.
class FirstPaint : public QObject {
public:
    qint64 at = -1;
    const QElapsedTimer *clock = nullptr;
    bool eventFilter(QObject *o, QEvent *e) override
    {
        if (e->type() == QEvent::Paint && at < 0 && qobject_cast<TBalloon *>(o))
            at = clock->nsecsElapsed();
        return false;
    }
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}


// Runs the event loop until the balloon painted (at most 2 s).
bool waitForPaint(FirstPaint &fp)
{
    QElapsedTimer guard;
    guard.start();
    while (fp.at < 0 && guard.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return fp.at >= 0;
}

} // namespace

int main(int argc, char **argv)
{
    const QString table = QStringLiteral(QUENLOR_BUILD_DATA "/RV1960.xml");
    if (!QFileInfo(table).isFile()) {
        std::printf("bench_balloon: skipped, no full verse table at %s (run `make verse-table`)\n",
                    table.toLocal8Bit().constData());
        return 0;
    }
    QApplication app(argc, argv);
    TfrmWinReader w({"quenlor"});
    w.show();
    QCoreApplication::processEvents();
    w.xmlBiblia.SetDataBase(QUENLOR_BUILD_DATA "/");
    if (!w.OpenDocument(QStringLiteral(QUENLOR_TEST_DATA "/Estudios/Juan3.rvf")))
        return 1;
    for (int i = 0; i < 20; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);

    const std::string link = "Jn:3:16";
    QWidget *vp = w.rvRevisar->viewport();
    const QPoint at = linkPoint(w.rvRevisar, link);
    if (at.x() < 0)
        return 1;
    QCursor::setPos(vp->mapToGlobal(at));

    QElapsedTimer clock;
    clock.start();
    FirstPaint fp;
    fp.clock = &clock;
    app.installEventFilter(&fp);

    constexpr int kRuns = 15;
    std::vector<double> click, lookup, bare;
    for (int run = 0; run < kRuns + 1; ++run) {
        // The whole click, as the window gets it.
        w.Balloons->closeAll();
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        const QPointF global = vp->mapToGlobal(QPointF(at));
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(at), global, Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QCoreApplication::sendEvent(vp, &press);
        fp.at = -1;
        const qint64 t0 = clock.nsecsElapsed();
        QCoreApplication::sendEvent(vp, &release);
        if (!waitForPaint(fp)) {
            std::printf("bench_balloon: the balloon never painted\n");
            return 1;
        }
        if (run > 0) // the first run warms caches up
            click.push_back((fp.at - t0) / 1e6);

        // The lookup alone.
        TBrkApart splitter;
        const qint64 t1 = clock.nsecsElapsed();
        const VerseLookup found = LookupVerses(w.xmlBiblia, splitter, link);
        if (run > 0)
            lookup.push_back((clock.nsecsElapsed() - t1) / 1e6);

        // A balloon with the same text, without the lookup and the viewer.
        w.Balloons->closeAll();
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        TBalloonControl c;
        c.Title = found.title;
        c.Text = found.lines;
        c.PixelCoordinateX = global.x();
        c.PixelCoordinateY = global.y();
        fp.at = -1;
        const qint64 t2 = clock.nsecsElapsed();
        TBalloon *b = c.ShowBalloon();
        if (!waitForPaint(fp))
            return 1;
        if (run > 0)
            bare.push_back((fp.at - t2) / 1e6);
        delete b;
    }
    const double mc = median(click), ml = median(lookup), mb = median(bare);
    std::printf("bench_balloon (%s, %d runs, medians)\n", qPrintable(QGuiApplication::platformName()), kRuns);
    std::printf("  click release -> balloon painted   %7.2f ms  (target <= 50 ms)\n", mc);
    std::printf("  verse lookup alone                 %7.2f ms  ratio click/lookup %.1f\n", ml, ml > 0 ? mc / ml : 0);
    std::printf("  balloon shown without lookup       %7.2f ms  ratio click/balloon %.2f\n", mb, mb > 0 ? mc / mb : 0);
    return 0;
}
