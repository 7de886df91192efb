// Showing a window the user asked for from a menu, wherever it was left.
#pragma once

class QWidget;

// Shows the window, restored when it was minimised (with no taskbar a minimised window is
// otherwise lost), brought to the front and made active.
void BringWindowBack(QWidget& window);
