// The Keno data window.
#include "datawin/keno.h"

TForm4::TForm4(QWidget* parent)
    : TDataWindow("kenobase.dbf", QString::fromUtf8("База данных КЕНО"), parent) {
    move(233, 219);
    setFixedSize(536, 265);
}
