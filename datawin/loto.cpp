// The SuperLoto data window: the game's window with its dataset on lotobase.dbf.
#include "datawin/loto.h"

TForm3::TForm3(QWidget* parent) : TDataWindow(kSuperLoto, parent) {}
