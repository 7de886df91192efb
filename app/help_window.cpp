// The help window: contents from the manual's headings, a search that wraps, and the pictures.
#include "app/help_window.h"

#include <QFile>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QTextBlock>
#include <QTextDocument>
#include <QUrl>
#include <QVBoxLayout>

#include "toolkit/windows.h"

QVariant THelpBrowser::loadResource(int type, const QUrl& name) {
    // "data:image/png;base64,...": Qt's document does not read these itself.
    if (type == QTextDocument::ImageResource && name.scheme() == QStringLiteral("data")) {
        const QString text = name.toString(QUrl::FullyEncoded);
        const qsizetype comma = text.indexOf(',');
        if (comma > 0 && text.left(comma).endsWith(QStringLiteral(";base64"))) {
            QImage image;
            if (image.loadFromData(
                    QByteArray::fromBase64(QByteArray::fromPercentEncoding(text.mid(comma + 1).toLatin1()))))
                return image;
        }
        return {};
    }
    return QTextBrowser::loadResource(type, name);
}

THelpWindow::THelpWindow(QWidget* parent)
    : QWidget(parent, Qt::Window),
      m_browser(new THelpBrowser(this)),
      m_contents(new QListWidget(this)),
      m_search(new QLineEdit(this)),
      m_note(new QLabel(this)) {
    setObjectName("HelpWindow");
    setWindowTitle(QString::fromUtf8("ШАРОМЕТР: руководство"));
    m_browser->setObjectName("HelpText");
    // Links out of the manual go to the desktop's browser, not into this window.
    m_browser->setOpenExternalLinks(true);
    m_contents->setObjectName("HelpContents");
    m_search->setObjectName("HelpSearch");
    m_search->setPlaceholderText(QString::fromUtf8("Найти в руководстве"));
    m_search->setClearButtonEnabled(true);
    m_note->setObjectName("HelpSearchNote");
    auto* find = new QPushButton(QString::fromUtf8("Найти далее"), this);
    find->setObjectName("HelpFindNext");

    auto* left = new QWidget(this);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->addWidget(new QLabel(QString::fromUtf8("Содержание"), left));
    leftLayout->addWidget(m_contents);
    auto* splitter = new QSplitter(this);
    splitter->addWidget(left);
    splitter->addWidget(m_browser);
    splitter->setStretchFactor(1, 3);
    auto* searchRow = new QHBoxLayout;
    searchRow->addWidget(m_search, 1);
    searchRow->addWidget(find);
    searchRow->addWidget(m_note);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(searchRow);
    layout->addWidget(splitter, 1);
    resize(960, 640);

    connect(m_search, &QLineEdit::returnPressed, this, [this] { FindNext(); });
    connect(find, &QPushButton::clicked, this, [this] { FindNext(); });
    connect(m_search, &QLineEdit::textChanged, m_note, &QLabel::clear);
    connect(m_contents, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { GoToBlock(item->data(Qt::UserRole).toInt()); });
    connect(m_contents, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { GoToBlock(item->data(Qt::UserRole).toInt()); });
}

bool THelpWindow::Load(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    m_browser->document()->setBaseUrl(QUrl::fromLocalFile(path));
    m_browser->setHtml(QString::fromUtf8(file.readAll()));
    FillContents();
    return true;
}

void THelpWindow::FillContents() {
    m_contents->clear();
    for (QTextBlock block = m_browser->document()->begin(); block.isValid(); block = block.next()) {
        const int level = block.blockFormat().headingLevel();
        if (level < 1 || level > 2 || block.text().trimmed().isEmpty()) continue;
        auto* item = new QListWidgetItem(QString(level == 2 ? "    " : "") + block.text().trimmed(), m_contents);
        item->setData(Qt::UserRole, block.blockNumber());
    }
}

void THelpWindow::GoToBlock(int blockNumber) {
    const QTextBlock block = m_browser->document()->findBlockByNumber(blockNumber);
    if (!block.isValid()) return;
    QTextCursor cursor(block);
    m_browser->setTextCursor(cursor);
    // The heading at the top of the view, not just somewhere in it.
    QScrollBar* bar = m_browser->verticalScrollBar();
    bar->setValue(bar->maximum());
    m_browser->ensureCursorVisible();
}

bool THelpWindow::GoToHeading(const QString& heading) {
    for (int i = 0; i < m_contents->count(); ++i) {
        QListWidgetItem* item = m_contents->item(i);
        if (!item->text().trimmed().startsWith(heading)) continue;
        m_contents->setCurrentItem(item);
        GoToBlock(item->data(Qt::UserRole).toInt());
        return true;
    }
    return false;
}

bool THelpWindow::FindNext() {
    const QString text = m_search->text();
    m_note->clear();
    if (text.isEmpty()) return false;
    if (m_browser->find(text)) return true;
    // From the top again.
    m_browser->moveCursor(QTextCursor::Start);
    if (m_browser->find(text)) return true;
    m_note->setText(QString::fromUtf8("Не найдено"));
    return false;
}

THelpWindow& HelpWindow() {
    static QPointer<THelpWindow> window;
    if (!window) {
        window = new THelpWindow;
        window->setAttribute(Qt::WA_DeleteOnClose, false);
    }
    return *window;
}
