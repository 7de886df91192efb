// Start-up and the run of the program.
#include "app/startup.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <string>
#include <vector>

#include "app/display_failure.h"
#include "app/kept_choices.h"
#include "app/menu_keys.h"
#include "app/view_menu.h"
#include "platform/exception.h"
#include "toolkit/dialogs.h"

ProgramWindows::~ProgramWindows() {
    // The detail and data windows go first, then the About window, then the main window.
    Detail.reset();
    Form4.reset();
    Form3.reset();
    Form2.reset();
    Form1.reset();
}

std::unique_ptr<ProgramWindows> CreateProgramWindows() {
    // The games of the tables' folder (the current one) join the program's own before any window.
    std::vector<std::string> mistakes;
    LoadFolderGames("", &mistakes);  // in the window's words
    auto windows = std::make_unique<ProgramWindows>();
    try {
        windows->Form1 = std::make_unique<TForm1>();
        windows->Form2 = std::make_unique<TForm2>();
        windows->Form3 = std::make_unique<TForm3>();
        windows->Form4 = std::make_unique<TForm4>();
        windows->Detail = std::make_unique<TDetailWindow>();
    } catch (const Exception& error) {
        windows.reset();
        ShowErrorBox(std::string(error.ClassName()) + ": " + error.Message());
        return nullptr;
    } catch (const std::exception& error) {
        windows.reset();
        ShowErrorBox(error.what());
        return nullptr;
    }
    windows->Form1->SetWindows(windows->Form2.get(), {windows->Form3.get(), windows->Form4.get()});
    InstallViewMenu(*windows->Form1, *windows->Detail);
    windows->Form1->ArrangeMenuBar();
    InstallKeptChoices(*windows);
    InstallMenuKeys(*windows->Form1);
    // What start-up left out, said once: the games.ini lines that define no game, and the
    // further games whose tables would not open. Every other game serves.
    std::string notes;
    for (const std::string& line : mistakes) notes += line + "\n";
    for (const std::string& line : windows->Form1->StartUpNotes()) notes += line + "\n";
    if (!notes.empty()) {
        std::string games;
        for (const Game* game : windows->Form1->GamesShown())
            games += std::string(games.empty() ? "" : ", ") + game->menu.menuCaption;
        ShowMessage(notes + "\nРаботают игры: " + games + ".");
    }
    return windows;
}

QTranslator* InstallQtTranslations(QApplication& application) {
    // The program speaks Russian whatever the desktop's language, so the file dialogs, the
    // message boxes' buttons and the context menus Qt draws itself speak it too. Without Qt's
    // Russian catalogue (qt6-translations-l10n) they stay in English and nothing else changes.
    auto* translator = new QTranslator(&application);
    if (translator->load("qtbase_ru", QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        application.installTranslator(translator);
        return translator;
    }
    delete translator;
    return nullptr;
}

int RunProgram(int argc, char** argv) {
    auto noDisplay = std::make_unique<DisplayFailureReport>();
    QApplication application(argc, argv);
    noDisplay.reset();
    InstallQtTranslations(application);
    // The main window's close ends the program, not the last window's.
    application.setQuitOnLastWindowClosed(false);
    SetApplicationTitleFromPath(argc > 0 ? argv[0] : "sharometr");
    SetKeptChoicesFile(DefaultChoicesFile());
    std::unique_ptr<ProgramWindows> windows = CreateProgramWindows();
    if (!windows) return 1;
    windows->Form1->show();
    ReopenKeptWindows(*windows);
    QObject::connect(&application, &QCoreApplication::aboutToQuit, [&windows] { KeepWindows(*windows); });
    return application.exec();
}
