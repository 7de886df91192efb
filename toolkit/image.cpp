// The picture area: a bitmap shown unscaled and centred, grey window background around it.
#include "toolkit/image.h"

#include <QPainter>

TImage::TImage(QWidget* parent) : QWidget(parent) {}

TCanvas& TImage::Canvas() {
    if (!m_canvas) {
        m_picture = QImage(width(), height(), QImage::Format_RGB32);
        m_picture.fill(Qt::white);
        m_canvas = std::make_unique<TCanvas>(m_picture);
    }
    return *m_canvas;
}

void TImage::paintEvent(QPaintEvent*) {
    if (m_picture.isNull()) return;
    QPainter painter(this);
    const int x = (width() - m_picture.width()) / 2;
    const int y = (height() - m_picture.height()) / 2;
    painter.drawImage(x, y, m_picture);
}
