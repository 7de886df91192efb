// The cell editor, the grid's delegate: it shows the selected field's text, lets through only the
// characters the field accepts, starts the edit on the first change and writes the text back.
#include <QApplication>
#include <QKeyEvent>

#include <algorithm>

#include "platform/ansi_text.h"
#include "toolkit/db_grid_private.h"
#include "toolkit/dataset.h"
#include "toolkit/dialogs.h"
#include "toolkit/fields.h"

using namespace db_grid_detail;

namespace {

// Keys after which the editor's text may differ: they need the field's consent first.
bool modifiesText(const QKeyEvent& event) {
    const int key = event.key();
    if (key == Qt::Key_Backspace || key == Qt::Key_Delete) return true;
    if (key == Qt::Key_Insert && (event.modifiers() & Qt::ShiftModifier)) return true;
    if (event.matches(QKeySequence::Paste) || event.matches(QKeySequence::Cut) || event.matches(QKeySequence::Undo) ||
        event.matches(QKeySequence::Redo) || event.matches(QKeySequence::DeleteStartOfWord) ||
        event.matches(QKeySequence::DeleteEndOfWord) || event.matches(QKeySequence::DeleteEndOfLine) ||
        event.matches(QKeySequence::DeleteCompleteLine)) {
        return true;
    }
    return isPrintable(event);
}

bool editableType(const TField& field) {
    return field.DataType() != TFieldType::ftMemo && field.DataType() != TFieldType::ftBlob;
}

}  // namespace

TInplaceEdit::TInplaceEdit(TDBGrid& grid) : QLineEdit(grid.viewport()), m_grid(grid) {
    setFrame(false);
    setContextMenuPolicy(Qt::NoContextMenu);
    QPalette colours = palette();
    colours.setColor(QPalette::Base, qcolor(kWindow));
    colours.setColor(QPalette::Text, qcolor(clBlack));
    colours.setColor(QPalette::Highlight, qcolor(kHighlight));
    colours.setColor(QPalette::HighlightedText, qcolor(kHighlightText));
    setPalette(colours);
    hide();
}

bool TInplaceEdit::event(QEvent* event) {
    // Tab moves between the cells, not to the next control.
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) && m_grid.Has(TDBGridOption::dgTabs) &&
            !(key->modifiers() & Qt::AltModifier)) {
            keyPressEvent(key);
            return true;
        }
    }
    return QLineEdit::event(event);
}

void TInplaceEdit::keyPressEvent(QKeyEvent* event) {
    event->accept();
    RunGuarded([&] { m_grid.EditorKey(*event); });
}

void TInplaceEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    if (!m_grid.m_destroying) m_grid.FocusLeft(QApplication::focusWidget());
}

void TDBGrid::SetEditorMode(bool open) {
    if (open) {
        ShowEditor();
    } else {
        WriteEditorText();
        HideEditor();
    }
}

bool TDBGrid::CanEditShow() const {
    if (!m_link->Active() || !DataSet() || m_readOnly) return false;
    if (!Has(TDBGridOption::dgEditing) || Has(TDBGridOption::dgRowSelect)) return false;
    const TField* field = SelectedField();
    return field && editableType(*field);
}

bool TDBGrid::CanModifyData() const {
    TDataSet* dataSet = DataSet();
    return m_link->Active() && dataSet && !m_readOnly && !m_link->ReadOnly() && Has(TDBGridOption::dgEditing) &&
           dataSet->CanModify();
}

bool TDBGrid::CanEditModify() {
    if (!CanModifyData()) return false;
    const TField* field = SelectedField();
    if (!field || field->ReadOnly() || m_columns[m_col].ReadOnly() || !editableType(*field)) return false;
    // The first change starts the edit (an insert on an empty table); a refusal raises.
    m_link->Edit();
    return m_link->Editing();
}

bool TDBGrid::AcceptsChar(QChar c) const {
    const TField* field = SelectedField();
    if (!field) return false;
    char byte = 0;
    if (!platform::ansiByteOf(c.unicode(), byte)) return false;
    return field->IsValidChar(byte);
}

QString TDBGrid::FieldEditText() const {
    TField* field = SelectedField();
    if (!field) return QString();
    try {
        return fromAnsi(field->Text());
    } catch (const std::exception&) {
        return QString();
    }
}

void TDBGrid::LoadEditorText() {
    const TField* field = SelectedField();
    m_editor->setMaxLength(field && field->DataType() == TFieldType::ftString ? std::max(1, field->Size()) : 32767);
    m_editor->setText(FieldEditText());
    m_editor->selectAll();
    m_editChanged = false;
}

void TDBGrid::WriteEditorText() {
    if (!m_editChanged || !m_link->Active() || !DataSet()) return;
    TField* field = SelectedField();
    if (!field) {
        m_editChanged = false;
        return;
    }
    m_writingField = true;
    try {
        field->SetText(toAnsi(m_editor->text()));
    } catch (...) {
        // The text stays in the editor, still counted as changed, for the user to correct.
        m_writingField = false;
        throw;
    }
    m_writingField = false;
    m_editChanged = false;
    // The field may spell the value its own way ("+5" becomes "5").
    const QString stored = FieldEditText();
    if (stored != m_editor->text()) m_editor->setText(stored);
    viewport()->update();
}

void TDBGrid::ShowEditor() {
    if (m_editorMode || !CanEditShow()) return;
    m_editorMode = true;
    LoadEditorText();
    UpdateEditorGeometry();
    if (HasFocusWithin() && m_editor->isVisible()) m_editor->setFocus(Qt::OtherFocusReason);
    viewport()->update();
}

void TDBGrid::HideEditor() {
    if (!m_editorMode) return;
    m_editorMode = false;
    m_editChanged = false;
    if (m_editor->hasFocus()) setFocus(Qt::OtherFocusReason);
    m_editor->hide();
    viewport()->update();
}

void TDBGrid::TypeOnClosedCell(QKeyEvent& event) {
    if (!Has(TDBGridOption::dgEditing) || Has(TDBGridOption::dgRowSelect) || m_columns.Count() == 0) return;
    if (event.key() != Qt::Key_Backspace) {
        const QString text = event.text();
        if (!std::all_of(text.begin(), text.end(), [&](QChar c) { return AcceptsChar(c); })) {
            Beep();
            return;
        }
    }
    ShowEditor();
    if (m_editorMode) EditorKey(event);
}

void TDBGrid::EditorKey(QKeyEvent& event) {
    const int key = event.key();
    const Qt::KeyboardModifiers modifiers = event.modifiers();
    bool toGrid = false;
    switch (key) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Escape:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            toGrid = true;
            break;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            toGrid = !(modifiers & Qt::AltModifier);
            break;
        case Qt::Key_Insert:
            toGrid = !(modifiers & Qt::ShiftModifier);
            break;
        default:
            break;
    }
    if (toGrid) {
        KeyDown(key, modifiers);
        return;
    }
    if (key == Qt::Key_F2) {
        m_editor->setCursorPosition(static_cast<int>(m_editor->text().size()));
        return;
    }
    // With Ctrl as without: the start or the end of the text, as in any single-line edit box.
    if ((key == Qt::Key_Home || key == Qt::Key_End) && (modifiers & Qt::ControlModifier)) {
        const bool mark = modifiers & Qt::ShiftModifier;
        if (key == Qt::Key_Home) {
            m_editor->home(mark);
        } else {
            m_editor->end(mark);
        }
        return;
    }
    if (modifiesText(event)) {
        if (isPrintable(event)) {
            const QString text = event.text();
            if (!std::all_of(text.begin(), text.end(), [&](QChar c) { return AcceptsChar(c); })) {
                Beep();
                return;
            }
        }
        if (!CanEditModify()) return;
    }
    m_editor->BaseKeyPress(&event);
    event.accept();
}
