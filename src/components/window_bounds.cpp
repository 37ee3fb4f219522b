#include "components/window_bounds.h"

#include <QEvent>
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

#include "window_bounds.moc"
