// The program's own help window: the HTML manual read in a text browser, its pictures included,
// with its contents beside it and a search, for a desktop that has no viewer for the manual.
#pragma once

#include <QTextBrowser>
#include <QWidget>

class QLabel;
class QLineEdit;
class QListWidget;

// The text browser of the help window: the manual's pictures are data URLs, decoded here.
class THelpBrowser : public QTextBrowser {
    Q_OBJECT
public:
    using QTextBrowser::QTextBrowser;
    QVariant loadResource(int type, const QUrl& name) override;
};

class THelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit THelpWindow(QWidget* parent = nullptr);

    // Shows the manual at `path` (an HTML file); false when it cannot be read.
    bool Load(const QString& path);
    // Scrolls to the first heading that begins with `heading`; false when there is none.
    bool GoToHeading(const QString& heading);
    // Finds the search box's text after the cursor, from the top again after the last; false
    // (and said under the box) when the manual has it nowhere.
    bool FindNext();

    THelpBrowser& Browser() { return *m_browser; }
    QListWidget& Contents() { return *m_contents; }
    QLineEdit& SearchBox() { return *m_search; }
    QLabel& SearchNote() { return *m_note; }

private:
    void FillContents();
    void GoToBlock(int blockNumber);

    THelpBrowser* m_browser;
    QListWidget* m_contents;
    QLineEdit* m_search;
    QLabel* m_note;
};

// The one help window of the program, made at the first call.
THelpWindow& HelpWindow();
