// The Keno data window: twenty 24-pixel number columns in a 536 × 265 window.
#include "datawin/keno.h"

namespace {

DataWindowLayout KenoLayout() {
    using B = TXbaseNavigateBtn;
    DataWindowLayout layout;
    layout.tableName = "kenobase.dbf";
    layout.caption = "База данных КЕНО";
    layout.left = 233;
    layout.top = 219;
    layout.clientWidth = 536;
    layout.clientHeight = 265;
    // The bar's leftmost 8 pixels lie outside the window, as the window was designed.
    layout.navigatorLeft = -8;
    layout.navigatorTop = 0;
    layout.navigatorWidth = 544;
    layout.navigatorHeight = 25;
    layout.visibleButtons = {B::nbTop,    B::nbPrev, B::nbNext,   B::nbBttm,
                             B::nbInsert, B::nbEdit, B::nbDelete, B::nbPost};
    layout.gridLeft = 0;
    layout.gridTop = 24;
    layout.gridWidth = 537;
    layout.gridHeight = 233;
    layout.gridFont = TFont{};  // the window font
    layout.gridTitleFont = TFont{"MS Sans Serif", -11, false, false, DEFAULT_CHARSET};
    layout.columnResize = true;
    for (int i = 1; i <= 20; ++i) layout.columns.push_back("K" + std::to_string(i));
    layout.columnWidth = 24;
    layout.columnFont = TFont{"Times New Roman", -13, false, false, RUSSIAN_CHARSET};
    layout.columnTitleFont = TFont{"Times New Roman", -11, true, false, RUSSIAN_CHARSET};
    layout.navigatorFirstInTabOrder = false;
    return layout;
}

}  // namespace

TForm4::TForm4(QWidget* parent) : TDataWindow(KenoLayout(), parent) { setObjectName("Form4"); }
