// The main window's "Вид" menu: "Подробно", the window that follows the analyses' values, a
// "Карта тиражей" of every game, and "Масштабировать табло". The window of history in force is shown by the windows it
// opens.
#pragma once

#include <QString>

#include "analysis/analyses.h"
#include "analysis/draw_reader.h"
#include "analysis/game.h"

class TForm1;
class TDetailWindow;
struct DetailValues;

// What "Подробно" shows of a command's result.
DetailValues DetailOf(const Game& game, const Analysis& analysis, const AnalysisResult& result,
                      const HistoryWindow& history);

// Adds the menu before "?" and makes the detail window follow the main window's analyses.
void InstallViewMenu(TForm1& form, TDetailWindow& detail);
