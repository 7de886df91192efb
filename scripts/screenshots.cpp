// Takes the README's screenshots from the program itself: its windows, made as at start-up in the
// current folder (which holds the sample tables), driven through their menu items, and grabbed
// from the screen they are shown on (Xvfb, by scripts/make_screenshots.sh).
// Usage: sharometr-screenshots OUTPUT_DIR
#include <QAction>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QSpinBox>
#include <QToolButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <QScreen>
#include <QThread>

#include <cstdio>
#include <string>

#include "app/draw_map.h"
#include "app/import_dialog.h"
#include "app/startup.h"
#include "app/wheel_dialog.h"
#include "toolkit/dialogs.h"

namespace {

// Lets the window system show and paint what was asked.
void settle() {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 500) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(20);
    }
}

bool save(QWidget& window, const std::string& path) {
    settle();
    const QPixmap shot = window.screen()->grabWindow(window.winId());
    if (shot.isNull() || !shot.save(QString::fromStdString(path), "PNG")) {
        std::fprintf(stderr, "screenshots: could not write %s\n", path.c_str());
        return false;
    }
    std::printf("%s: %d x %d\n", path.c_str(), shot.width(), shot.height());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: sharometr-screenshots OUTPUT_DIR\n");
        return 2;
    }
    const std::string out = argv[1];
    QApplication application(argc, argv);
    SetApplicationTitleFromPath("sharometr");
    std::unique_ptr<ProgramWindows> windows = CreateProgramWindows();
    if (!windows) return 1;
    TForm1& main = *windows->Form1;
    main.move(0, 0);
    main.show();

    bool ok = true;
    main.MenuItem("N9")->trigger();  // СуперЛото > Гистограмма
    ok = save(main, out + "/main-window.png") && ok;
    main.MenuItem("N16")->trigger();  // Кено > Расчет вероятности
    ok = save(main, out + "/main-window-keno.png") && ok;

    main.MenuItem("N5")->trigger();  // Данные > СуперЛото
    windows->Form3->move(700, 0);
    ok = save(*windows->Form3, out + "/data-window.png") && ok;
    windows->Form3->hide();

    main.MenuItem("N14")->trigger();      // Кено > Гистограмма
    main.MenuItem("NDetail")->trigger();  // Вид > Подробно
    windows->Detail->move(0, 0);
    windows->Detail->resize(1000, 460);
    ok = save(*windows->Detail, out + "/detail-window.png") && ok;
    windows->Detail->hide();

    main.MenuItem("NDrawMaploto")->trigger();  // Вид > Карта тиражей: СуперЛото
    auto* map = main.findChild<TDrawMapWindow*>("DrawMaploto");
    if (!map) return 1;
    map->move(0, 0);
    map->resize(map->width(), 560);
    map->NumbersBox().setText("7 14 21 28");
    map->HighlightTyped();
    map->ShowGaps(7);
    ok = save(*map, out + "/draw-map.png") && ok;
    map->hide();

    // Данные > Импорт тиражей, with an archive's lines pasted: the sample table is proposed for
    // replacement, the newest-first order found.
    TImportDialog import(kSuperLoto, kSuperLoto.tableFileName);
    import.LoadText(
        QString::fromUtf8("Тираж;Дата;Номера\n1236;07.12.2026;\"3,17,22,31,40,48\"\n"
                          "1235;06.12.2026;\"5,9,12,27,33,41\"\n1234;05.12.2026;\"1,8,19,24,36,45\"\n"));
    import.move(0, 340);
    import.show();
    ok = save(import, out + "/import-dialog.png") && ok;
    import.hide();

    // СуперЛото > Составить систему…: twelve numbers, «3 из 3», past draws left out.
    TWheelDialog wheel(kSuperLoto, main.XbaseDataSet1(), main.History());
    for (const int n : {3, 7, 11, 12, 15, 19, 22, 28, 31, 40, 44, 49}) wheel.NumberButton(n).click();
    wheel.Seconds().setValue(3);
    wheel.Price().setValue(100);
    wheel.DrawnFilter().setChecked(true);
    wheel.move(0, 0);
    wheel.show();
    wheel.Make();
    ok = save(wheel, out + "/wheel-dialog.png") && ok;
    return ok ? 0 : 1;
}
