// The navigator bar of the draw data windows: a row of picture buttons that moves through a
// dataset, starts, saves and abandons edits, and enables its buttons from the dataset's position
// and state as a data link tells it.
#pragma once

#include <QAbstractButton>
#include <QImage>
#include <QTimer>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/data_source.h"

class TDataSet;
class TXbaseNavigator;

// The buttons, in their fixed order along the bar.
enum class TXbaseNavigateBtn {
    nbTop,
    nbPrev,
    nbNext,
    nbBttm,
    nbInsert,
    nbCopy,
    nbEdit,
    nbDelete,
    nbPost,
    nbCancel,
    nbFind,
    nbRefresh,
};

inline constexpr int kXbaseNavButtonCount = 12;

// A set of buttons.
class TXbaseButtonSet {
public:
    constexpr TXbaseButtonSet() = default;
    constexpr TXbaseButtonSet(std::initializer_list<TXbaseNavigateBtn> buttons) {
        for (TXbaseNavigateBtn button : buttons) m_bits |= bit(button);
    }
    static constexpr TXbaseButtonSet All() {
        TXbaseButtonSet set;
        set.m_bits = (1u << kXbaseNavButtonCount) - 1;
        return set;
    }

    constexpr bool Contains(TXbaseNavigateBtn button) const { return (m_bits & bit(button)) != 0; }
    constexpr TXbaseButtonSet& Include(TXbaseNavigateBtn button) {
        m_bits |= bit(button);
        return *this;
    }
    constexpr TXbaseButtonSet& Exclude(TXbaseNavigateBtn button) {
        m_bits = static_cast<std::uint16_t>(m_bits & ~bit(button));
        return *this;
    }
    constexpr bool operator==(const TXbaseButtonSet&) const = default;

private:
    static constexpr std::uint16_t bit(TXbaseNavigateBtn button) {
        return static_cast<std::uint16_t>(1u << static_cast<unsigned>(button));
    }
    std::uint16_t m_bits = 0;
};

// Where a control sits in its parent: nowhere in particular, or along one edge, or filling it.
enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

using EXbaseNavClick = std::function<void(TXbaseNavigator&, TXbaseNavigateBtn)>;
using TXbaseNavDataSetEvent = std::function<void(TDataSet&)>;

// The glyph bitmap of a button: the resource of that name (letter case does not matter), 32 by 16
// pixels, the colour of its lower left pixel made transparent. Raises when there is no such
// resource.
QImage NavigatorGlyph(const std::string& resourceName);

// The link through which the bar follows its dataset.
class TXbaseNavDataLink : public TDataLink {
public:
    explicit TXbaseNavDataLink(TXbaseNavigator& navigator) : m_navigator(navigator) {}
    ~TXbaseNavDataLink() override;
    TXbaseNavDataLink(const TXbaseNavDataLink&) = delete;
    TXbaseNavDataLink& operator=(const TXbaseNavDataLink&) = delete;

protected:
    void ActiveChanged() override;
    void DataSetChanged() override;
    void EditingChanged() override;

private:
    TXbaseNavigator& m_navigator;
};

// One button of the bar: a glyph with its disabled image, raised or flat, and for Prior and Next
// a timer that clicks again while the mouse is held down on it.
class TXbaseNavButton : public QAbstractButton {
    Q_OBJECT
public:
    TXbaseNavButton(TXbaseNavigator& navigator, TXbaseNavigateBtn index);

    TXbaseNavigateBtn Index() const { return m_index; }
    bool Flat() const { return m_flat; }
    void SetFlat(bool flat);
    // Whether the button clicks again while it is held down.
    bool RepeatClicks() const { return m_repeat; }
    void SetRepeatClicks(bool repeat) { m_repeat = repeat; }
    // The two halves of the glyph bitmap.
    const QImage& Glyph() const { return m_glyph; }
    const QImage& DisabledGlyph() const { return m_disabledGlyph; }
    // Takes the normal and the disabled image from a 32 by 16 glyph bitmap.
    void SetGlyph(const QImage& bitmap);
    const QTimer& RepeatTimer() const { return m_repeatTimer; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    void repeatTick();

    TXbaseNavigator& m_navigator;
    TXbaseNavigateBtn m_index;
    bool m_flat = false;
    bool m_repeat = false;
    bool m_mouseInside = false;
    // The left button went down on this button and has not come up yet.
    bool m_held = false;
    QImage m_glyph;
    QImage m_disabledGlyph;
    QTimer m_repeatTimer;
};

class TXbaseNavigator : public QWidget {
    Q_OBJECT
public:
    explicit TXbaseNavigator(QWidget* parent = nullptr);
    ~TXbaseNavigator() override;
    TXbaseNavigator(const TXbaseNavigator&) = delete;
    TXbaseNavigator& operator=(const TXbaseNavigator&) = delete;

    // Published properties.
    TDataSource* DataSource() const;
    void SetDataSource(TDataSource* source);
    TXbaseButtonSet VisibleButtons() const { return m_visibleButtons; }
    void SetVisibleButtons(TXbaseButtonSet buttons);
    bool Flat() const { return m_flat; }
    void SetFlat(bool flat);
    const std::vector<std::string>& Hints() const { return m_hints; }
    void SetHints(const std::vector<std::string>& hints);
    bool ConfirmDelete() const { return m_confirmDelete; }
    void SetConfirmDelete(bool confirm) { m_confirmDelete = confirm; }
    bool TabStop() const { return m_tabStop; }
    void SetTabStop(bool tabStop);
    TAlign Align() const { return m_align; }
    void SetAlign(TAlign align);
    // The bar's own Enabled, whatever its parent's.
    bool Enabled() const;
    void SetEnabled(bool enabled) { setEnabled(enabled); }
    bool ShowHint() const { return m_showHint; }
    void SetShowHint(bool show);
    // Hints follow the parent's "ShowHint" property (false when it has none) while this is set.
    bool ParentShowHint() const { return m_parentShowHint; }
    void SetParentShowHint(bool parent) { m_parentShowHint = parent; }
    // Whether the buttons' hints are shown, after ParentShowHint.
    bool HintsShown() const;

    EXbaseNavClick BeforeAction;
    EXbaseNavClick OnClick;
    TXbaseNavDataSetEvent OnCopyClick;
    TXbaseNavDataSetEvent OnFindClick;

    // Sets position and size; the size first goes through the layout's rounding.
    void SetBounds(int left, int top, int width, int height);
    // Clicks a button as the mouse would, raising what the dataset operation raises.
    void BtnClick(TXbaseNavigateBtn index);

    TXbaseNavButton* Buttons(TXbaseNavigateBtn index) const { return m_buttons[static_cast<std::size_t>(index)]; }
    // The width every visible button has at least.
    int ButtonWidth() const { return m_buttonWidth; }
    // The button that the keyboard works on.
    TXbaseNavigateBtn FocusedButton() const { return m_focusedButton; }

    // The default hint of each button.
    static const std::array<std::string, kXbaseNavButtonCount>& DefaultHints();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class TXbaseNavDataLink;
    friend class TXbaseNavButton;

    // The three rules that enable and disable the buttons.
    void ActiveChanged();
    void DataChanged();
    void EditingChanged();
    void InitHints();
    // Applies the minimum and the rounding to a requested size; sets the button width.
    void CalcMinSize(int& width, int& height);
    // Lays the buttons out and sets the bar's size when the layout changed it.
    void AdjustSize();
    void FollowParent();
    void ClickGuarded(TXbaseNavigateBtn index);
    void ButtonMouseDown(TXbaseNavigateBtn index);
    void SetButtonEnabled(TXbaseNavigateBtn index, bool enabled);

    std::unique_ptr<TXbaseNavDataLink> m_dataLink;
    std::array<TXbaseNavButton*, kXbaseNavButtonCount> m_buttons{};
    TXbaseButtonSet m_visibleButtons = TXbaseButtonSet::All();
    std::vector<std::string> m_hints;
    bool m_flat = false;
    bool m_confirmDelete = true;
    bool m_tabStop = false;
    bool m_showHint = false;
    bool m_parentShowHint = true;
    TAlign m_align = TAlign::alNone;
    int m_buttonWidth = 0;
    TXbaseNavigateBtn m_focusedButton = TXbaseNavigateBtn::nbTop;
};
