// Menu keys: mnemonics chosen from the captions, a style that underlines them only in keyboard
// use, and F10 and Alt opening the bar.
#include "app/menu_keys.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QProxyStyle>
#include <QSet>
#include <QShortcut>
#include <QStyleFactory>
#include <QTimer>

#include <algorithm>
#include <optional>

namespace {

// Puts '&' before the first letter of `caption` whose lower case is not in `taken`; literal
// ampersands ("&&") are passed over.
QString withMnemonic(const QString& caption, QSet<QChar>& taken) {
    for (int i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&') {
            ++i;  // the second of "&&", or the letter of a mnemonic already given
            continue;
        }
        if (caption[i] == '\t') break;  // the key column is no caption
        const QChar letter = caption[i].toLower();
        if (letter.isLetterOrNumber() && !taken.contains(letter)) {
            taken.insert(letter);
            return caption.left(i) + '&' + caption.mid(i);
        }
    }
    return caption;
}

// The letter of the mnemonic a caption already has, if any.
std::optional<QChar> mnemonicOf(const QString& caption) {
    for (int i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&') continue;
        if (caption[i + 1] != '&') return caption[i + 1].toLower();
        ++i;  // "&&", a literal ampersand
    }
    return std::nullopt;
}

// Items added after the first pass (a further game's menu, its map item) get letters that their
// siblings have not taken; a caption that has its mnemonic keeps it.
void addMnemonics(const QList<QAction*>& actions) {
    QSet<QChar> taken;
    for (QAction* action : actions)
        if (const std::optional<QChar> letter = mnemonicOf(action->text())) taken.insert(*letter);
    for (QAction* action : actions) {
        if (action->isSeparator()) continue;
        if (!mnemonicOf(action->text())) action->setText(withMnemonic(action->text(), taken));
        if (QMenu* menu = action->menu()) addMnemonics(menu->actions());
    }
}

// The application's own style, but mnemonics underlined only while the bar is used from the
// keyboard, and Alt alone taking the bar as on every desktop.
class MenuKeysStyle : public QProxyStyle {
public:
    MenuKeysStyle() : QProxyStyle(QStyleFactory::create(QApplication::style()->name())) {}

    bool keyboardUse = false;

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returned) const override {
        if (hint == SH_UnderlineShortcut) return keyboardUse ? 1 : 0;
        if (hint == SH_MenuBar_AltKeyNavigation) return 1;
        return QProxyStyle::styleHint(hint, option, widget, returned);
    }
};

// Follows the keyboard use of one window's bar: on with Alt or F10, off when the bar and its
// menus are left or the mouse is used.
class MenuKeysWatcher : public QObject {
public:
    MenuKeysWatcher(QMainWindow& window, MenuKeysStyle* style)
        : QObject(&window), m_window(&window), m_bar(window.menuBar()), m_style(style) {
        qApp->installEventFilter(this);
    }

    // A menu of the bar, its style and its settling, for one made after the bar was set up too.
    void takeMenu(QMenu* menu) {
        if (menu->style() == m_style) return;
        menu->setStyle(m_style);
        QObject::connect(menu, &QMenu::aboutToHide, this, [this] { settleLater(); });
    }

    void setKeyboardUse(bool on) {
        if (m_style->keyboardUse == on) return;
        m_style->keyboardUse = on;
        m_bar->update();
        for (QMenu* menu : m_bar->findChildren<QMenu*>()) menu->update();
    }

    // After the bar's own handling: off once nothing of the bar is active any more.
    void settleLater() {
        QTimer::singleShot(0, this, [bar = QPointer<QMenuBar>(m_bar), this] {
            if (bar && !bar->activeAction() && !QApplication::activePopupWidget()) setKeyboardUse(false);
        });
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
            case QEvent::KeyPress:
                if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Alt && ownsWindowOf(watched)) setKeyboardUse(true);
                break;
            case QEvent::KeyRelease:
                if (m_style->keyboardUse) settleLater();
                break;
            case QEvent::MouseButtonPress:
                if (m_style->keyboardUse) setKeyboardUse(false);
                break;
            case QEvent::ActionAdded:
                if (watched == m_bar || (qobject_cast<QMenu*>(watched) && ownsMenu(watched))) followAddedLater();
                break;
            case QEvent::Show:
                if (auto* menu = qobject_cast<QMenu*>(watched); menu && ownsMenu(watched)) keepInsideWindow(*menu);
                break;
            default:
                break;
        }
        return false;
    }

private:
    // Once the adding is over: mnemonics and the style for what was added.
    void followAddedLater() {
        if (m_following) return;
        m_following = true;
        QTimer::singleShot(0, this, [bar = QPointer<QMenuBar>(m_bar), this] {
            m_following = false;
            if (!bar) return;
            AddMnemonics(*bar);
            for (QMenu* menu : bar->findChildren<QMenu*>()) takeMenu(menu);
        });
    }

    // A menu of the bar, at any depth (a menu is a window of its own, so its widget parent is not
    // followed but its object parent is).
    bool ownsMenu(QObject* watched) const {
        for (QObject* parent = watched->parent(); parent; parent = parent->parent())
            if (parent == m_bar) return true;
        return false;
    }

    // A menu of the bar opens within the window's width: the last menus of the bar ("?") and the
    // games' menus under "Лотереи" would otherwise hang past its right edge.
    void keepInsideWindow(QMenu& menu) const {
        const QRect window = m_window->frameGeometry();
        QRect place = menu.geometry();
        if (place.right() <= window.right()) return;
        // A submenu goes to the left of the menu it opens from (its object parent is the bar).
        QMenu* parentMenu = nullptr;
        for (QMenu* other : m_bar->findChildren<QMenu*>())
            if (other != &menu && other->isVisible() && other->actions().contains(menu.menuAction()))
                parentMenu = other;
        const int left = parentMenu && parentMenu->isVisible() ? parentMenu->geometry().left() - place.width()
                                                               : window.right() + 1 - place.width();
        place.moveLeft(std::max(left, window.left()));
        menu.move(place.topLeft());
    }

    bool ownsWindowOf(QObject* watched) const {
        auto* widget = qobject_cast<QWidget*>(watched);
        return widget && widget->window() == m_window;
    }

    QMainWindow* m_window;
    QMenuBar* m_bar;
    MenuKeysStyle* m_style;
    bool m_following = false;
};

}  // namespace

void AddMnemonics(QMenuBar& bar) { addMnemonics(bar.actions()); }

void InstallMenuKeys(QMainWindow& window) {
    QMenuBar* bar = window.menuBar();
    AddMnemonics(*bar);
    auto* style = new MenuKeysStyle;
    style->setParent(bar);
    bar->setStyle(style);
    auto* watcher = new MenuKeysWatcher(window, style);
    for (QMenu* menu : bar->findChildren<QMenu*>()) watcher->takeMenu(menu);

    // F10 opens the first menu, as GNOME and KDE windows do.
    auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), &window);
    f10->setContext(Qt::WindowShortcut);
    QObject::connect(f10, &QShortcut::activated, bar, [bar, watcher] {
        const QList<QAction*> menus = bar->actions();
        if (menus.isEmpty()) return;
        watcher->setKeyboardUse(true);
        bar->setActiveAction(menus.front());
    });
}
