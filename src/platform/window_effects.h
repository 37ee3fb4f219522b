// Window decorations that only the system can give.
#pragma once

class QWindow;

namespace platform {

// Gives a top-level window the system's drop shadow (CS_DROPSHADOW on Windows).
// Elsewhere the compositor shadows splash and popup windows by itself, so this
// does nothing there.
void addDropShadow(QWindow *window);

} // namespace platform
