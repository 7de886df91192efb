// Start-up: the four windows made in their order, each opening its datasets, and the program's
// run. A failure while a window is made is reported with its kind and message, and the program
// ends before any window is shown.
#pragma once

#include <memory>

#include "app/about.h"
#include "app/calcul.h"
#include "app/detail_window.h"
#include "datawin/keno.h"
#include "datawin/loto.h"

class QApplication;
class QTranslator;

struct ProgramWindows {
    std::unique_ptr<TForm1> Form1;
    std::unique_ptr<TForm2> Form2;
    std::unique_ptr<TForm3> Form3;
    std::unique_ptr<TForm4> Form4;
    // "Подробно", made after the four.
    std::unique_ptr<TDetailWindow> Detail;
    ~ProgramWindows();
};

// Makes the windows; on a failure shows the error box and returns null.
std::unique_ptr<ProgramWindows> CreateProgramWindows();

// Qt's own words (file dialogs, standard buttons) in Russian, from Qt's catalogue when the
// system has it (the application owns the catalogue given back); null when it has not.
QTranslator* InstallQtTranslations(QApplication& application);

// The program: title, windows, message loop. Returns the exit status (1 when start-up failed).
int RunProgram(int argc, char** argv);
