// The picture area of a window: shows its bitmap (centred when smaller than the area), and
// makes one of its own size on first use of the canvas, as the analyses paint on it.
#pragma once

#include <QImage>
#include <QWidget>
#include <memory>

#include "toolkit/canvas.h"

class TImage : public QWidget {
    Q_OBJECT
public:
    explicit TImage(QWidget* parent = nullptr);

    // The canvas of the bitmap; the bitmap is made on the first call.
    TCanvas& Canvas();
    bool HasPicture() const { return !m_picture.isNull(); }
    const QImage& Picture() const { return m_picture; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_picture;
    std::unique_ptr<TCanvas> m_canvas;
};
