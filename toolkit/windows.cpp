#include "toolkit/windows.h"

#include <QWidget>

void BringWindowBack(QWidget& window) {
    // Only the minimised flag goes: whatever else the window's state holds stays.
    if (window.windowState() & Qt::WindowMinimized) {
        window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    }
    window.show();
    window.raise();
    window.activateWindow();
}
