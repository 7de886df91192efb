// The SuperLoto data window: six 40-pixel number columns in a 280 × 274 window.
#include "datawin/loto.h"

namespace {

DataWindowLayout LotoLayout() {
    using B = TXbaseNavigateBtn;
    DataWindowLayout layout;
    layout.tableName = "lotobase.dbf";
    layout.caption = "База данных СУПЕРЛОТО";
    layout.left = 237;
    layout.top = 106;
    layout.clientWidth = 280;
    layout.clientHeight = 274;
    layout.navigatorLeft = 0;
    layout.navigatorTop = 0;
    layout.navigatorWidth = 280;
    layout.navigatorHeight = 25;
    layout.visibleButtons = {B::nbTop, B::nbPrev, B::nbNext, B::nbBttm, B::nbInsert, B::nbDelete, B::nbPost};
    layout.gridLeft = 0;
    layout.gridTop = 24;
    layout.gridWidth = 280;
    layout.gridHeight = 250;
    layout.gridFont = TFont{"Times New Roman", -13, true, false, RUSSIAN_CHARSET};
    layout.gridTitleFont = TFont{"MS Sans Serif", -13, true, false, DEFAULT_CHARSET};
    layout.columnResize = false;
    layout.columns = {"C1", "C2", "C3", "C4", "C5", "C6"};
    layout.columnWidth = 40;
    layout.columnFont = TFont{"Times New Roman", -13, false, false, RUSSIAN_CHARSET};
    layout.columnTitleFont = layout.gridTitleFont;
    layout.navigatorFirstInTabOrder = true;
    return layout;
}

}  // namespace

TForm3::TForm3(QWidget* parent) : TDataWindow(LotoLayout(), parent) { setObjectName("Form3"); }
