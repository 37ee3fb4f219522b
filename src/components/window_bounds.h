// A top-level window's outer bounds (frame included), which is what users see
// and what is stored. Qt sizes the client area, and the frame's size is only
// known once the window manager has decorated the window, so an outer size set
// before then is corrected when the frame appears.
#pragma once
#include "platform/geometry.h"

class QWidget;

platform::Rect outerBounds(const QWidget *window);
void setOuterLeft(QWidget *window, int left);
void setOuterTop(QWidget *window, int top);
void setOuterWidth(QWidget *window, int width);
void setOuterHeight(QWidget *window, int height);
