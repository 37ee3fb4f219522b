// Verse balloons and the view as a reader meets them in the main window:
// opened from the keyboard, one per link, closed by keys and menus, moving
// and hiding with the window; the viewer's zoom by keys and Ctrl+wheel.
#include "link_point.h"
#include "scratch_reader.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

namespace {

const QString kSample = QStringLiteral(QUENLOR_TEST_DATA "/Estudios/Juan3.rvf");

class Reader : public ScratchReader {
public:
    void ShowMessage(const ReaderMessage &m) override { messages << m.text; }
    QStringList messages;
};

void showAndOpen(Reader &w)
{
    w.show();
    QApplication::setActiveWindow(&w);
    QCoreApplication::processEvents();
    w.xmlBiblia.SetDataBase(QUENLOR_TEST_DATA "/");
    ASSERT_TRUE(w.OpenDocument(kSample));
    w.rvRevisar->setFocus();
}

QList<TBalloon *> visibleBalloons()
{
    QList<TBalloon *> out;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *b = qobject_cast<TBalloon *>(w); b && b->isVisible())
            out << b;
    return out;
}

void settle()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Moves the keyboard focus to the link with that text; its jump id.
int focusLink(Reader &w, const std::string &text)
{
    rv::TReadViewRVData &d = w.rvRevisar->RVData();
    d.SetFocusedItem(-1);
    while (d.FocusNext(false))
        if (w.rvRevisar->ItemText(d.FocusedItem()) == text)
            return d.JumpIndexOf(d.FocusedItem()) + d.FirstJumpNo();
    return -1;
}


void clickLink(Reader &w, const std::string &text)
{
    const QPoint at = linkPoint(w.rvRevisar, text);
    ASSERT_GE(at.x(), 0) << text;
    QWidget *vp = w.rvRevisar->viewport();
    QCursor::setPos(vp->mapToGlobal(at));
    const QPointF global = vp->mapToGlobal(QPointF(at));
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(at), global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(vp, &press);
    QCoreApplication::sendEvent(vp, &release);
}

TEST(VerseBalloonKeys, EnterOnAFocusedLinkPointsAtTheLink)
{
    Reader w;
    showAndOpen(w);
    const QRect window = w.frameGeometry();
    for (const std::string link : {"Jn:3:16", "Jn:3:16-18", "Ro:8:28"}) {
        SCOPED_TRACE(link);
        w.Balloons->closeAll();
        settle();
        // The mouse rests in a far corner of the window.
        QCursor::setPos(window.bottomRight() - QPoint(3, 3));
        const int id = focusLink(w, link);
        ASSERT_GE(id, 0);
        QTest::keyClick(w.rvRevisar, Qt::Key_Return);
        settle();
        const QList<TBalloon *> shown = visibleBalloons();
        ASSERT_EQ(shown.size(), 1);
        const QRect r = w.rvRevisar->JumpRect(id);
        const QRect onScreen(w.rvRevisar->viewport()->mapToGlobal(r.topLeft()), r.size());
        const QPoint tip = shown[0]->tipOnScreen();
        EXPECT_EQ(tip.x(), onScreen.center().x());
        // Above the link the tip touches its top edge, below it its bottom edge.
        const bool above = !arrowOnTop(w.Balloon->Position);
        EXPECT_EQ(tip.y(), above ? onScreen.top() : onScreen.bottom() + 1);
        EXPECT_EQ(w.Balloon->Position, balloonPositionFor(onScreen.center(), window));
        EXPECT_GT((tip - QCursor::pos()).manhattanLength(), 50);
    }
}

TEST(VerseBalloonKeys, OneBalloonPerLinkHoweverOftenItIsOpened)
{
    Reader w;
    showAndOpen(w);
    ASSERT_GE(focusLink(w, "Jn:3:16"), 0);
    // Holding Enter repeats the key.
    QTest::keyClick(w.rvRevisar, Qt::Key_Return);
    for (int i = 0; i < 22; ++i) {
        QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QString("\r"), true);
        QCoreApplication::sendEvent(w.rvRevisar, &repeat);
    }
    settle();
    ASSERT_EQ(visibleBalloons().size(), 1);
    QPointer<TBalloon> first = visibleBalloons()[0];
    // A click on the same link brings that balloon forward instead.
    clickLink(w, "Jn:3:16");
    settle();
    EXPECT_EQ(visibleBalloons(), QList<TBalloon *>{first});
    // Another link has its own.
    clickLink(w, "Ro:8:28");
    settle();
    EXPECT_EQ(visibleBalloons().size(), 2);
    EXPECT_EQ(w.Balloons->count(), 2);
    // Once closed, the link opens a fresh one.
    first->close();
    settle();
    clickLink(w, "Jn:3:16");
    settle();
    EXPECT_EQ(w.Balloons->count(), 2);
}

TEST(VerseBalloonKeys, EscClosesTheNewestAndCtrlShiftWAll)
{
    Reader w;
    showAndOpen(w);
    EXPECT_FALSE(w.opcCerrarGlobo->isEnabled()); // Esc stays free without balloons
    for (const std::string link : {"Jn:3:16", "Ro:8:28", "Jn:3:16-18"})
        clickLink(w, link);
    settle();
    ASSERT_EQ(w.Balloons->count(), 3);
    EXPECT_TRUE(w.opcCerrarGlobo->isEnabled());
    const QString newest = w.Balloons->balloons().last()->titleLabel()->text();
    EXPECT_EQ(newest, "Jn 3:16..18");
    QTest::keyClick(w.rvRevisar, Qt::Key_Escape);
    settle();
    ASSERT_EQ(w.Balloons->count(), 2);
    EXPECT_EQ(w.Balloons->balloons().last()->titleLabel()->text(), "Ro 8:28");
    QTest::keyClick(w.rvRevisar, Qt::Key_W, Qt::ControlModifier | Qt::ShiftModifier);
    settle();
    EXPECT_EQ(w.Balloons->count(), 0);
    EXPECT_TRUE(visibleBalloons().isEmpty());
    EXPECT_FALSE(w.opcCerrarGlobo->isEnabled());

    // The viewer's context menu offers the same.
    EXPECT_TRUE(w.pmuEditor->actions().contains(w.opcCerrarGlobos));
    EXPECT_EQ(QString(w.opcCerrarGlobos->text()).remove(QLatin1Char('&')), QStringLiteral("Cerrar todos los globos"));
    clickLink(w, "Jn:3:16");
    settle();
    w.opcCerrarGlobos->trigger();
    settle();
    EXPECT_TRUE(visibleBalloons().isEmpty());
}

TEST(VerseBalloonKeys, BalloonsMoveWithTheWindowAndHideWhileItIsMinimised)
{
    Reader w;
    showAndOpen(w);
    clickLink(w, "Jn:3:16");
    clickLink(w, "Ro:8:28");
    settle();
    ASSERT_EQ(visibleBalloons().size(), 2);
    const QPoint tip0 = w.Balloons->balloons()[0]->tipOnScreen(), tip1 = w.Balloons->balloons()[1]->tipOnScreen();
    const QPoint before = w.pos();
    w.move(w.pos() + QPoint(-25, 40));
    settle();
    const QPoint moved = w.pos() - before; // the screen may hold the window back a little
    ASSERT_NE(moved, QPoint());
    EXPECT_EQ(w.Balloons->balloons()[0]->tipOnScreen(), tip0 + moved);
    EXPECT_EQ(w.Balloons->balloons()[1]->tipOnScreen(), tip1 + moved);
    w.showMinimized();
    settle();
    EXPECT_TRUE(visibleBalloons().isEmpty());
    w.showNormal();
    settle();
    EXPECT_EQ(visibleBalloons().size(), 2);
}

// ---------------------------------------------------------------- zoom

int firstTextWidth(TReadView *v)
{
    const auto &list = v->RVData().DrawItemList();
    for (int i = 0; i < list.Count(); ++i)
        if (list[i].Width > 40 && v->RVData().GetItem(list[i].ItemNo).IsText())
            return list[i].Width;
    return 0;
}

void ctrlWheel(TReadView *v, int delta)
{
    const QPointF at(20, 20);
    QWheelEvent e(at, v->viewport()->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::ControlModifier,
                  Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(v->viewport(), &e);
}

TEST(ReaderZoom, CtrlWheelAndKeysZoomAndTheZoomIsKept)
{
    TfrmWinReader::SaveZoom(100);
    int plainWidth = 0;
    {
        Reader w;
        showAndOpen(w);
        w.resize(1400, 800); // wide enough that no line wraps at 200 %
        QCoreApplication::processEvents();
        EXPECT_EQ(w.rvRevisar->Zoom(), 100);
        plainWidth = firstTextWidth(w.rvRevisar);
        ASSERT_GT(plainWidth, 0);
        const int plainVPos = w.rvRevisar->VScrollMax();

        ctrlWheel(w.rvRevisar, 120);
        EXPECT_EQ(w.rvRevisar->Zoom(), 110);
        ctrlWheel(w.rvRevisar, 60); // half a notch waits for the other half
        EXPECT_EQ(w.rvRevisar->Zoom(), 110);
        ctrlWheel(w.rvRevisar, 60);
        EXPECT_EQ(w.rvRevisar->Zoom(), 125);
        ctrlWheel(w.rvRevisar, -120);
        EXPECT_EQ(w.rvRevisar->Zoom(), 110);

        struct Step {
            Qt::Key key;
            Qt::KeyboardModifiers mods;
            int zoom;
        } steps[] = {
            {Qt::Key_0, Qt::ControlModifier, 100},  {Qt::Key_Plus, Qt::ControlModifier, 110},
            {Qt::Key_Equal, Qt::ControlModifier, 125}, {Qt::Key_Minus, Qt::ControlModifier, 110},
            {Qt::Key_Minus, Qt::ControlModifier, 100}, {Qt::Key_Minus, Qt::ControlModifier, 90},
        };
        for (const Step &s : steps) {
            QTest::keyClick(w.rvRevisar, s.key, s.mods);
            EXPECT_EQ(w.rvRevisar->Zoom(), s.zoom) << s.key;
        }
        // The ends hold.
        for (int i = 0; i < 20; ++i)
            w.rvRevisar->ZoomOut();
        EXPECT_EQ(w.rvRevisar->Zoom(), 50);
        w.rvRevisar->SetZoom(1000);
        EXPECT_EQ(w.rvRevisar->Zoom(), 400);

        // At 200 % the text is laid out again at twice the size: the same
        // piece is twice as wide, and the document is taller.
        w.rvRevisar->SetZoom(200);
        EXPECT_NEAR(firstTextWidth(w.rvRevisar), 2 * plainWidth, 4);
        EXPECT_GT(w.rvRevisar->VScrollMax(), plainVPos);
        // Hit testing follows: a click on the link where it now stands opens it.
        w.rvRevisar->ScrollTo(0);
        const int id = focusLink(w, "Jn:3:16");
        w.rvRevisar->RVData().SetFocusedItem(-1);
        ASSERT_GE(id, 0);
        clickLink(w, "Jn:3:16");
        settle();
        ASSERT_EQ(w.Balloons->count(), 1);
        EXPECT_EQ(w.Balloons->balloons()[0]->titleLabel()->text(), "Jn 3:16");
    }
    // The next run starts at the zoom the last one left.
    Reader again;
    EXPECT_EQ(again.rvRevisar->Zoom(), 200);
    showAndOpen(again);
    again.resize(1400, 800);
    QCoreApplication::processEvents();
    EXPECT_NEAR(firstTextWidth(again.rvRevisar), 2 * plainWidth, 4);
    TfrmWinReader::SaveZoom(100);
}

TEST(ReaderZoom, FirstStartSizeGrowsWithLargeScreens)
{
    const struct {
        QSize available, size;
    } cases[] = {
        {QSize(800, 570), QSize(700, 549)},   // small screen: the designed size
        {QSize(1024, 740), QSize(700, 549)},
        {QSize(1280, 870), QSize(793, 622)},
        {QSize(1920, 1050), QSize(957, 751)},
        {QSize(3840, 2100), QSize(1120, 878)}, // at most 1.6 times
        {QSize(640, 480), QSize(700, 549)},    // never below the designed size
        {QSize(), QSize(700, 549)},
    };
    for (const auto &c : cases)
        EXPECT_EQ(defaultReaderSize(c.available), c.size) << c.available.width() << "x" << c.available.height();
}

} // namespace
