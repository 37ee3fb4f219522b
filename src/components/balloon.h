// Balloon popups: a borderless, always-on-top window with a rounded body and
// an arrow whose tip touches a screen point. It shows an icon, a bold title and
// lines of text, and goes away when clicked or when its time runs out.
#pragma once
#include "components/balloon_layout.h"

#include <QPixmap>
#include <QPointer>
#include <QRegion>
#include <QStringList>
#include <QTimer>
#include <QWidget>

class QLabel;
class QMenu;

enum TBalloonType { blnInfo, blnError, blnWarning, blnBiblia };
enum TBalloonHoriz { blnLeft, blnMiddle, blnRight };
enum TBalloonVert { blnTop, blnCenter, blnBottom };

// Resource name of a type's icon: "INFO", "ERROR", "WARNING" or "BIBLIA".
const char *balloonIconName(TBalloonType type);
// The 16 x 16 icon with that resource name ("INFO" for unknown names), drawn
// for a screen of the given device pixel ratio.
QPixmap balloonIcon(const char *name, qreal devicePixelRatio = 1.0);

// Lines joined with CR LF after each, then blanks and control characters
// trimmed from both ends (so no break follows the last line).
QString balloonText(const QStringList &lines);

// The shape of a balloon: the rounded body united with the arrow triangle.
QRegion balloonRegion(const BalloonPlacement &placement);

// A place in a label's text as it is drawn: line and character boundary.
struct TBalloonTextPos {
    int line = 0, column = 0;
    friend auto operator<=>(const TBalloonTextPos &, const TBalloonTextPos &) = default;
};

// A label that treats "&" as an accelerator marker, sized to its text. Its
// text can be selected (the owner drives the mouse gesture).
class TBalloonLabel : public QWidget {
public:
    explicit TBalloonLabel(QWidget *parent);
    void setText(const QString &text);
    QString text() const { return FText; }
    // The lines as drawn: accelerator markers removed, "&&" shown as "&".
    const QStringList &displayLines() const { return FLines; }

    // The boundary nearest to a point in the label's coordinates (clamped).
    TBalloonTextPos positionAt(QPoint p) const;
    void setSelection(TBalloonTextPos anchor, TBalloonTextPos end);
    void clearSelection() { setSelection({}, {}); }
    bool hasSelection() const { return FAnchor != FEnd; }
    // The selected characters as drawn, lines joined with "\n".
    QString selectedText() const;

protected:
    void paintEvent(QPaintEvent *) override;

private:
    int lineHeight() const;
    int xOf(int line, int column) const;

    QString FText;
    QStringList FLines;
    TBalloonTextPos FAnchor, FEnd;
};

// The popup window. It owns and destroys itself.
class TBalloon : public QWidget {
    Q_OBJECT
public:
    TBalloon();
    void ShowAt(int x, int y, TBalloonPosition position, int duration, TBalloonType type,
                const QString &text, const QString &title);

    // Title and lines as plain text, one line each ("Copiar versículos").
    QString plainText() const;
    // Puts the title and lines, or the selected characters, on the clipboard.
    void copyAll();
    void copySelection();
    // The context menu's commands, built on first use.
    QMenu *contextMenu();

    // Parts, for callers that need to look (tests, accessibility).
    QLabel *iconImage() const { return FIcon; }
    TBalloonLabel *titleLabel() const { return FTitle; }
    TBalloonLabel *textLabel() const { return FText; }
    QTimer *closeTimer() const { return FCloseTimer; }
    const BalloonPlacement &placement() const { return FPlacement; }
    // The screen point the arrow tip touches.
    QPoint tipOnScreen() const { return pos() + QPoint(FPlacement.tip.x, FPlacement.tip.y); }

signals:
    // "Cerrar todos los globos" from this balloon's menu.
    void closeAllRequested();

protected:
    bool event(QEvent *e) override;
    void paintEvent(QPaintEvent *) override;
    void mousePressEvent(QMouseEvent *) override;
    void mouseMoveEvent(QMouseEvent *) override;
    void mouseReleaseEvent(QMouseEvent *) override;
    void contextMenuEvent(QContextMenuEvent *) override;
    void changeEvent(QEvent *e) override;

private:
    void KeepOnTop();
    void PaintFrame(QPainter &p);
    QPoint inText(QPoint p) const { return p - FText->pos(); }

    QMenu *FMenu = nullptr;
    QPoint FPressPos;
    bool FPressed = false, FSelecting = false;
    QRegion FFrame; // the outline's pixels, kept with the mask

    QLabel *FIcon;
    TBalloonLabel *FTitle;
    TBalloonLabel *FText;
    QTimer *FCloseTimer;
    BalloonPlacement FPlacement;
};

// The settings of a balloon; every ShowBalloon makes a new window from them.
class TBalloonControl : public QObject {
    Q_OBJECT
public:
    explicit TBalloonControl(QObject *owner = nullptr) : QObject(owner) {}

    QStringList Text;
    QString Title;
    int Duration = 0; // seconds; 0 keeps the balloon until it is clicked
    TBalloonHoriz Horizontal = blnLeft; // kept, not used when showing
    TBalloonVert Vertical = blnTop;     // kept, not used when showing
    TBalloonPosition Position = blnArrowTopLeft;
    QPointer<QWidget> Control;          // kept, not used when showing
    int PixelCoordinateX = 0;
    int PixelCoordinateY = 0;
    TBalloonType BalloonType = blnInfo;

    // Shows a new balloon with the current settings and returns it; it
    // deletes itself when closed.
    TBalloon *ShowBalloon();
};
