// The About window: its settings, components and the link to the manual.
#include "app/about.h"

// jpeglib.h uses FILE and size_t without including their headers.
#include <cstdio>
#include <cstddef>
#include <jpeglib.h>

#include <QGuiApplication>
#include <QIcon>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>
#include <csetjmp>
#include <string>

#include "app/manual.h"
#include "resources/about_picture.h"
#include "sharometr_version.h"
#include "toolkit/canvas.h"
#include "toolkit/dialogs.h"
#include "toolkit/windows.h"

namespace {

constexpr int kClientWidth = 462;
constexpr int kClientHeight = 114;

// The window's links lead only to what is on the machine: the web line opens the HTML manual,
// and the project has no mail or chat address to give, which the mail line says.
constexpr const char* kManualLink = "manual.html";
constexpr const char* kNoAddress = "адреса пока нет";
constexpr const char* kAuthorLine = "Автор: команда проекта ШАРОМЕТР";
constexpr const char* kContactLine = "";

// The stand-ins for the faces of the original platform.
constexpr const char* kSerifFace = "Liberation Serif";

QFont windowFont(bool bold = false) {
    QFont font(QString::fromUtf8(TCanvas::DefaultFontName()));
    font.setPixelSize(11);
    font.setBold(bold);
    return font;
}

// libjpeg's default on a fatal error ends the process; this one returns to the decoder instead.
struct JpegErrors {
    jpeg_error_mgr manager;
    std::jmp_buf escape;
};

[[noreturn]] void leaveDecoder(j_common_ptr info) { std::longjmp(reinterpret_cast<JpegErrors*>(info->err)->escape, 1); }

void keepQuiet(j_common_ptr) {}

// Only pointers live in this frame, and none changes after setjmp, so the jump back leaves
// nothing undone.
bool decodeInto(jpeg_decompress_struct* info, JpegErrors* errors, const unsigned char* data, std::size_t size,
                QImage* image) {
    if (setjmp(errors->escape)) return false;
    jpeg_mem_src(info, data, static_cast<unsigned long>(size));
    jpeg_read_header(info, TRUE);
    info->out_color_space = JCS_RGB;
    jpeg_start_decompress(info);
    *image = QImage(static_cast<int>(info->output_width), static_cast<int>(info->output_height), QImage::Format_RGB888);
    while (info->output_scanline < info->output_height) {
        JSAMPROW row = image->scanLine(static_cast<int>(info->output_scanline));
        jpeg_read_scanlines(info, &row, 1);
    }
    jpeg_finish_decompress(info);
    return true;
}

}  // namespace

QImage DecodeJpeg(const unsigned char* data, std::size_t size) {
    jpeg_decompress_struct info{};
    JpegErrors errors{};
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = leaveDecoder;
    errors.manager.output_message = keepQuiet;
    jpeg_create_decompress(&info);
    QImage image;
    const bool decoded = decodeInto(&info, &errors, data, size, &image);
    jpeg_destroy_decompress(&info);
    return decoded ? image : QImage();
}

void TLabel::mousePressEvent(QMouseEvent* event) {
    m_pressed = event->button() == Qt::LeftButton;
    QLabel::mousePressEvent(event);
}

void TLabel::mouseReleaseEvent(QMouseEvent* event) {
    // A click is a press and a release of the left button both over the label.
    const bool click = m_pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    m_pressed = false;
    QLabel::mouseReleaseEvent(event);
    if (click) emit clicked();
}

TForm2::TForm2(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName("Form2");
    setWindowTitle(QString::fromUtf8("Немного об авторе...   "));
    setWindowIcon(QIcon(QStringLiteral(":/icons/about.xpm")));
    setFont(windowFont());
    setFixedSize(kClientWidth, kClientHeight);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::Button));
    setPalette(palette);
    setAutoFillBackground(true);

    // Unscaled from its top-left corner: the area cuts the picture's right and bottom edges.
    m_picture = DecodeJpeg(kAboutPicture, kAboutPictureSize);
    m_image = new QLabel(this);
    m_image->setObjectName("Image1");
    m_image->setGeometry(0, 0, 177, kClientHeight);
    m_image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_image->setPixmap(QPixmap::fromImage(m_picture));

    QFont title(QString::fromUtf8(kSerifFace));
    title.setPixelSize(16);
    title.setBold(true);
    AddLabel("Label1", QRect(184, 0, 178, 19), "Программный комплекс", title);
    AddLabel("Label6", QRect(184, 24, 244, 13), "ШАРОМЕТР вер." SHAROMETR_VERSION " (6 x 49)", windowFont(true));

    QFont link = windowFont(true);
    link.setUnderline(true);
    TLabel* web = AddLabel("Label7", QRect(248, 40, 138, 13), kManualLink, link);
    web->setCursor(Qt::PointingHandCursor);
    connect(web, &TLabel::clicked, this, &TForm2::Label7Click);

    AddLabel("Label2", QRect(176, 64, 236, 13), kAuthorLine, windowFont());
    AddLabel("Label3", QRect(176, 80, 177, 13), "Хотите что-то сказать? Вам сюда: ", windowFont());

    AddLabel("Label4", QRect(352, 80, 106, 13), kNoAddress, windowFont(true));

    AddLabel("Label5", QRect(312, 96, 144, 13), kContactLine, windowFont(true));

    for (const char* name : {"Label7", "Label4", "Label5"}) {
        auto* label = findChild<QLabel*>(name);
        QPalette blue = label->palette();
        blue.setColor(QPalette::WindowText, QColor(0, 0, 255));
        label->setPalette(blue);
    }

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.center() - rect().center());
    }
}

TLabel* TForm2::AddLabel(const char* name, const QRect& bounds, const char* text, const QFont& font) {
    auto* label = new TLabel(this);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setText(QString::fromUtf8(text));
    label->setFont(font);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(bounds);
    return label;
}

void TForm2::ShowAndRaise() { BringWindowBack(*this); }

void TForm2::Label7Click() { RunGuarded(OpenHtmlManual); }
