// The error box and window centring shared by all dialogs.
#include "ui/error_box.h"

const char kDefaultErrorCaption[] = "QEV Firwmare Upgrade Error";

void ShowUpgradeError(const char* text, const char* caption) {
    ShowMessageBox(nullptr, text, caption != nullptr ? caption : kDefaultErrorCaption);
}

void CenterWindow(WindowHandle window) {
    WindowRect rect;
    if (!GetWindowRectangle(window, &rect)) return;
    int screenWidth = 0, screenHeight = 0;
    GetScreenSize(&screenWidth, &screenHeight);
    // Arithmetic shifts: a window larger than the screen gets negative
    // coordinates rounded toward minus infinity, its centre on the screen's.
    int x = (screenWidth - (rect.right - rect.left)) >> 1;
    int y = (screenHeight - (rect.bottom - rect.top)) >> 1;
    MoveWindowToTop(window, x, y);
}
