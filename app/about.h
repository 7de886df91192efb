// The About window: the picture, the product and author lines, and the link to the HTML manual
// that the desktop opens.
#pragma once

#include <QImage>
#include <QLabel>
#include <QWidget>
#include <cstddef>

// Decodes JPEG data with libjpeg into a 24-bit RGB image; data libjpeg refuses gives a null image.
QImage DecodeJpeg(const unsigned char* data, std::size_t size);

// A label that reports a click of the left button released over it.
class TLabel : public QLabel {
    Q_OBJECT
public:
    explicit TLabel(QWidget* parent = nullptr) : QLabel(parent) {}

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool m_pressed = false;
};

class TForm2 : public QWidget {
    Q_OBJECT
public:
    explicit TForm2(QWidget* parent = nullptr);
    // Shows the window, modeless, and brings it to the front.
    void ShowAndRaise();

    QLabel& Image1() { return *m_image; }
    // The picture as decoded, before the picture area cuts it.
    const QImage& Picture() const { return m_picture; }

public slots:
    void Label7Click();

private:
    TLabel* AddLabel(const char* name, const QRect& bounds, const char* text, const QFont& font);

    QImage m_picture;
    QLabel* m_image = nullptr;
};
