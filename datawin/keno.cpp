// The Keno data window: the game's window with its dataset on kenobase.dbf.
#include "datawin/keno.h"

TForm4::TForm4(QWidget* parent) : TDataWindow(kKeno, parent) {}
