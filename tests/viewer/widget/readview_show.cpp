// Shows an RVF document in a TReadView until the time runs out, hovering the
// first verse link and selecting a word so a screenshot shows both looks.
#include "viewer/widget/readview.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTimer>

#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: readview_show FILE.rvf [MILLISECONDS]\n");
        return 2;
    }
    rv::TRVStyle style;
    style.LoadReaderDefaults();
    TReadView view;
    view.setObjectName(QStringLiteral("rvRevisar"));
    view.SetStyle(&style);
    view.setWindowTitle(QStringLiteral("Quenlor"));
    view.setGeometry(20, 20, 640, 520);
    view.show();
    if (!view.LoadRVFFromFile(argv[1])) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    view.FormatDocument();
    view.SearchText(u"amor", rv::rvsroDown);
    const auto &jumps = view.RVData().Jumps();
    if (!jumps.empty()) {
        const rv::TRVJumpInfo &j = jumps.front();
        QPoint p(j.Left + 3, j.Top + 3 - view.VScrollPos() * view.VScrollUnit());
        QMouseEvent e(QEvent::MouseMove, QPointF(p), view.viewport()->mapToGlobal(QPointF(p)), Qt::NoButton,
                      Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(view.viewport(), &e);
    }
    QTimer::singleShot(argc > 2 ? std::atoi(argv[2]) : 3000, &app, &QApplication::quit);
    return app.exec();
}
