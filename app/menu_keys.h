// The keyboard habits of a Linux desktop for a window's menu bar: F10 and Alt open it and the
// arrow keys walk it, and each caption gets a mnemonic that is underlined only while the menu is
// used from the keyboard, so that at rest every caption looks as it is written.
#pragma once

class QMainWindow;
class QMenuBar;

// Gives every menu of the bar and every item of its menus a mnemonic, the first letter of its
// caption not taken by an earlier sibling (a caption without a free letter gets none); the
// visible text stays as written.
void AddMnemonics(QMenuBar& bar);

// F10 and a lone Alt open the window's menu bar, with the mnemonics shown until the menu is
// left; calls AddMnemonics, and again for menus and items added to the bar later.
void InstallMenuKeys(QMainWindow& window);
