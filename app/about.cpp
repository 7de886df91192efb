// The About window.
#include "app/about.h"

#include <QGuiApplication>
#include <QScreen>

TForm2::TForm2(QWidget* parent) : QWidget(parent, Qt::Dialog | Qt::WindowCloseButtonHint | Qt::WindowTitleHint) {
    setWindowTitle(QString::fromUtf8("Немного об авторе...   "));
    setFixedSize(462, 114);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.center() - rect().center());
    }
}

void TForm2::ShowAndRaise() {
    show();
    raise();
    activateWindow();
}
