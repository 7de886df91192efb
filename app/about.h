// The About window: caption, size and place; its picture, texts and links are added to it.
#pragma once

#include <QWidget>

class TForm2 : public QWidget {
    Q_OBJECT
public:
    explicit TForm2(QWidget* parent = nullptr);
    void ShowAndRaise();
};
