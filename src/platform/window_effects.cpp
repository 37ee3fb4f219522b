#include "window_effects.h"

#include <QWindow>

#ifdef _WIN32
#include <windows.h>
#endif

namespace platform {

void addDropShadow(QWindow *window)
{
    if (!window)
        return;
#ifdef _WIN32
    HWND hwnd = reinterpret_cast<HWND>(window->winId());
    SetClassLongPtrW(hwnd, GCL_STYLE, GetClassLongPtrW(hwnd, GCL_STYLE) | CS_DROPSHADOW);
#endif
}

} // namespace platform
