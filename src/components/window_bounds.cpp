#include "components/window_bounds.h"

#include <QEvent>

#include <algorithm>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace {

QSize frameExtra(const QWidget *w)
{
    return w->frameGeometry().size() - w->geometry().size();
}

// Remembers the outer size asked for while the frame is unknown, and applies
// it again once the frame has appeared. It gives up shortly after the first
// show, so a frame that comes and goes later (full screen) is left alone.
class OuterSizeKeeper : public QObject {
    Q_OBJECT // findChild needs the type's own meta-object
public:
    explicit OuterSizeKeeper(QWidget *w) : QObject(w), window_(w) { w->installEventFilter(this); }

    static OuterSizeKeeper *of(QWidget *w)
    {
        auto *k = w->findChild<OuterSizeKeeper *>(QString(), Qt::FindDirectChildrenOnly);
        return k ? k : new OuterSizeKeeper(w);
    }

    QSize wanted;

protected:
    bool eventFilter(QObject *o, QEvent *e) override
    {
        if (o != window_)
            return false;
        switch (e->type()) {
        case QEvent::Show:
            if (!timing_) {
                timing_ = true;
                QTimer::singleShot(2000, this, [this] { deleteLater(); });
            }
            [[fallthrough]];
        case QEvent::Move:
        case QEvent::Resize:
            apply();
            break;
        default:
            break;
        }
        return false;
    }

private:
    void apply()
    {
        const QSize extra = frameExtra(window_);
        if (extra.isNull())
            return;
        const QSize inner = (wanted - extra).expandedTo(QSize(1, 1));
        window_->removeEventFilter(this);
        if (window_->size() != inner)
            window_->resize(inner);
        deleteLater();
    }

    QWidget *window_;
    bool timing_ = false;
};

void setOuterSize(QWidget *w, QSize outer)
{
    const QSize extra = frameExtra(w);
    w->resize((outer - extra).expandedTo(QSize(1, 1)));
    if (extra.isNull())
        OuterSizeKeeper::of(w)->wanted = outer;
}

} // namespace

platform::Rect outerBounds(const QWidget *w)
{
    const QRect f = w->frameGeometry();
    return {f.left(), f.top(), f.left() + f.width(), f.top() + f.height()};
}

// For a top-level window, move() places the frame's top-left corner.
void setOuterLeft(QWidget *w, int left)
{
    w->move(left, w->frameGeometry().top());
}

void setOuterTop(QWidget *w, int top)
{
    w->move(w->frameGeometry().left(), top);
}

void setOuterWidth(QWidget *w, int width)
{
    setOuterSize(w, QSize(width, w->frameGeometry().height()));
}

void setOuterHeight(QWidget *w, int height)
{
    setOuterSize(w, QSize(w->frameGeometry().width(), height));
}

QRect KeepOnScreens(const QRect &outer, const QList<QRect> &screens)
{
    if (screens.isEmpty() || outer.isEmpty())
        return outer;
    // The caption strip: a window whose strip shows at least this much on one
    // screen can be reached and moved by the user.
    constexpr int kCaption = 30, kMinVisible = 100;
    const QRect caption(outer.left(), outer.top(), outer.width(), std::min(kCaption, outer.height()));
    for (const QRect &s : screens) {
        const QRect seen = caption & s;
        if (seen.width() >= std::min(kMinVisible, outer.width()) && seen.top() == outer.top())
            return outer;
    }
    const QRect *best = &screens.first();
    qint64 bestArea = -1;
    for (const QRect &s : screens) {
        const QRect common = outer & s;
        const qint64 area = common.isEmpty() ? 0 : qint64(common.width()) * common.height();
        if (area > bestArea) {
            bestArea = area;
            best = &s;
        }
    }
    const QRect &s = *best;
    QRect r(outer.topLeft(), outer.size().boundedTo(s.size()));
    r.moveLeft(std::clamp(r.left(), s.left(), s.left() + s.width() - r.width()));
    r.moveTop(std::clamp(r.top(), s.top(), s.top() + s.height() - r.height()));
    return r;
}

#include "window_bounds.moc"
