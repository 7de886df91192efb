// The navigator bar: its twelve picture buttons, the rules that enable them from the dataset's
// position and state, what a click does, the repeating Prior and Next buttons, and the layout
// that shares the bar's width out among the visible buttons.
#include "datawin/xbase_navigator.h"

#include <QEnterEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QToolTip>
#include <QVariant>
#include <algorithm>

#include "platform/ascii_case.h"
#include "platform/exception.h"
#include "toolkit/dataset.h"
#include "toolkit/dialogs.h"

namespace {

// The glyph bitmaps, compiled in from their XPM texts.
#include "resources/navigator/xbnav_append.xpm"
#include "resources/navigator/xbnav_bottom.xpm"
#include "resources/navigator/xbnav_cancel.xpm"
#include "resources/navigator/xbnav_copy.xpm"
#include "resources/navigator/xbnav_delete.xpm"
#include "resources/navigator/xbnav_edit.xpm"
#include "resources/navigator/xbnav_find.xpm"
#include "resources/navigator/xbnav_next.xpm"
#include "resources/navigator/xbnav_previous.xpm"
#include "resources/navigator/xbnav_refresh.xpm"
#include "resources/navigator/xbnav_save.xpm"
#include "resources/navigator/xbnav_top.xpm"

struct GlyphResource {
    const char* name;
    const char* const* xpm;
};

const GlyphResource kGlyphResources[] = {
    {"XBNAV_TOP", xbnav_top},       {"XBNAV_PREVIOUS", xbnav_previous}, {"XBNAV_NEXT", xbnav_next},
    {"XBNAV_BOTTOM", xbnav_bottom}, {"XBNAV_APPEND", xbnav_append},     {"XBNAV_COPY", xbnav_copy},
    {"XBNAV_EDIT", xbnav_edit},     {"XBNAV_DELETE", xbnav_delete},     {"XBNAV_SAVE", xbnav_save},
    {"XBNAV_CANCEL", xbnav_cancel}, {"XBNAV_FIND", xbnav_find},         {"XBNAV_REFRESH", xbnav_refresh},
};

// The glyph name of each button, in button order.
const char* const kGlyphNames[kXbaseNavButtonCount] = {
    "TOP", "PREVIOUS", "NEXT", "BOTTOM", "APPEND", "COPY", "EDIT", "DELETE", "SAVE", "CANCEL", "FIND", "REFRESH",
};

constexpr int kMinButtonWidth = 20;
constexpr int kMinButtonHeight = 18;
constexpr int kInitialDelay = 400;
constexpr int kRepeatInterval = 100;
const char* const kDeleteRecordQuestion = "Delete record?";

TXbaseNavigateBtn buttonAt(int index) { return static_cast<TXbaseNavigateBtn>(index); }

}  // namespace

QImage NavigatorGlyph(const std::string& resourceName) {
    for (const GlyphResource& resource : kGlyphResources) {
        if (!platform::sameAsciiIgnoringCase(resource.name, resourceName)) continue;
        QImage image = QImage(resource.xpm).convertToFormat(QImage::Format_ARGB32);
        const QRgb transparent = image.pixel(0, image.height() - 1);
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                if (line[x] == transparent) line[x] = qRgba(0, 0, 0, 0);
            }
        }
        return image;
    }
    throw Exception("Resource " + resourceName + " not found");
}

// ---- TXbaseNavDataLink ------------------------------------------------------------------------

TXbaseNavDataLink::~TXbaseNavDataLink() = default;

void TXbaseNavDataLink::ActiveChanged() { m_navigator.ActiveChanged(); }

void TXbaseNavDataLink::DataSetChanged() { m_navigator.DataChanged(); }

void TXbaseNavDataLink::EditingChanged() { m_navigator.EditingChanged(); }

// ---- TXbaseNavButton --------------------------------------------------------------------------

TXbaseNavButton::TXbaseNavButton(TXbaseNavigator& navigator, TXbaseNavigateBtn index)
    : QAbstractButton(&navigator), m_navigator(navigator), m_index(index), m_repeatTimer(this) {
    // The bar takes the keyboard focus for its buttons.
    setFocusPolicy(Qt::NoFocus);
    // A coarse timer may fire a few per cent early; the delays are part of how the button feels.
    m_repeatTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_repeatTimer, &QTimer::timeout, this, [this] { repeatTick(); });
}

void TXbaseNavButton::SetFlat(bool flat) {
    if (flat == m_flat) return;
    m_flat = flat;
    update();
}

void TXbaseNavButton::SetGlyph(const QImage& bitmap) {
    const int half = bitmap.width() / 2;
    m_glyph = bitmap.copy(0, 0, half, bitmap.height());
    m_disabledGlyph = bitmap.copy(half, 0, half, bitmap.height());
    update();
}

void TXbaseNavButton::mousePressEvent(QMouseEvent* event) {
    const bool left = event->button() == Qt::LeftButton;
    if (left) m_held = true;
    QAbstractButton::mousePressEvent(event);
    if (!left) return;
    m_navigator.ButtonMouseDown(m_index);
    if (m_repeat) {
        m_repeatTimer.setInterval(kInitialDelay);
        m_repeatTimer.start();
    }
}

void TXbaseNavButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_held = false;
        m_repeatTimer.stop();
    }
    // The click on release, as for any button.
    QAbstractButton::mouseReleaseEvent(event);
}

void TXbaseNavButton::repeatTick() {
    m_repeatTimer.setInterval(kRepeatInterval);
    // Only while the mouse is still down on the button: dragged off it, the button is up.
    if (!isDown() || !m_held) return;
    RunGuarded([this] {
        try {
            m_navigator.BtnClick(m_index);
        } catch (...) {
            m_repeatTimer.stop();
            throw;
        }
    });
}

void TXbaseNavButton::enterEvent(QEnterEvent* event) {
    m_mouseInside = true;
    if (m_flat) update();
    QAbstractButton::enterEvent(event);
}

void TXbaseNavButton::leaveEvent(QEvent* event) {
    m_mouseInside = false;
    if (m_flat) update();
    QAbstractButton::leaveEvent(event);
}

bool TXbaseNavButton::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip && !m_navigator.HintsShown()) {
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    if (event->type() == QEvent::EnabledChange && !isEnabled()) {
        // A disabled button sees no release: stop repeating now (Next reaching the last record).
        m_held = false;
        m_repeatTimer.stop();
    }
    return QAbstractButton::event(event);
}

void TXbaseNavButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPalette& colours = palette();
    const QColor face = colours.color(QPalette::Active, QPalette::Button);
    const QColor light = colours.color(QPalette::Active, QPalette::Light);
    const QColor dark = colours.color(QPalette::Active, QPalette::Dark);
    const QColor shadow = colours.color(QPalette::Active, QPalette::Shadow);
    const int w = width();
    const int h = height();
    const bool down = isDown();
    painter.fillRect(rect(), face);

    // Edges: top and left in one colour, bottom and right in another, `inset` pixels in.
    auto edges = [&](int inset, const QColor& topLeft, const QColor& bottomRight) {
        const int right = w - 1 - inset;
        const int bottom = h - 1 - inset;
        painter.fillRect(inset, inset, right - inset + 1, 1, topLeft);
        painter.fillRect(inset, inset, 1, bottom - inset + 1, topLeft);
        painter.fillRect(inset, bottom, right - inset + 1, 1, bottomRight);
        painter.fillRect(right, inset, 1, bottom - inset + 1, bottomRight);
    };
    if (!m_flat) {
        if (down) {
            edges(0, dark, light);
            edges(1, shadow, face);
        } else {
            edges(0, light, shadow);
            edges(1, face, dark);
        }
    } else if (down) {
        edges(0, dark, light);
    } else if (m_mouseInside && isEnabled()) {
        edges(0, light, dark);
    }

    const QImage& glyph = isEnabled() ? m_glyph : m_disabledGlyph;
    const int shift = down ? 1 : 0;
    painter.drawImage((w - glyph.width()) / 2 + shift, (h - glyph.height()) / 2 + shift, glyph);

    if (m_navigator.hasFocus() && m_navigator.FocusedButton() == m_index) {
        // Dotted, every other pixel, 3 pixels inside the edges.
        const QRect frame = rect().adjusted(3, 3, -3, -3).translated(shift, shift);
        for (int x = frame.left(); x <= frame.right(); ++x) {
            for (int y : {frame.top(), frame.bottom()}) {
                if ((x + y) % 2 == 0) painter.fillRect(x, y, 1, 1, Qt::black);
            }
        }
        for (int y = frame.top() + 1; y < frame.bottom(); ++y) {
            for (int x : {frame.left(), frame.right()}) {
                if ((x + y) % 2 == 0) painter.fillRect(x, y, 1, 1, Qt::black);
            }
        }
    }
}

// ---- TXbaseNavigator --------------------------------------------------------------------------

const std::array<std::string, kXbaseNavButtonCount>& TXbaseNavigator::DefaultHints() {
    static const std::array<std::string, kXbaseNavButtonCount> hints = {
        "First record", "Prior record",  "Next record", "Last record", "Append record", " Copy record",
        "Edit record",  "Delete record", "Save record", "Cancel edit", "Find record",   "Refresh data",
    };
    return hints;
}

TXbaseNavigator::TXbaseNavigator(QWidget* parent)
    : QWidget(parent), m_dataLink(std::make_unique<TXbaseNavDataLink>(*this)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
    int x = 0;
    for (int i = 0; i < kXbaseNavButtonCount; ++i) {
        const TXbaseNavigateBtn index = buttonAt(i);
        auto* button = new TXbaseNavButton(*this, index);
        m_buttons[static_cast<std::size_t>(i)] = button;
        button->SetFlat(m_flat);
        button->setHidden(!m_visibleButtons.Contains(index));
        button->setEnabled(true);
        button->setGeometry(x, 0, kMinButtonWidth, kMinButtonHeight);
        x += kMinButtonWidth;
        button->SetGlyph(NavigatorGlyph(std::string("xbnav_") + kGlyphNames[i]));
        connect(button, &QAbstractButton::clicked, this, [this, index] { ClickGuarded(index); });
    }
    Buttons(TXbaseNavigateBtn::nbPrev)->SetRepeatClicks(true);
    Buttons(TXbaseNavigateBtn::nbNext)->SetRepeatClicks(true);
    InitHints();
    // The size a new bar has; the buttons are laid out when it is next resized.
    resize(241, 25);
    // Without a data source nothing can be done yet.
    ActiveChanged();
}

TXbaseNavigator::~TXbaseNavigator() {
    m_dataLink.reset();
    m_hints.clear();
}

TDataSource* TXbaseNavigator::DataSource() const { return m_dataLink->DataSource(); }

void TXbaseNavigator::SetDataSource(TDataSource* source) {
    m_dataLink->SetDataSource(source);
    ActiveChanged();
}

void TXbaseNavigator::SetVisibleButtons(TXbaseButtonSet buttons) {
    m_visibleButtons = buttons;
    for (int i = 0; i < kXbaseNavButtonCount; ++i) {
        m_buttons[static_cast<std::size_t>(i)]->setHidden(!buttons.Contains(buttonAt(i)));
    }
    AdjustSize();
    update();
}

void TXbaseNavigator::SetFlat(bool flat) {
    m_flat = flat;
    for (TXbaseNavButton* button : m_buttons) button->SetFlat(flat);
}

void TXbaseNavigator::SetHints(const std::vector<std::string>& hints) {
    m_hints = hints;
    InitHints();
}

void TXbaseNavigator::SetTabStop(bool tabStop) {
    m_tabStop = tabStop;
    setFocusPolicy(tabStop ? Qt::TabFocus : Qt::NoFocus);
}

void TXbaseNavigator::SetAlign(TAlign align) {
    m_align = align;
    if (QWidget* parent = parentWidget()) {
        parent->removeEventFilter(this);
        if (align != TAlign::alNone) parent->installEventFilter(this);
    }
    FollowParent();
    AdjustSize();
}

bool TXbaseNavigator::Enabled() const { return isEnabledTo(parentWidget()); }

void TXbaseNavigator::SetShowHint(bool show) {
    m_showHint = show;
    m_parentShowHint = false;
}

bool TXbaseNavigator::HintsShown() const {
    if (!m_parentShowHint) return m_showHint;
    const QWidget* parent = parentWidget();
    return parent && parent->property("ShowHint").toBool();
}

void TXbaseNavigator::SetButtonEnabled(TXbaseNavigateBtn index, bool enabled) { Buttons(index)->setEnabled(enabled); }

// ---- the three rules --------------------------------------------------------------------------

void TXbaseNavigator::ActiveChanged() {
    if (!(Enabled() && m_dataLink && m_dataLink->Active())) {
        for (TXbaseNavButton* button : m_buttons) button->setEnabled(false);
        return;
    }
    DataChanged();
    EditingChanged();
}

void TXbaseNavigator::DataChanged() {
    TDataSet* dataSet = m_dataLink ? m_dataLink->DataSet() : nullptr;
    const bool live = Enabled() && m_dataLink && m_dataLink->Active() && dataSet;
    const bool up = live && !dataSet->Bof();
    const bool down = live && !dataSet->Eof();
    SetButtonEnabled(TXbaseNavigateBtn::nbTop, up);
    SetButtonEnabled(TXbaseNavigateBtn::nbPrev, up);
    SetButtonEnabled(TXbaseNavigateBtn::nbNext, down);
    SetButtonEnabled(TXbaseNavigateBtn::nbBttm, down);
    SetButtonEnabled(TXbaseNavigateBtn::nbDelete, live && dataSet->CanModify() && !(dataSet->Bof() && dataSet->Eof()));
}

void TXbaseNavigator::EditingChanged() {
    TDataSet* dataSet = m_dataLink ? m_dataLink->DataSet() : nullptr;
    const bool canModify = Enabled() && m_dataLink && m_dataLink->Active() && dataSet && dataSet->CanModify();
    const bool editing = m_dataLink && m_dataLink->Editing();
    SetButtonEnabled(TXbaseNavigateBtn::nbInsert, canModify && !editing);
    SetButtonEnabled(TXbaseNavigateBtn::nbEdit, canModify && !editing);
    SetButtonEnabled(TXbaseNavigateBtn::nbDelete, canModify && !editing);
    SetButtonEnabled(TXbaseNavigateBtn::nbCopy, canModify && !editing);
    SetButtonEnabled(TXbaseNavigateBtn::nbPost, canModify && editing);
    SetButtonEnabled(TXbaseNavigateBtn::nbCancel, canModify && editing);
    SetButtonEnabled(TXbaseNavigateBtn::nbFind, !editing);
    SetButtonEnabled(TXbaseNavigateBtn::nbRefresh, !editing);
}

void TXbaseNavigator::InitHints() {
    const auto& defaults = DefaultHints();
    for (std::size_t i = 0; i < m_buttons.size(); ++i) {
        std::string text = defaults[i];
        if (i < m_hints.size() && !m_hints[i].empty()) text = m_hints[i];
        m_buttons[i]->setToolTip(QString::fromStdString(text));
    }
}

// ---- clicks -----------------------------------------------------------------------------------

void TXbaseNavigator::BtnClick(TXbaseNavigateBtn index) {
    TDataSource* source = DataSource();
    if (source && source->State() != TDataSetState::dsInactive) {
        if (BeforeAction) BeforeAction(*this, index);
        TDataSet& dataSet = *source->DataSet();
        switch (index) {
            case TXbaseNavigateBtn::nbTop:
                dataSet.First();
                break;
            case TXbaseNavigateBtn::nbPrev:
                dataSet.Prior();
                break;
            case TXbaseNavigateBtn::nbNext:
                dataSet.Next();
                break;
            case TXbaseNavigateBtn::nbBttm:
                dataSet.Last();
                break;
            case TXbaseNavigateBtn::nbInsert:
                // The picture says append; the new row opens at the cursor all the same.
                dataSet.Insert();
                break;
            case TXbaseNavigateBtn::nbCopy:
                if (OnCopyClick) OnCopyClick(dataSet);
                break;
            case TXbaseNavigateBtn::nbEdit:
                dataSet.Edit();
                break;
            case TXbaseNavigateBtn::nbDelete:
                if (!m_confirmDelete || ConfirmMessage(kDeleteRecordQuestion)) dataSet.Delete();
                break;
            case TXbaseNavigateBtn::nbPost:
                dataSet.Post();
                break;
            case TXbaseNavigateBtn::nbCancel:
                dataSet.Cancel();
                break;
            case TXbaseNavigateBtn::nbFind:
                if (OnFindClick) OnFindClick(dataSet);
                break;
            case TXbaseNavigateBtn::nbRefresh:
                dataSet.Refresh();
                break;
        }
    }
    if (OnClick) OnClick(*this, index);
}

void TXbaseNavigator::ClickGuarded(TXbaseNavigateBtn index) {
    RunGuarded([this, index] { BtnClick(index); });
}

// ---- focus and keyboard -----------------------------------------------------------------------

void TXbaseNavigator::ButtonMouseDown(TXbaseNavigateBtn index) {
    const TXbaseNavigateBtn old = m_focusedButton;
    m_focusedButton = index;
    if (!hasFocus()) {
        if (m_tabStop && isVisible() && isEnabled()) setFocus(Qt::MouseFocusReason);
    } else if (old != index) {
        Buttons(old)->update();
        Buttons(index)->update();
    }
}

void TXbaseNavigator::keyPressEvent(QKeyEvent* event) {
    const int current = static_cast<int>(m_focusedButton);
    int next = current;
    switch (event->key()) {
        case Qt::Key_Right:
            for (int i = current + 1; i < kXbaseNavButtonCount; ++i) {
                if (m_visibleButtons.Contains(buttonAt(i))) {
                    next = i;
                    break;
                }
            }
            break;
        case Qt::Key_Left:
            for (int i = current - 1; i >= 0; --i) {
                if (m_visibleButtons.Contains(buttonAt(i))) {
                    next = i;
                    break;
                }
            }
            break;
        case Qt::Key_Space:
            if (Buttons(m_focusedButton)->isEnabled()) ClickGuarded(m_focusedButton);
            return;
        default:
            QWidget::keyPressEvent(event);
            return;
    }
    if (next != current) {
        m_focusedButton = buttonAt(next);
        Buttons(buttonAt(current))->update();
        Buttons(m_focusedButton)->update();
    }
}

void TXbaseNavigator::focusInEvent(QFocusEvent* event) {
    Buttons(m_focusedButton)->update();
    QWidget::focusInEvent(event);
}

void TXbaseNavigator::focusOutEvent(QFocusEvent* event) {
    Buttons(m_focusedButton)->update();
    QWidget::focusOutEvent(event);
}

// ---- layout -----------------------------------------------------------------------------------

void TXbaseNavigator::CalcMinSize(int& width, int& height) {
    int count = 0;
    for (int i = 0; i < kXbaseNavButtonCount; ++i) {
        if (m_visibleButtons.Contains(buttonAt(i))) ++count;
    }
    count = std::max(count, 1);
    width = std::max(width, count * kMinButtonWidth);
    height = std::max(height, kMinButtonHeight);
    m_buttonWidth = width / count;
    // Only a bar that its parent sizes keeps the pixels that do not divide evenly.
    if (m_align == TAlign::alNone) width = count * m_buttonWidth;
}

void TXbaseNavigator::AdjustSize() {
    int w = width();
    int h = height();
    CalcMinSize(w, h);
    int count = 0;
    for (int i = 0; i < kXbaseNavButtonCount; ++i) {
        if (m_visibleButtons.Contains(buttonAt(i))) ++count;
    }
    count = std::max(count, 1);
    // The pixels left over go one each to buttons spread evenly along the bar.
    const int remainder = w - count * m_buttonWidth;
    int counter = count / 2;
    int x = 0;
    for (int i = 0; i < kXbaseNavButtonCount; ++i) {
        TXbaseNavButton* button = m_buttons[static_cast<std::size_t>(i)];
        if (m_visibleButtons.Contains(buttonAt(i))) {
            int extra = 0;
            if (remainder != 0) {
                counter -= remainder;
                if (counter < 0) {
                    counter += count;
                    extra = 1;
                }
            }
            button->setGeometry(x, 0, m_buttonWidth + extra, h);
            x += m_buttonWidth + extra;
        } else {
            button->setGeometry(w + 1, 0, m_buttonWidth, h);
        }
    }
    if (w != width() || h != height()) resize(w, h);
}

void TXbaseNavigator::SetBounds(int left, int top, int width, int height) {
    CalcMinSize(width, height);
    setGeometry(left, top, width, height);
    AdjustSize();
}

void TXbaseNavigator::FollowParent() {
    const QWidget* parent = parentWidget();
    if (!parent || m_align == TAlign::alNone) return;
    const int pw = parent->width();
    const int ph = parent->height();
    switch (m_align) {
        case TAlign::alTop:
            setGeometry(0, 0, pw, height());
            break;
        case TAlign::alBottom:
            setGeometry(0, ph - height(), pw, height());
            break;
        case TAlign::alLeft:
            setGeometry(0, 0, width(), ph);
            break;
        case TAlign::alRight:
            setGeometry(pw - width(), 0, width(), ph);
            break;
        case TAlign::alClient:
            setGeometry(0, 0, pw, ph);
            break;
        case TAlign::alNone:
            break;
    }
    AdjustSize();
}

void TXbaseNavigator::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    AdjustSize();
}

void TXbaseNavigator::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) {
        ActiveChanged();
    } else if (event->type() == QEvent::ParentChange && m_align != TAlign::alNone) {
        SetAlign(m_align);
    }
    QWidget::changeEvent(event);
}

bool TXbaseNavigator::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && event->type() == QEvent::Resize) FollowParent();
    return QWidget::eventFilter(watched, event);
}

void TXbaseNavigator::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Active, QPalette::Button));
}
