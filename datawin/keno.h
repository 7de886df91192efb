// The Keno data window: its dataset on kenobase.dbf.
#pragma once

#include "datawin/data_window.h"

class TForm4 : public TDataWindow {
    Q_OBJECT
public:
    explicit TForm4(QWidget* parent = nullptr);
};
