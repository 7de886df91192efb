// The SuperLoto data window: its dataset on lotobase.dbf.
#pragma once

#include "datawin/data_window.h"

class TForm3 : public TDataWindow {
    Q_OBJECT
public:
    explicit TForm3(QWidget* parent = nullptr);
};
