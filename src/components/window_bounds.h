// A top-level window's outer bounds (frame included), which is what users see
// and what is stored. Qt sizes the client area, and the frame's size is only
// known once the window manager has decorated the window, so an outer size set
// before then is corrected when the frame appears.
#pragma once
#include "platform/geometry.h"

#include <QList>
#include <QRect>

class QWidget;

platform::Rect outerBounds(const QWidget *window);
void setOuterLeft(QWidget *window, int left);
void setOuterTop(QWidget *window, int top);
void setOuterWidth(QWidget *window, int width);
void setOuterHeight(QWidget *window, int height);

// Where a window with outer bounds `outer` should go so that the screens
// (their available areas) show it: unchanged when enough of its top edge -
// the part one drags it by - lies on a screen; otherwise moved (and shrunk
// when larger) onto the screen it overlaps most, or the first screen.
QRect KeepOnScreens(const QRect &outer, const QList<QRect> &screens);
