// The About window as the user meets it (settings, components, the picture as it is cut, the two
// links), "Как пользоваться" with and without the manual, the three window icons, and the
// manual document itself.
#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTranslator>
#include <QIcon>
#include <QLabel>
#include <QListWidget>
#include <QTextBlock>
#include <QTextDocument>
#include <QtTest/QTest>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/about.h"
#include "app/help_window.h"
#include "app/manual.h"
#include "app/startup.h"
#include "resources/about_picture.h"
#include "tests/support/dbf_image.h"
#include "toolkit/dialogs.h"
#include "toolkit/shell.h"
#include "tests/support/draw_table.h"
#include "tests/support/recording_message_service.h"
#include "table_folder_test.h"

namespace {

using testsupport::TempDir;

QRgb rgb(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFF; }

// Records what the window hands to the desktop, and puts the desktop back afterwards. A
// desktop that cannot open anything (no xdg-open) when `failing` is set.
class ShellRecorder {
public:
    ShellRecorder() {
        SetShellOpenHook([this](const std::string& target) {
            opened.push_back(target);
            return !failing;
        });
        SetDesktopApplicationHook([this](const std::string& path) {
            return std::none_of(withoutApplication.begin(), withoutApplication.end(),
                                [&](const std::string& suffix) { return path.ends_with(suffix); });
        });
    }
    ~ShellRecorder() {
        SetShellOpenHook({});
        SetDesktopApplicationHook({});
    }
    ShellRecorder(const ShellRecorder&) = delete;
    ShellRecorder& operator=(const ShellRecorder&) = delete;
    std::vector<std::string> opened;
    bool failing = false;
    // The endings of the files the desktop has no application for (".doc", ".html").
    std::vector<std::string> withoutApplication;
};

QLabel* label(TForm2& form, const char* name) {
    QLabel* found = form.findChild<QLabel*>(name);
    if (!found) ADD_FAILURE() << name << " is missing";
    return found;
}

TEST(AboutWindow, WindowSettings) {
    TForm2 form;
    EXPECT_EQ(form.windowTitle(), QString::fromUtf8("Немного об авторе...   "));
    EXPECT_EQ(form.size(), QSize(462, 114));
    EXPECT_EQ(form.minimumSize(), form.maximumSize()) << "the window is not resizable";
    const Qt::WindowFlags flags = form.windowFlags();
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Dialog);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowContextHelpButtonHint);
    EXPECT_EQ(form.font().family(), "Liberation Sans");
    EXPECT_EQ(form.font().pixelSize(), 11);
    EXPECT_FALSE(form.isVisible()) << "made hidden";

    // Button-face background wherever no component lies: right of the picture above and below
    // the two lines that start at x 176, and in the free corners.
    const QImage shot = form.grab().toImage();
    const QRgb face = QApplication::palette().color(QPalette::Button).rgb() & 0xFFFFFF;
    for (int y = 0; y < 114; ++y) {
        if (y >= 64 && y < 93) continue;
        for (int x = 177; x < 184; ++x) ASSERT_EQ(rgb(shot, x, y), face) << x << "," << y;
    }
    EXPECT_EQ(rgb(shot, 200, 110), face);
    EXPECT_EQ(rgb(shot, 459, 5), face);

    // Centred on the screen.
    const QRect screen = QApplication::primaryScreen()->geometry();
    EXPECT_LE(std::abs(form.geometry().center().x() - screen.center().x()), 1);
    EXPECT_LE(std::abs(form.geometry().center().y() - screen.center().y()), 1);
}

TEST(AboutWindow, ComponentsWithTheirBoundsTextsAndLooks) {
    TForm2 form;
    struct Expected {
        const char* name;
        QRect bounds;
        const char* text;
        const char* family;
        int pixelSize;
        bool bold;
        bool underline;
        QRgb colour;
        Qt::CursorShape cursor;
    };
    const Expected expected[] = {
        {"Label1",
         {184, 0, 178, 19},
         "Программный комплекс",
         "Liberation Serif",
         16,
         true,
         false,
         0x000000,
         Qt::ArrowCursor},
        {"Label6",
         {184, 24, 244, 13},
         "ШАРОМЕТР вер.3.1.2 (6 x 49)",
         "Liberation Sans",
         11,
         true,
         false,
         0x000000,
         Qt::ArrowCursor},
        {"Label7",
         {248, 40, 138, 13},
         "manual.html",
         "Liberation Sans",
         11,
         true,
         true,
         0x0000FF,
         Qt::PointingHandCursor},
        {"Label2",
         {176, 64, 236, 13},
         "Автор: команда проекта ШАРОМЕТР",
         "Liberation Sans",
         11,
         false,
         false,
         0x000000,
         Qt::ArrowCursor},
        {"Label3",
         {176, 80, 177, 13},
         "Хотите что-то сказать? Вам сюда: ",
         "Liberation Sans",
         11,
         false,
         false,
         0x000000,
         Qt::ArrowCursor},
        // No address that leads nowhere: the mail line says there is none, and is no link.
        {"Label4",
         {352, 80, 106, 13},
         "адреса пока нет",
         "Liberation Sans",
         11,
         true,
         false,
         0x0000FF,
         Qt::ArrowCursor},
        {"Label5", {312, 96, 144, 13}, "", "Liberation Sans", 11, true, false, 0x0000FF, Qt::ArrowCursor},
    };
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.name);
        QLabel* l = label(form, e.name);
        ASSERT_NE(l, nullptr);
        EXPECT_EQ(l->geometry(), e.bounds);
        EXPECT_EQ(l->text(), QString::fromUtf8(e.text));
        EXPECT_EQ(l->font().family(), e.family);
        EXPECT_EQ(l->font().pixelSize(), e.pixelSize);
        EXPECT_EQ(l->font().bold(), e.bold);
        EXPECT_EQ(l->font().underline(), e.underline);
        EXPECT_EQ(l->palette().color(QPalette::WindowText).rgb() & 0xFFFFFF, e.colour);
        EXPECT_EQ(l->cursor().shape(), e.cursor);
    }
    // The lines whose texts are ours must be readable whole in their fixed bounds.
    for (const char* name : {"Label7", "Label2", "Label4", "Label5"}) {
        const QLabel* l = label(form, name);
        EXPECT_LE(l->fontMetrics().horizontalAdvance(l->text()), l->width()) << name << " is cut at the right";
    }

    // The links are drawn in blue: the link areas hold pure blue pixels, the author line none.
    const QImage shot = form.grab().toImage();
    auto bluePixels = [&](const QRect& area) {
        int count = 0;
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x) count += rgb(shot, x, y) == 0x0000FFu;
        }
        return count;
    };
    EXPECT_GT(bluePixels(QRect(248, 40, 138, 13)), 20);
    EXPECT_GT(bluePixels(QRect(352, 80, 106, 13)), 20);
    EXPECT_EQ(bluePixels(QRect(312, 96, 144, 13)), 0) << "no contact line without a contact";
    EXPECT_EQ(bluePixels(QRect(176, 64, 236, 13)), 0);
}

TEST(AboutWindow, ShownModelessBroughtToTheFrontAndHiddenWhenClosed) {
    TForm2 form;
    QWidget other;
    other.show();
    form.ShowAndRaise();
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(form.isModal());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "the other windows stay usable";
    form.ShowAndRaise();
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(QApplication::topLevelWidgets().count(&form), 1);
    EXPECT_TRUE(form.close());
    EXPECT_FALSE(form.isVisible());
    // Hidden, not destroyed: the next "Об авторе" shows the same window again.
    form.ShowAndRaise();
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(label(form, "Label7")->text(), QString::fromUtf8("manual.html"));
}

// Reads the frame header of a JPEG stream: the kind of frame marker and its numbers.
struct FrameHeader {
    bool jfif = false;
    int frameMarker = 0;
    int precision = 0;
    int height = 0;
    int width = 0;
    int components = 0;
};

FrameHeader readFrameHeader(const unsigned char* data, std::size_t size) {
    FrameHeader header;
    if (size < 4 || data[0] != 0xFF || data[1] != 0xD8) return header;
    std::size_t at = 2;
    while (at + 4 <= size && data[at] == 0xFF) {
        const int marker = data[at + 1];
        const std::size_t length = (data[at + 2] << 8) | data[at + 3];
        if (marker == 0xE0 && at + 9 <= size) {
            header.jfif = std::string(data + at + 4, data + at + 9) == std::string("JFIF\0", 5);
        }
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
            header.frameMarker = marker;
            header.precision = data[at + 4];
            header.height = (data[at + 5] << 8) | data[at + 6];
            header.width = (data[at + 7] << 8) | data[at + 8];
            header.components = data[at + 9];
            return header;
        }
        at += 2 + length;
    }
    return header;
}

TEST(AboutPicture, AColourJfifPictureOf180x144DecodedByLibjpeg) {
    const FrameHeader header = readFrameHeader(kAboutPicture, kAboutPictureSize);
    EXPECT_TRUE(header.jfif);
    EXPECT_EQ(header.frameMarker, 0xC0) << "baseline";
    EXPECT_EQ(header.precision, 8);
    EXPECT_EQ(header.width, 180);
    EXPECT_EQ(header.height, 144);
    EXPECT_EQ(header.components, 3);

    const QImage picture = DecodeJpeg(kAboutPicture, kAboutPictureSize);
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size(), QSize(180, 144));
    // In colour: it has pixels far from grey.
    int coloured = 0;
    for (int y = 0; y < 144; y += 2) {
        for (int x = 0; x < 180; x += 2) {
            const QColor c = picture.pixelColor(x, y);
            coloured += std::max({c.red(), c.green(), c.blue()}) - std::min({c.red(), c.green(), c.blue()}) > 100;
        }
    }
    EXPECT_GT(coloured, 1000);

    // Qt's own JPEG reader sees the same picture, to within the rounding of its decoder.
    const QImage reference = QImage::fromData(kAboutPicture, static_cast<int>(kAboutPictureSize), "JPG")
                                 .convertToFormat(QImage::Format_RGB888);
    ASSERT_EQ(reference.size(), picture.size());
    int worst = 0;
    for (int y = 0; y < 144; ++y) {
        for (int x = 0; x < 180; ++x) {
            const QColor a = picture.pixelColor(x, y);
            const QColor b = reference.pixelColor(x, y);
            worst = std::max(
                {worst, std::abs(a.red() - b.red()), std::abs(a.green() - b.green()), std::abs(a.blue() - b.blue())});
        }
    }
    EXPECT_LE(worst, 2);

    // Damaged data gives no picture, and the program goes on.
    const unsigned char garbage[] = {'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e'};
    EXPECT_TRUE(DecodeJpeg(garbage, sizeof garbage).isNull());
    EXPECT_TRUE(DecodeJpeg(kAboutPicture, 0).isNull());
    EXPECT_TRUE(DecodeJpeg(kAboutPicture, 120).isNull()) << "cut inside the header";
}

TEST(AboutPicture, ShownUnscaledFromItsTopLeftCornerCutTo177x114) {
    TForm2 form;
    ASSERT_EQ(form.Picture().size(), QSize(180, 144));
    EXPECT_EQ(form.Image1().geometry(), QRect(0, 0, 177, 114));
    const QImage shown = form.Image1().grab().toImage();
    ASSERT_EQ(shown.size(), QSize(177, 114));
    int differing = 0;
    for (int y = 0; y < 114; ++y) {
        for (int x = 0; x < 177; ++x) differing += rgb(shown, x, y) != rgb(form.Picture(), x, y);
    }
    EXPECT_EQ(differing, 0);
    // In the window, too, the picture's right and bottom edges are cut off.
    const QImage window = form.grab().toImage();
    EXPECT_EQ(rgb(window, 176, 113), rgb(form.Picture(), 176, 113));
    EXPECT_NE(rgb(window, 177, 100), rgb(form.Picture(), 177, 100));
}

// The About window's link opens the HTML manual beside the tables; without one it says so.
class AboutLinkTest : public TableFolderTest {};

TEST_F(AboutLinkTest, TheLinkHandsTheHtmlManualToTheDesktop) {
    RecordingMessageService messages;
    ShellRecorder shell;
    TForm2 form;
    form.ShowAndRaise();
    QLabel* web = label(form, "Label7");
    QLabel* mail = label(form, "Label4");
    ASSERT_NE(web, nullptr);
    ASSERT_NE(mail, nullptr);

    testsupport::writeFile(m_dir.file("manual.html"), "<html></html>");
    char resolved[PATH_MAX];
    ASSERT_NE(::realpath(m_dir.file("manual.html").c_str(), resolved), nullptr);
    QTest::mouseClick(web, Qt::LeftButton, {}, QPoint(10, 6));
    ASSERT_EQ(shell.opened.size(), 1u);
    EXPECT_EQ(shell.opened[0], std::string(resolved));

    // Only a left click on the link opens anything: not the right button, not a press that is
    // released elsewhere, not the other lines, the one that says there is no address included.
    QTest::mouseClick(web, Qt::RightButton, {}, QPoint(10, 6));
    QTest::mousePress(web, Qt::LeftButton, {}, QPoint(10, 6));
    QTest::mouseRelease(web, Qt::LeftButton, {}, QPoint(10, 40));
    for (const char* name : {"Label1", "Label2", "Label3", "Label4", "Label5", "Label6"}) {
        QTest::mouseClick(label(form, name), Qt::LeftButton, {}, QPoint(5, 5));
    }
    QTest::mouseClick(&form.Image1(), Qt::LeftButton, {}, QPoint(50, 50));
    EXPECT_EQ(shell.opened.size(), 1u);
    EXPECT_TRUE(messages.shown.empty());

    // The desktop cannot open it: the message names the file, and the window stays.
    shell.failing = true;
    QTest::mouseClick(web, Qt::LeftButton, {}, QPoint(10, 6));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, ShellOpenFailedText(resolved));
    EXPECT_EQ(messages.shown[0].icon, TMsgDlgType::mtNone) << "a plain message of the program";
    EXPECT_TRUE(form.isVisible()) << "and the window stays";

    // No HTML manual anywhere: said, and nothing handed to the desktop.
    ASSERT_EQ(::unlink(resolved), 0);
    QTest::mouseClick(web, Qt::LeftButton, {}, QPoint(10, 6));
    EXPECT_EQ(shell.opened.size(), 2u);
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[1].text,
              "Руководство manual.html не найдено ни в рабочей папке, ни в папке документации пакета.");
}

// "Как пользоваться" and the icons need the whole program, run in the folder of its tables.
class ProgramTest : public TableFolderTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(TableFolderTest::SetUp());
        makeTables(5, 5, 3, 4);
    }
};

TEST_F(ProgramTest, HowToUseHandsTheManualOfTheCurrentFolderToTheDesktopAndSaysNothingWithout) {
    RecordingMessageService messages;
    ShellRecorder shell;
    auto windows = CreateProgramWindows();
    ASSERT_NE(windows, nullptr);
    QAction* howToUse = windows->Form1->MenuItem("N19");
    ASSERT_NE(howToUse, nullptr);

    howToUse->trigger();
    EXPECT_TRUE(shell.opened.empty()) << "no manual, nothing to open";
    EXPECT_TRUE(messages.shown.empty()) << "and nothing is said";

    testsupport::writeFile(m_dir.file("manual.doc"), "{\\rtf1 }");
    howToUse->trigger();
    char resolved[PATH_MAX];
    ASSERT_NE(::realpath(m_dir.file("manual.doc").c_str(), resolved), nullptr);
    ASSERT_EQ(shell.opened.size(), 1u);
    EXPECT_EQ(shell.opened[0], std::string(resolved)) << "the absolute path of the manual beside the tables";
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(windows->Form1->MenuItem("N9")->isEnabled()) << "the program goes on";
}

TEST_F(ProgramTest, AManualTheDesktopCannotOpenIsNamedInAMessage) {
    RecordingMessageService messages;
    ShellRecorder shell;
    shell.failing = true;
    auto windows = CreateProgramWindows();
    ASSERT_NE(windows, nullptr);
    testsupport::writeFile(m_dir.file("manual.doc"), "{\\rtf1 }");
    windows->Form1->MenuItem("N19")->trigger();
    char resolved[PATH_MAX];
    ASSERT_NE(::realpath(m_dir.file("manual.doc").c_str(), resolved), nullptr);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, ShellOpenFailedText(resolved));
    EXPECT_EQ(messages.shown[0].text.rfind("Не удалось открыть файл «" + std::string(resolved) + "»", 0), 0u);
    EXPECT_EQ(messages.shown[0].caption, ApplicationTitle());
}

TEST_F(ProgramTest, HowToUseOpensTheFirstManualTheDesktopHasAnApplicationFor) {
    struct Case {
        bool doc;
        bool html;
        std::vector<std::string> withoutApplication;
        const char* opened;  // the file handed to the desktop, or null
        const char* named;   // the file the message names, or null
        bool helpWindow;     // the program shows manual.html itself
    };
    const Case cases[] = {
        {true, true, {}, "manual.doc", nullptr, false},
        {true, true, {".doc"}, "manual.html", nullptr, false},
        {false, true, {}, "manual.html", nullptr, false},
        {true, false, {".doc"}, nullptr, "manual.doc", false},
        {true, true, {".doc", ".html"}, nullptr, nullptr, true},
        {false, true, {".html"}, nullptr, nullptr, true},
        {false, false, {".doc", ".html"}, nullptr, nullptr, false},
    };
    auto windows = CreateProgramWindows();
    ASSERT_NE(windows, nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.doc << c.html << c.withoutApplication.size());
        RecordingMessageService messages;
        ShellRecorder shell;
        shell.withoutApplication = c.withoutApplication;
        HelpWindow().hide();
        for (const auto& [present, name] : {std::pair{c.doc, "manual.doc"}, std::pair{c.html, "manual.html"}}) {
            ::unlink(m_dir.file(name).c_str());
            if (present) testsupport::writeFile(m_dir.file(name), "manual");
        }
        windows->Form1->MenuItem("N19")->trigger();
        auto resolved = [&](const char* name) {
            char path[PATH_MAX];
            EXPECT_NE(::realpath(m_dir.file(name).c_str(), path), nullptr);
            return std::string(path);
        };
        ASSERT_EQ(shell.opened.size(), c.opened ? 1u : 0u);
        if (c.opened) {
            EXPECT_EQ(shell.opened[0], resolved(c.opened));
        }
        ASSERT_EQ(messages.shown.size(), c.named ? 1u : 0u);
        if (c.named) {
            EXPECT_EQ(messages.shown[0].text, ShellOpenFailedText(resolved(c.named)));
        }
        EXPECT_EQ(HelpWindow().isVisible(), c.helpWindow);
    }
    HelpWindow().hide();
}

// With no viewer on the desktop, the manual the build writes opens in the program's own window:
// its pictures, its contents (the first evening among them, where the start hint leads) and a
// search that wraps and says when it finds nothing.
TEST_F(ProgramTest, TheHelpWindowShowsTheManualWithItsPicturesContentsAndSearch) {
    RecordingMessageService messages;
    ShellRecorder shell;
    shell.withoutApplication = {".doc", ".html"};
    {
        std::ifstream in(std::string(SHAROMETR_MANUAL_DIR) + "/manual.html", std::ios::binary);
        std::ofstream out(m_dir.file("manual.html"), std::ios::binary);
        out << in.rdbuf();
    }
    auto windows = CreateProgramWindows();
    ASSERT_NE(windows, nullptr);
    windows->Form1->MenuItem("N19")->trigger();
    EXPECT_TRUE(shell.opened.empty());
    EXPECT_TRUE(messages.shown.empty());
    THelpWindow& help = HelpWindow();
    ASSERT_TRUE(help.isVisible());
    EXPECT_GE(help.Contents().count(), 10);
    int pictures = 0;
    for (QTextBlock block = help.Browser().document()->begin(); block.isValid(); block = block.next()) {
        for (auto part = block.begin(); !part.atEnd(); ++part) {
            const QTextImageFormat image = part.fragment().charFormat().toImageFormat();
            if (!image.isValid()) continue;
            ++pictures;
            const QVariant loaded = help.Browser().loadResource(QTextDocument::ImageResource, QUrl(image.name()));
            EXPECT_GT(loaded.value<QImage>().width(), 100) << "a picture of the window, decoded";
        }
    }
    EXPECT_GE(pictures, 4);

    // The start hint's link: the first evening at the top of the view.
    help.hide();
    OpenManualAt("Первый вечер");
    ASSERT_TRUE(help.isVisible());
    ASSERT_NE(help.Contents().currentItem(), nullptr);
    EXPECT_TRUE(help.Contents().currentItem()->text().startsWith(QString::fromUtf8("Первый вечер")));
    EXPECT_TRUE(help.Browser().textCursor().block().text().startsWith(QString::fromUtf8("Первый вечер")));

    // The search, typed with real keys; Enter finds the next place, from the top after the last.
    help.SearchBox().setFocus(Qt::OtherFocusReason);
    QTest::keyClicks(&help.SearchBox(), "Esc");
    QTest::keyClick(&help.SearchBox(), Qt::Key_Return);
    EXPECT_EQ(help.Browser().textCursor().selectedText(), QString("Esc"));
    const int first = help.Browser().textCursor().position();
    QTest::keyClick(&help.SearchBox(), Qt::Key_Return);
    EXPECT_GT(help.Browser().textCursor().position(), first);
    help.SearchBox().clear();
    QTest::keyClicks(&help.SearchBox(), "qqzzxx");
    QTest::keyClick(&help.SearchBox(), Qt::Key_Return);
    EXPECT_EQ(help.SearchNote().text(), QString::fromUtf8("Не найдено"));
    help.hide();
    EXPECT_TRUE(messages.shown.empty());
}

// The message names the package only when its opener is missing indeed.
TEST_F(ProgramTest, TheFailedOpenNamesXdgUtilsOnlyWhenItsOpenerIsMissing) {
    const std::string bin = m_dir.file("bin");
    ASSERT_EQ(::mkdir(bin.c_str(), 0700), 0);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QByteArray::fromStdString(bin));
    const std::string without = ShellOpenFailedText("/x/manual.doc");
    testsupport::writeFile(bin + "/xdg-open", "#!/bin/sh\nexit 3\n");
    ASSERT_EQ(::chmod((bin + "/xdg-open").c_str(), 0700), 0);
    const std::string with = ShellOpenFailedText("/x/manual.doc");
    qputenv("PATH", path);
    EXPECT_EQ(without,
              "Не удалось открыть файл «/x/manual.doc»: в системе не найдена программа, которая может его открыть. "
              "Установите пакет xdg-utils или откройте файл вручную.");
    EXPECT_EQ(with,
              "Не удалось открыть файл «/x/manual.doc»: в системе не найдена программа, которая может его открыть. "
              "Выберите программу для таких файлов в настройках рабочего стола или откройте файл вручную.");
}

// The desktop's answer comes from xdg-mime: a stand-in on PATH that knows one application.
TEST_F(ProgramTest, TheDesktopsApplicationIsTheOneXdgMimeNames) {
    const std::string bin = m_dir.file("bin");
    ASSERT_EQ(::mkdir(bin.c_str(), 0700), 0);
    testsupport::writeFile(bin + "/xdg-mime",
                           "#!/bin/sh\n"
                           "case \"$2:$3\" in\n"
                           "  filetype:*.doc) echo text/rtf ;;\n"
                           "  filetype:*.html) echo text/html ;;\n"
                           "  default:text/html) echo firefox-esr.desktop ;;\n"
                           "  default:*) exit 4 ;;\n"
                           "  *) exit 1 ;;\n"
                           "esac\n");
    ASSERT_EQ(::chmod((bin + "/xdg-mime").c_str(), 0700), 0);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QByteArray::fromStdString(bin));
    EXPECT_FALSE(DesktopHasApplicationFor(m_dir.file("manual.doc")));
    EXPECT_TRUE(DesktopHasApplicationFor(m_dir.file("manual.html")));
    EXPECT_TRUE(DesktopHasApplicationFor(m_dir.file("notes.txt"))) << "no type known: the opener is asked";
    qputenv("PATH", QByteArray::fromStdString(m_dir.file("nothing")));
    EXPECT_TRUE(DesktopHasApplicationFor(m_dir.file("manual.doc"))) << "no xdg-mime: the opener is asked";
    qputenv("PATH", path);
}

TEST_F(ProgramTest, ThreeIconsOf32x32In16Colours) {
    auto windows = CreateProgramWindows();
    ASSERT_NE(windows, nullptr);
    auto iconImage = [](const QWidget& window) {
        const QIcon icon = window.windowIcon();
        EXPECT_FALSE(icon.isNull());
        EXPECT_TRUE(icon.availableSizes().contains(QSize(32, 32)));
        return icon.pixmap(QSize(32, 32)).toImage().convertToFormat(QImage::Format_ARGB32);
    };
    const QImage main = iconImage(*windows->Form1);
    const QImage about = iconImage(*windows->Form2);
    const QImage loto = iconImage(*windows->Form3);
    const QImage keno = iconImage(*windows->Form4);
    for (const QImage* image : {&main, &about, &loto}) {
        ASSERT_EQ(image->size(), QSize(32, 32));
        std::set<QRgb> colours;
        for (int y = 0; y < 32; ++y) {
            for (int x = 0; x < 32; ++x) {
                const QRgb pixel = image->pixel(x, y);
                colours.insert(qAlpha(pixel) == 0 ? 0u : pixel);
            }
        }
        EXPECT_LE(colours.size(), 16u);
        EXPECT_GE(colours.size(), 4u) << "a picture, not a blank";
    }
    EXPECT_EQ(loto, keno) << "both data windows share one icon";
    EXPECT_NE(main, about);
    EXPECT_NE(main, loto);
    EXPECT_NE(about, loto);
}

// The manual's text: RTF with the Russian letters as \'xx escapes of code page 1251, decoded
// here to UTF-8, groups and control words dropped.
std::string manualText(const std::string& rtf, int& depth, int& lowest) {
    auto cp1251 = [](unsigned char c) -> std::string {
        if (c >= 0xC0) return QString(QChar(0x0410 + (c - 0xC0))).toStdString();
        switch (c) {
            case 0xA8:
                return "Ё";
            case 0xB8:
                return "ё";
            case 0xAB:
                return "«";
            case 0xBB:
                return "»";
            case 0x84:
                return "„";
            case 0x93:
                return "“";
            case 0x96:
                return "–";
            case 0x97:
                return "—";
            case 0xB9:
                return "№";
            case 0x85:
                return "…";
            case 0xB7:
                return "·";
            case 0xA0:
                return " ";
            default:
                return "\x01";  // a letter the manual should not hold
        }
    };
    std::string text;
    depth = 0;
    lowest = 0;
    for (std::size_t i = 0; i < rtf.size(); ++i) {
        const char c = rtf[i];
        if (c == '{' || c == '}') {
            depth += c == '{' ? 1 : -1;
            lowest = std::min(lowest, depth);
        } else if (c == '\\' && i + 1 < rtf.size()) {
            const char next = rtf[i + 1];
            if (next == '\'' && i + 3 < rtf.size()) {
                text += cp1251(static_cast<unsigned char>(std::strtol(rtf.substr(i + 2, 2).c_str(), nullptr, 16)));
                i += 3;
            } else if (next == '{' || next == '}' || next == '\\') {
                text += next;
                ++i;
            } else {
                std::size_t end = i + 1;
                while (end < rtf.size() && std::isalpha(static_cast<unsigned char>(rtf[end]))) ++end;
                const std::string word = rtf.substr(i + 1, end - i - 1);
                auto inNumber = [&](char d) { return std::isdigit(static_cast<unsigned char>(d)) || d == '-'; };
                while (end < rtf.size() && inNumber(rtf[end])) ++end;
                if (end < rtf.size() && rtf[end] == ' ') ++end;
                if (word == "par" || word == "line" || word == "cell" || word == "tab") text += ' ';
                i = end - 1;
            }
        } else if (c != '\r' && c != '\n') {
            text += c;
        }
    }
    return text;
}

// Every menu command, the keys of the grids, the messages and the companion tool.
const char* const kManualTopics[] = {
    "Данные",
    "СуперЛото",
    "Кено",
    "Выход",
    "Гистограмма",
    "Расчет вероятности",
    "Средний период ожидания",
    "Метод А. Тальвена",
    "Суммы номеров тиража",
    "Частые пары номеров",
    "Как пользоваться",
    "Об авторе",
    "Подробно",
    "Карта тиражей",
    "Масштабировать табло",
    "Enter",
    "Esc",
    "Tab",
    "Shift+Tab",
    "Insert",
    "F2",
    "Ctrl+Delete",
    "Ctrl+Home",
    "Page Down",
    "ВНИМАНИЕ! Необходимо заполнить по крайней мере 5 записей!",
    "ВНИМАНИЕ! Необходимо заполнить хотя бы 5 записей!",
    "Уменьшите количество записей в базе.",
    "Record is locked by another user",
    "Delete record?",
    "Cannot find file lotobase.dbf",
    "lotobase.dbf",
    "kenobase.dbf",
    "manual.doc",
    "sharometr-cli",
    "info",
    "dump",
    "create",
    "import",
    "set",
    "delete",
    "recall",
    // The window of history and the message of a desktop that cannot open the manual.
    "Сколько тиражей анализировать…",
    "Не удалось открыть файл",
};

std::string readManual(const char* name) {
    std::ifstream in(std::string(SHAROMETR_MANUAL_DIR) + "/" + name, std::ios::binary);
    EXPECT_TRUE(in) << name;
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(Manual, AnRtfDocumentInRussianThatCoversTheProgram) {
    std::ifstream in(std::string(SHAROMETR_MANUAL_DIR) + "/manual.doc", std::ios::binary);
    ASSERT_TRUE(in) << "manual.doc";
    const std::string rtf((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(rtf.rfind("{\\rtf1\\ansi\\ansicpg1251", 0), 0u) << "an RTF document in code page 1251";
    for (unsigned char c : rtf) ASSERT_LT(c, 0x80) << "plain 7-bit text, the letters escaped";
    int depth = 0;
    int lowest = 0;
    const std::string text = manualText(rtf, depth, lowest);
    EXPECT_EQ(depth, 0) << "every group is closed";
    EXPECT_EQ(lowest, 0) << "no group closes before it opens";
    EXPECT_EQ(text.find('\x01'), std::string::npos) << "a character outside the Russian letters";
    for (const char* topic : kManualTopics) EXPECT_NE(text.find(topic), std::string::npos) << topic;
}

TEST(Manual, TheSameTextAsAnHtmlPage) {
    const std::string page = readManual("manual.html");
    EXPECT_EQ(page.rfind("<!DOCTYPE html>", 0), 0u);
    EXPECT_NE(page.find("<meta charset=\"utf-8\">"), std::string::npos);
    EXPECT_NE(page.find("</html>"), std::string::npos);
    for (const char* topic : kManualTopics) EXPECT_NE(page.find(topic), std::string::npos) << topic;
    // The text of the document, paragraph for paragraph: each of the document's headings is a
    // heading of the page.
    int depth = 0;
    int lowest = 0;
    const std::string text = manualText(readManual("manual.doc"), depth, lowest);
    for (const char* heading : {"5.1. Как читать табло", "8. Программа sharometr-cli", "9. Об авторе"}) {
        EXPECT_NE(text.find(heading), std::string::npos) << heading;
        EXPECT_NE(page.find(std::string(">") + heading + "</h"), std::string::npos) << heading;
    }
}

// Qt's own buttons and file dialogs speak Russian with the program, from Qt's catalogue.
TEST(QtWords, StandardButtonsAreRussian) {
    QTranslator* catalogue = InstallQtTranslations(*qApp);
    ASSERT_NE(catalogue, nullptr) << "Qt's Russian catalogue (qt6-translations-l10n) is missing";
    QDialogButtonBox buttons(QDialogButtonBox::Cancel | QDialogButtonBox::Save);
    EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text(), QString::fromUtf8("Отмена"));
    EXPECT_EQ(buttons.button(QDialogButtonBox::Save)->text(), QString::fromUtf8("Сохранить"));
    QApplication::removeTranslator(catalogue);
    delete catalogue;
}

}  // namespace
