// What the table dataset's source files share: the date-time scale of the engine's fields and
// the guard that points the engine at a row.
#pragma once

#include "dbf/table_handler.h"
#include "toolkit/db_types.h"

namespace xbase_detail {

// The class library's date-times count days from 1899-12-30; the engine's date-time fields hold
// milliseconds from the start of year 1 (day 1 being 0001-01-01).
inline constexpr double kDaysFromYearOneTo1899 = 693594.0;
inline constexpr double kMsPerDay = 86400000.0;

// Points the engine at a row for one operation and back at its own buffer afterwards, whether
// the operation succeeded or not.
class EngineRow {
public:
    EngineRow(DBFObject& engine, TRecordBuffer row) : m_engine(engine) { m_engine.setRecordBuffer(row); }
    ~EngineRow() { m_engine.useOwnRecordBuffer(); }
    EngineRow(const EngineRow&) = delete;
    EngineRow& operator=(const EngineRow&) = delete;

private:
    DBFObject& m_engine;
};

}  // namespace xbase_detail
