// The vocabulary shared by the base dataset, its fields and the data links: states, field
// types, read modes, bookmark flags, data events and the callback types of the events.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <variant>

class TDataSet;
class TField;
class EDatabaseError;

enum class TDataSetState {
    dsInactive,
    dsBrowse,
    dsEdit,
    dsInsert,
    dsSetKey,
    dsCalcFields,
    dsFilter,
    dsNewValue,
    dsOldValue,
    dsCurValue,
    dsOpening,
};

enum class TFieldType {
    ftUnknown,
    ftString,
    ftSmallint,
    ftInteger,
    ftBoolean,
    ftFloat,
    ftDate,
    ftDateTime,
    ftMemo,
    ftBlob,
};

enum class TFieldKind { fkData, fkCalculated, fkLookup, fkInternalCalc };

enum class TAlignment { taLeftJustify, taRightJustify, taCenter };

// How a descendant is asked for a record: the one the cursor stands on, or the next or prior one.
enum class TGetMode { gmCurrent, gmNext, gmPrior };
enum class TGetResult { grOK, grBOF, grEOF, grError };

// Where a buffered row lies: on a record, before the first, after the last, or newly inserted.
enum class TBookmarkFlag { bfCurrent, bfBOF, bfEOF, bfInserted };

enum class TDataEvent {
    deFieldChange,
    deRecordChange,
    deDataSetChange,
    deDataSetScroll,
    deLayoutChange,
    deUpdateRecord,
    deUpdateState,
    deCheckBrowseMode,
    dePropertyChange,
    deFieldListChange,
    deFocusControl,
};

enum class TDataAction { daFail, daAbort, daRetry };

// Resync modes, combinable.
inline constexpr int rmExact = 1;
inline constexpr int rmCenter = 2;

using TRecordBuffer = std::uint8_t*;
using TBookmarkStr = std::string;
// Days since 1899-12-30, the fraction being the time of day.
using TDateTime = double;

// A field's value as a dataset hands it over: null, text, integer, real or logical. Dates and
// date-times travel as TDateTime reals.
using TFieldValue = std::variant<std::monostate, std::string, std::int32_t, double, bool>;

using TDataSetNotifyEvent = std::function<void(TDataSet&)>;
using TDataSetErrorEvent = std::function<void(TDataSet&, EDatabaseError&, TDataAction&)>;
using TFilterRecordEvent = std::function<void(TDataSet&, bool& accept)>;
using TFieldNotifyEvent = std::function<void(TField&)>;
