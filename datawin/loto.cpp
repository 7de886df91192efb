// The SuperLoto data window.
#include "datawin/loto.h"

TForm3::TForm3(QWidget* parent)
    : TDataWindow("lotobase.dbf", QString::fromUtf8("База данных СУПЕРЛОТО"), parent) {
    move(237, 106);
    setFixedSize(280, 274);
}
