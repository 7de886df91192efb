// The main window: its settings, the menu and its handlers.
#include "app/calcul.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>

#include "analysis/board.h"
#include "analysis/commands.h"
#include "analysis/draw_datasets.h"
#include "app/about.h"
#include "datawin/keno.h"
#include "datawin/loto.h"
#include "toolkit/dialogs.h"
#include "sharometr_version.h"
#include "toolkit/shell.h"

std::array<std::int32_t, 49> LotoValues{};
std::array<std::int32_t, 80> KenoValues{};
std::array<std::int32_t, 49> LotoPeriods{};
std::array<std::int32_t, 80> KenoPeriods{};

namespace {

constexpr int kClientWidth = 665;
constexpr int kClientHeight = 314;

// The wait cursor for the length of one command, back to normal however the command ends.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace

TForm1::TForm1(QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                              Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName("Form1");
    setWindowTitle(QString::fromUtf8("Программный комплекс ШАРОМЕТР версия " SHAROMETR_VERSION));
    setWindowIcon(QIcon(QStringLiteral(":/icons/sharometr.xpm")));
    QFont font(QString::fromUtf8(TCanvas::DefaultFontName()));
    font.setPixelSize(11);
    setFont(font);

    auto* client = new QWidget(this);
    client->setObjectName("ClientArea");
    client->setFixedSize(kClientWidth, kClientHeight);
    QPalette palette = client->palette();
    palette.setColor(QPalette::Window, QColor(0x80, 0x80, 0x80));
    client->setPalette(palette);
    client->setAutoFillBackground(true);
    m_image = new TImage(client);
    m_image->setObjectName("Image1");
    m_image->setGeometry(0, 0, board::kWidth, board::kHeight);
    setCentralWidget(client);

    QMenuBar* bar = menuBar();
    bar->setObjectName("MainMenu1");
    QMenu* data = AddMenu("N1", "Данные");
    AddItem(data, "N5", "СуперЛото", &TForm1::N5Click);
    AddItem(data, "N6", "Кено", &TForm1::N6Click);
    data->addSeparator()->setObjectName("N7");
    AddItem(data, "N8", "Выход", &TForm1::N8Click);
    QMenu* loto = AddMenu("N2", "СуперЛото");
    AddItem(loto, "N9", "Гистограмма", &TForm1::N9Click);
    loto->addSeparator()->setObjectName("N10");
    AddItem(loto, "N11", "Расчет вероятности", &TForm1::N11Click);
    AddItem(loto, "N12", "Средний период ожидания", &TForm1::N12Click);
    AddItem(loto, "N13", "Метод А. Тальвена", &TForm1::N13Click);
    QMenu* keno = AddMenu("N3", "Кено");
    AddItem(keno, "N14", "Гистограмма", &TForm1::N14Click);
    keno->addSeparator()->setObjectName("N15");
    AddItem(keno, "N16", "Расчет вероятности", &TForm1::N16Click);
    AddItem(keno, "N17", "Средний период ожидания", &TForm1::N17Click);
    AddItem(keno, "N18", "Метод А.Тальвена", &TForm1::N18Click);
    QMenu* help = AddMenu("N4", "?");
    AddItem(help, "N19", "Как пользоваться", &TForm1::N19Click);
    help->addSeparator()->setObjectName("N20");
    AddItem(help, "N21", "Об авторе", &TForm1::N21Click);

    // Fixed size: the client area below the menu bar is exactly 665 x 314.
    setFixedSize(kClientWidth, kClientHeight + bar->sizeHint().height());
    move(125, 106);

    m_loto = MakeDrawDataSet(kSuperLoto);
    m_keno = MakeDrawDataSet(kKeno);
}

TForm1::~TForm1() = default;

QMenu* TForm1::AddMenu(const char* name, const char* caption) {
    QMenu* menu = menuBar()->addMenu(QString::fromUtf8(caption));
    menu->setObjectName(name);
    menu->menuAction()->setObjectName(name);
    return menu;
}

QAction* TForm1::AddItem(QMenu* menu, const char* name, const char* caption, void (TForm1::*handler)()) {
    // Captions are shown as written: an ampersand would otherwise become an accelerator.
    QAction* action = menu->addAction(QString::fromUtf8(caption).replace('&', "&&"));
    action->setObjectName(name);
    connect(action, &QAction::triggered, this, handler);
    return action;
}

QAction* TForm1::MenuItem(const char* name) const { return findChild<QAction*>(name); }

void TForm1::SetWindows(TForm2* about, TForm3* loto, TForm4* keno) {
    m_about = about;
    m_lotoWindow = loto;
    m_kenoWindow = keno;
}

void TForm1::RunAnalysis(const GameRules& game, AnalysisCommand command) {
    const bool loto = &game == &kSuperLoto;
    RunGuarded([&] {
        WaitCursor wait;
        AnalysisContext context{loto ? *m_loto : *m_keno, loto ? std::span<std::int32_t>(LotoValues) : KenoValues,
                                loto ? std::span<std::int32_t>(LotoPeriods) : KenoPeriods, m_image->Canvas()};
        command(game, context);
    });
    m_image->update();
}

void TForm1::DrawBoard() { DrawGameBoard(m_image->Canvas(), kSuperLoto, LotoValues); }

void TForm1::DrawKeno() { DrawGameBoard(m_image->Canvas(), kKeno, KenoValues); }

void TForm1::N5Click() {
    RunGuarded([&] {
        if (m_lotoWindow) m_lotoWindow->ShowAndRaise();
    });
}

void TForm1::N6Click() {
    RunGuarded([&] {
        if (m_kenoWindow) m_kenoWindow->ShowAndRaise();
    });
}

void TForm1::N8Click() { QApplication::quit(); }

void TForm1::closeEvent(QCloseEvent* event) {
    // Closing the main window ends the program, whatever other windows are open.
    QMainWindow::closeEvent(event);
    QApplication::quit();
}

void TForm1::N9Click() { RunAnalysis(kSuperLoto, FrequencyHistogram); }

void TForm1::N11Click() { RunAnalysis(kSuperLoto, SuccessionProbability); }

void TForm1::N12Click() { RunAnalysis(kSuperLoto, AverageWaitingPeriod); }

void TForm1::N13Click() { RunAnalysis(kSuperLoto, TalvenMethod); }

void TForm1::N14Click() { RunAnalysis(kKeno, FrequencyHistogram); }

void TForm1::N16Click() { RunAnalysis(kKeno, SuccessionProbability); }

void TForm1::N17Click() { RunAnalysis(kKeno, AverageWaitingPeriod); }

void TForm1::N18Click() { RunAnalysis(kKeno, TalvenMethod); }

void TForm1::N19Click() {
    RunGuarded([&] {
        // The manual beside the tables; nothing is said when it is missing.
        const QFileInfo manual(QDir::current().filePath("manual.doc"));
        if (manual.exists()) ShellOpen(manual.absoluteFilePath().toStdString());
    });
}

void TForm1::N21Click() {
    RunGuarded([&] {
        if (m_about) m_about->ShowAndRaise();
    });
}
