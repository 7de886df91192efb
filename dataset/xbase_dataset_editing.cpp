// The table dataset's edit cycle: the record lock taken before the record is read for an edit,
// field values stored through the engine, posting, cancelling, deleting and recalling.
#include <algorithm>
#include <cstring>
#include <optional>

#include "dataset/xbase_dataset.h"
#include "dataset/xbase_dataset_private.h"
#include "dbf/dbf_date.h"

using namespace xbase_detail;

namespace {

// A calculated or lookup field's slot: a flag byte (1 for a value), then the value.
void writeCalcSlot(std::uint8_t* slot, const TField& field, const TFieldValue& value) {
    std::memset(slot, 0, static_cast<std::size_t>(1 + field.DataSize()));
    if (!std::holds_alternative<std::monostate>(value)) {
        slot[0] = 1;
        if (const auto* text = std::get_if<std::string>(&value)) {
            std::memcpy(slot + 1, text->data(), std::min(text->size(), static_cast<std::size_t>(field.DataSize() - 1)));
        } else if (const auto* integer = std::get_if<std::int32_t>(&value)) {
            std::memcpy(slot + 1, integer, sizeof *integer);
        } else if (const auto* real = std::get_if<double>(&value)) {
            std::memcpy(slot + 1, real, sizeof *real);
        } else if (const auto* flag = std::get_if<bool>(&value)) {
            slot[1] = *flag ? 1 : 0;
        }
    }
}

}  // namespace

void TXbaseDataSet::InternalEdit() {
    TRecordBuffer buffer = ActiveBuffer();
    {
        // The lock first, then the record read under it: the row shows the record as it is once
        // the lock is granted, and the post never writes back bytes read before the lock.
        EngineRow row(*m_engine, buffer);
        if (!m_engine->lockAndReadRecord(RowRecordNumber(buffer))) DatabaseError(xbtext::SRecordLocked);
        m_atFirst = false;
        m_atLast = false;
    }
    m_editInProgress = true;
}

void TXbaseDataSet::InternalInitRecord(TRecordBuffer buffer) {
    EngineRow row(*m_engine, buffer);
    m_engine->blankRecord();
    // The engine's blank record holds 0 in its number fields; where a blank is null they stay blank.
    for (int n = 1; n <= m_engine->fieldCount(); ++n)
        if (BlankIsNull(n)) m_engine->putText(n, std::string());
    if (State() != TDataSetState::dsEdit) m_engine->keepAsOldRecord();
}

void TXbaseDataSet::DoAfterInsert() {
    // The new row stands past the last record until it is posted.
    m_engine->setMarks(true, false);
    TDataSet::DoAfterInsert();
}

void TXbaseDataSet::SetFieldData(TField& field, const TFieldValue& value) {
    const TDataSetState state = State();
    const bool storing = state == TDataSetState::dsEdit || state == TDataSetState::dsInsert ||
                         state == TDataSetState::dsSetKey || state == TDataSetState::dsCalcFields ||
                         state == TDataSetState::dsFilter || state == TDataSetState::dsNewValue;
    if (!storing) Fail(dbtext::SNotEditing);
    if (field.FieldKind() == TFieldKind::fkCalculated || field.FieldKind() == TFieldKind::fkLookup) {
        TRecordBuffer buffer = state == TDataSetState::dsCalcFields ? CalcBuffer() : ActiveBuffer();
        writeCalcSlot(buffer + m_recordLength + field.Offset(), field, value);
    } else {
        if (state == TDataSetState::dsCalcFields) Fail(dbtext::SNotEditing);
        if (field.ReadOnly() && state != TDataSetState::dsSetKey && state != TDataSetState::dsFilter) {
            DatabaseError(FormatMessage(dbtext::SFieldReadOnly, {field.DisplayName()}));
        }
        field.Validate();
        std::optional<EngineRow> row;
        if (state != TDataSetState::dsFilter) row.emplace(*m_engine, ActiveBuffer());
        PutEngineValue(field, value);
    }
    if (state != TDataSetState::dsCalcFields && state != TDataSetState::dsFilter &&
        state != TDataSetState::dsNewValue) {
        DataEvent(TDataEvent::deFieldChange, reinterpret_cast<std::intptr_t>(&field));
    }
}

void TXbaseDataSet::PutEngineValue(const TField& field, const TFieldValue& value) {
    const int n = field.FieldNo();
    auto number = [&]() -> double {
        if (const auto* integer = std::get_if<std::int32_t>(&value)) return *integer;
        if (const auto* real = std::get_if<double>(&value)) return *real;
        if (const auto* flag = std::get_if<bool>(&value)) return *flag ? 1 : 0;
        return 0;
    };
    switch (field.DataType()) {
        case TFieldType::ftString: {
            const auto* text = std::get_if<std::string>(&value);
            m_engine->putValueText(n, text ? *text : std::string());
            break;
        }
        case TFieldType::ftSmallint:
        case TFieldType::ftInteger:
        case TFieldType::ftFloat:
        case TFieldType::ftMemo:
        case TFieldType::ftBlob:
            if (std::holds_alternative<std::monostate>(value) && BlankIsNull(n))
                m_engine->putText(n, std::string());
            else
                m_engine->putNumber(n, number());
            break;
        case TFieldType::ftDateTime: {
            const double days = std::holds_alternative<std::monostate>(value) ? 0 : number();
            m_engine->putNumber(
                n, std::holds_alternative<std::monostate>(value) ? 0 : (days + kDaysFromYearOneTo1899) * kMsPerDay);
            break;
        }
        case TFieldType::ftBoolean: {
            const auto* flag = std::get_if<bool>(&value);
            m_engine->putLogical(n, flag ? *flag : false);
            break;
        }
        case TFieldType::ftDate: {
            std::string text(8, ' ');
            if (const auto* date = std::get_if<double>(&value)) {
                int year = 0, month = 0, day = 0;
                DecodeDate(*date, year, month, day);
                if (TxbDBFDate::isValidDate(year, month, day)) {
                    text = TxbDBFDate::toStored(TxbDBFDate::julianDay(year, month, day));
                }
            }
            m_engine->putText(n, text);
            break;
        }
        default:
            break;
    }
}

void TXbaseDataSet::InternalPost() {
    TRecordBuffer buffer = ActiveBuffer();
    {
        EngineRow row(*m_engine, buffer);
        if (State() == TDataSetState::dsEdit) {
            m_engine->replaceRecord(RowRecordNumber(buffer));
        } else {
            m_engine->appendRecord();
        }
    }
    m_engine->unlock();
    m_editInProgress = false;
    m_atFirst = false;
    m_atLast = false;
}

void TXbaseDataSet::InternalCancel() {
    m_engine->unlock();
    m_editInProgress = false;
}

void TXbaseDataSet::MarkActiveRecord(bool deleted) {
    // The mark goes onto the record as the file holds it under its lock, read into the engine's
    // own buffer: the row on show may be older than another user's change, which must stay.
    // Deleted records stay visible to the engine meanwhile, so that it does not step away from
    // the record it marks; visibility comes back whether or not the write succeeded.
    const bool ownLock = !m_engine->fileLocked();
    bool locked = false;
    bool written = true;
    m_engine->setUseDeleted(true);
    try {
        locked = m_engine->lockAndReadRecord(RowRecordNumber(ActiveBuffer()));
        if (locked && deleted) {
            m_engine->deleteCurrentRecord();
        } else if (locked) {
            m_engine->recallCurrentRecord();
        }
    } catch (const Exception&) {
        written = false;
    }
    if (locked && ownLock) m_engine->unlock();
    m_engine->setUseDeleted(m_useDeleted);
    if (!written) DatabaseError(deleted ? xbtext::SCannotDelete : xbtext::SCannotRecall);
    if (!locked) DatabaseError(xbtext::SRecordLocked);
}

void TXbaseDataSet::InternalDelete() {
    MarkActiveRecord(true);
    if (m_editInProgress) {
        // Deleting the row being edited ends the edit, and with it the record's lock.
        m_engine->unlock();
        m_editInProgress = false;
    }
    // The mark is on disk, so the delete has succeeded whatever follows. Moving to the record
    // after it only chooses the row to show: when that read fails, the resync that ends every
    // delete looks for a row again (the current, the next, the prior one, else none). A failure
    // to read stays a failure to read, never one to delete.
    try {
        m_engine->readRecord(xb::req::kCurrent);
        if (m_engine->eof()) m_engine->readRecord(xb::req::kPrior);
    } catch (const Exception&) {
    }
    m_atFirst = false;
    m_atLast = false;
}

void TXbaseDataSet::InternalRefresh() {
    TRecordBuffer buffer = ActiveBuffer();
    if (!buffer || IsEmpty()) return;
    EngineRow row(*m_engine, buffer);
    GotoRecordNumber(RowRecordNumber(buffer));
}

void TXbaseDataSet::Recall() {
    CheckActive();
    if (IsEmpty()) return;
    UpdateCursorPos();
    MarkActiveRecord(false);
    Resync(0);
}

void TXbaseDataSet::InternalAddRecord(TRecordBuffer buffer, bool) {
    {
        EngineRow row(*m_engine, buffer);
        m_engine->appendRecord();
    }
    m_engine->unlock();
    m_editInProgress = false;
}
