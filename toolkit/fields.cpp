// The field classes: each reads the value of the dataset's current row through the dataset,
// turns it into the form asked for, and checks text and numbers before storing them back.
// The text of numbers and dates is read and written by the conversions unit.
#include "toolkit/fields.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string_view>
#include <system_error>

#include "platform/exception.h"
#include "platform/locale_info.h"
#include "toolkit/conversions.h"
#include "toolkit/database_error.h"
#include "toolkit/dataset.h"

using namespace conversions;

namespace {

constexpr std::int32_t kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kInt32Max = std::numeric_limits<std::int32_t>::max();

}  // namespace

// --- free functions ---------------------------------------------------------------------------

std::unique_ptr<TField> CreateFieldOfType(TFieldType type, int size) {
    switch (type) {
        case TFieldType::ftString:
            return std::make_unique<TStringField>(size);
        case TFieldType::ftSmallint:
            return std::make_unique<TSmallintField>();
        case TFieldType::ftInteger:
            return std::make_unique<TIntegerField>();
        case TFieldType::ftBoolean:
            return std::make_unique<TBooleanField>();
        case TFieldType::ftFloat:
            return std::make_unique<TFloatField>();
        case TFieldType::ftDate:
            return std::make_unique<TDateField>();
        case TFieldType::ftDateTime:
            return std::make_unique<TDateTimeField>();
        case TFieldType::ftMemo:
            return std::make_unique<TMemoField>();
        case TFieldType::ftBlob:
            return std::make_unique<TBlobField>();
        case TFieldType::ftUnknown:
            break;
    }
    return nullptr;
}

// --- TField -----------------------------------------------------------------------------------

TField::TField(TFieldType dataType, int size) : m_dataType(dataType), m_size(size) {}

TField::~TField() = default;

void TField::SetDataSet(TDataSet* dataSet) { m_dataSet = dataSet; }

int TField::Index() const { return m_dataSet != nullptr ? m_dataSet->FieldIndex(this) : -1; }

bool TField::GetData(TFieldValue& value) const {
    value = std::monostate{};
    if (m_dataSet == nullptr) return false;
    if (!m_dataSet->GetFieldData(*this, value) || std::holds_alternative<std::monostate>(value)) {
        value = std::monostate{};
        return false;
    }
    return true;
}

void TField::SetData(const TFieldValue& value) {
    if (m_dataSet == nullptr) DatabaseError(FormatMessage("Field '%s' has no dataset", {m_fieldName}));
    m_dataSet->SetFieldData(*this, value);
}

bool TField::IsNull() const {
    TFieldValue value;
    return !GetData(value);
}

void TField::Clear() { SetData(std::monostate{}); }

void TField::Validate() {
    if (OnValidate) OnValidate(*this);
}

void TField::Change() {
    if (OnChange) OnChange(*this);
}

void TField::AccessError(const char* typeName) const {
    DatabaseError(FormatMessage(dbtext::SFieldAccessError, {DisplayName(), typeName}));
}

void TField::CheckRange(double value, double minimum, double maximum) const {
    // Written so that a NaN fails as well.
    if (!(value >= minimum && value <= maximum))
        DatabaseError(FormatMessage(dbtext::SFieldRangeError,
                                    {FormatG(value), DisplayName(), FormatG(minimum), FormatG(maximum)}));
}

std::string TField::AsString() const { AccessError("String"); }
void TField::SetAsString(const std::string&) { AccessError("String"); }
std::int32_t TField::AsInteger() const { AccessError("Integer"); }
void TField::SetAsInteger(std::int32_t) { AccessError("Integer"); }
double TField::AsFloat() const { AccessError("Float"); }
void TField::SetAsFloat(double) { AccessError("Float"); }
bool TField::AsBoolean() const { AccessError("Boolean"); }
void TField::SetAsBoolean(bool) { AccessError("Boolean"); }
TDateTime TField::AsDateTime() const { AccessError("DateTime"); }
void TField::SetAsDateTime(TDateTime) { AccessError("DateTime"); }

bool TField::IsValidChar(char) const { return true; }

// --- TStringField -----------------------------------------------------------------------------

TStringField::TStringField(int size) : TField(TFieldType::ftString, size) {}

std::string TStringField::AsString() const {
    TFieldValue value;
    if (!GetData(value)) return {};
    std::string text;
    if (const auto* s = std::get_if<std::string>(&value))
        text = *s;
    else if (const auto* i = std::get_if<std::int32_t>(&value))
        text = std::to_string(*i);
    else if (const auto* d = std::get_if<double>(&value))
        text = FormatG(*d);
    else if (const auto* b = std::get_if<bool>(&value))
        text.push_back(*b ? 'T' : 'F');
    if (Transliterate() && DataSet() != nullptr) text = DataSet()->Translate(text, false);
    return text;
}

void TStringField::SetAsString(const std::string& value) {
    // The column holds Size() characters; what is typed beyond them is dropped here rather
    // than left to the storage.
    std::string text = Size() > 0 && value.size() > static_cast<std::size_t>(Size())
                           ? value.substr(0, static_cast<std::size_t>(Size()))
                           : value;
    if (Transliterate() && DataSet() != nullptr) text = DataSet()->Translate(text, true);
    SetData(text);
}

std::int32_t TStringField::AsInteger() const { return textToInt32(AsString()); }

void TStringField::SetAsInteger(std::int32_t value) { SetAsString(std::to_string(value)); }

double TStringField::AsFloat() const { return textToReal(AsString()); }

void TStringField::SetAsFloat(double value) { SetAsString(FormatG(value)); }

bool TStringField::AsBoolean() const { return textToBoolean(AsString()); }

void TStringField::SetAsBoolean(bool value) { SetAsString(value ? "T" : "F"); }

TDateTime TStringField::AsDateTime() const { AccessError("DateTime"); }

void TStringField::SetAsDateTime(TDateTime) { AccessError("DateTime"); }

// --- TIntegerField, TSmallintField ------------------------------------------------------------

namespace {

// The value of a numeric field rounded to a whole number, whatever form the dataset handed it
// in; the caller checks that it fits.
bool wholeValue(const TField& field, double& result) {
    TFieldValue value;
    if (!field.GetData(value)) return false;
    if (const auto* i = std::get_if<std::int32_t>(&value))
        result = *i;
    else if (const auto* d = std::get_if<double>(&value))
        result = RoundHalfEven(*d);
    else if (const auto* s = std::get_if<std::string>(&value))
        result = textToInt32(*s);
    else if (const auto* b = std::get_if<bool>(&value))
        result = *b ? 1.0 : 0.0;
    return true;
}

bool realValue(const TField& field, double& result) {
    TFieldValue value;
    if (!field.GetData(value)) return false;
    if (const auto* d = std::get_if<double>(&value))
        result = *d;
    else if (const auto* i = std::get_if<std::int32_t>(&value))
        result = *i;
    else if (const auto* s = std::get_if<std::string>(&value))
        result = textToReal(*s);
    else if (const auto* b = std::get_if<bool>(&value))
        result = *b ? 1.0 : 0.0;
    return true;
}

}  // namespace

TIntegerField::TIntegerField() : TIntegerField(TFieldType::ftInteger, kInt32Min, kInt32Max) {}

TIntegerField::TIntegerField(TFieldType type, std::int32_t lowest, std::int32_t highest)
    : TField(type, 0), m_lowest(lowest), m_highest(highest) {
    SetAlignment(TAlignment::taRightJustify);
}

std::string TIntegerField::AsString() const {
    double value = 0.0;
    if (!wholeValue(*this, value)) return {};
    CheckRange(value, kInt32Min, kInt32Max);
    return std::to_string(static_cast<std::int32_t>(value));
}

std::int32_t TIntegerField::AsInteger() const {
    double value = 0.0;
    if (!wholeValue(*this, value)) return 0;
    CheckRange(value, kInt32Min, kInt32Max);
    return static_cast<std::int32_t>(value);
}

double TIntegerField::AsFloat() const {
    double value = 0.0;
    if (!wholeValue(*this, value)) return 0.0;
    CheckRange(value, kInt32Min, kInt32Max);
    return value;
}

void TIntegerField::SetAsInteger(std::int32_t value) {
    const bool ownLimits = m_minValue != 0 || m_maxValue != 0;
    CheckRange(value, ownLimits ? m_minValue : m_lowest, ownLimits ? m_maxValue : m_highest);
    SetData(value);
}

void TIntegerField::SetAsString(const std::string& value) {
    const std::string_view text = trimmed(value);
    if (text.empty()) {
        Clear();
        return;
    }
    std::int64_t number = 0;
    if (!parseInteger(text, number)) DatabaseError(FormatMessage(dbtext::SInvalidIntegerValue, {value, DisplayName()}));
    const bool ownLimits = m_minValue != 0 || m_maxValue != 0;
    CheckRange(static_cast<double>(number), ownLimits ? m_minValue : m_lowest, ownLimits ? m_maxValue : m_highest);
    SetData(static_cast<std::int32_t>(number));
}

void TIntegerField::SetAsFloat(double value) {
    const bool ownLimits = m_minValue != 0 || m_maxValue != 0;
    CheckRange(value, ownLimits ? m_minValue : m_lowest, ownLimits ? m_maxValue : m_highest);
    SetData(static_cast<std::int32_t>(RoundHalfEven(value)));
}

bool TIntegerField::IsValidChar(char c) const { return c == '+' || c == '-' || isDigit(c); }

TSmallintField::TSmallintField() : TIntegerField(TFieldType::ftSmallint, -32768, 32767) {}

// --- TFloatField ------------------------------------------------------------------------------

TFloatField::TFloatField() : TField(TFieldType::ftFloat, 0) { SetAlignment(TAlignment::taRightJustify); }

std::string TFloatField::AsString() const {
    double value = 0.0;
    return realValue(*this, value) ? formatGeneral(value, m_precision) : std::string();
}

void TFloatField::SetAsString(const std::string& value) {
    const std::string_view text = trimmed(value);
    if (text.empty()) {
        Clear();
        return;
    }
    double number = 0.0;
    if (!parseReal(text, number)) DatabaseError(FormatMessage(dbtext::SInvalidFloatValue, {value, DisplayName()}));
    SetData(number);
}

std::int32_t TFloatField::AsInteger() const {
    double value = 0.0;
    if (!realValue(*this, value)) return 0;
    const double rounded = RoundHalfEven(value);
    CheckRange(rounded, kInt32Min, kInt32Max);
    return static_cast<std::int32_t>(rounded);
}

void TFloatField::SetAsInteger(std::int32_t value) { SetAsFloat(value); }

double TFloatField::AsFloat() const {
    double value = 0.0;
    return realValue(*this, value) ? value : 0.0;
}

void TFloatField::SetAsFloat(double value) { SetData(value); }

bool TFloatField::IsValidChar(char c) const {
    return isDigit(c) || c == '+' || c == '-' || c == '.' || c == 'E' || c == 'e';
}

// --- TBooleanField ----------------------------------------------------------------------------

TBooleanField::TBooleanField() : TField(TFieldType::ftBoolean, 0) {}

namespace {

bool booleanValue(const TField& field, bool& result) {
    TFieldValue value;
    if (!field.GetData(value)) return false;
    if (const auto* b = std::get_if<bool>(&value))
        result = *b;
    else if (const auto* i = std::get_if<std::int32_t>(&value))
        result = *i != 0;
    else if (const auto* d = std::get_if<double>(&value))
        result = *d != 0.0;
    else if (const auto* s = std::get_if<std::string>(&value))
        result = textToBoolean(*s);
    return true;
}

// Whether `typed` is a leading part of `word`, letter case aside.
bool isPrefixOf(const std::string& typed, std::string_view word) {
    if (typed.size() > word.size()) return false;
    for (std::size_t i = 0; i < typed.size(); ++i)
        if (lowerAscii(typed[i]) != lowerAscii(word[i])) return false;
    return true;
}

}  // namespace

std::string TBooleanField::AsString() const {
    bool value = false;
    if (!booleanValue(*this, value)) return {};
    return value ? "True" : "False";
}

void TBooleanField::SetAsString(const std::string& value) {
    if (value.empty()) {
        Clear();
        return;
    }
    if (isPrefixOf(value, "False")) {
        SetAsBoolean(false);
        return;
    }
    if (isPrefixOf(value, "True")) {
        SetAsBoolean(true);
        return;
    }
    DatabaseError(FormatMessage(dbtext::SInvalidBoolValue, {value, DisplayName()}));
}

bool TBooleanField::AsBoolean() const {
    bool value = false;
    return booleanValue(*this, value) && value;
}

void TBooleanField::SetAsBoolean(bool value) { SetData(value); }

// --- TDateTimeField, TDateField ---------------------------------------------------------------

namespace {

bool dateTimeValue(const TField& field, TDateTime& result) {
    TFieldValue value;
    if (!field.GetData(value)) return false;
    if (const auto* d = std::get_if<double>(&value)) {
        result = *d;
    } else if (const auto* i = std::get_if<std::int32_t>(&value)) {
        result = *i;
    } else if (const auto* s = std::get_if<std::string>(&value)) {
        if (!parseDateTime(*s, true, result)) convertError(dbtext::SInvalidDateTime, *s);
    } else if (const auto* b = std::get_if<bool>(&value)) {
        result = *b ? 1.0 : 0.0;
    }
    return true;
}

}  // namespace

TDateTimeField::TDateTimeField() : TDateTimeField(TFieldType::ftDateTime) {}

TDateTimeField::TDateTimeField(TFieldType type) : TField(type, 0) {}

std::string TDateTimeField::AsString() const {
    TDateTime value = 0.0;
    if (!dateTimeValue(*this, value)) return {};
    std::string text = formatDate(value, platform::shortDateFormat());
    if (timeOfDayMs(value) / 1000 != 0) {
        text.push_back(' ');
        text += formatTime(value);
    }
    return text;
}

void TDateTimeField::SetAsString(const std::string& value) {
    if (trimmed(value).empty()) {
        Clear();
        return;
    }
    TDateTime date = 0.0;
    if (!parseDateTime(value, true, date)) convertError(dbtext::SInvalidDateTime, value);
    SetAsDateTime(date);
}

double TDateTimeField::AsFloat() const { return AsDateTime(); }

void TDateTimeField::SetAsFloat(double value) { SetAsDateTime(value); }

TDateTime TDateTimeField::AsDateTime() const {
    TDateTime value = 0.0;
    return dateTimeValue(*this, value) ? value : 0.0;
}

void TDateTimeField::SetAsDateTime(TDateTime value) { SetData(value); }

TDateField::TDateField() : TDateTimeField(TFieldType::ftDate) {}

std::string TDateField::AsString() const {
    TDateTime value = 0.0;
    if (!dateTimeValue(*this, value)) return {};
    return formatDate(value, platform::shortDateFormat());
}

void TDateField::SetAsString(const std::string& value) {
    if (trimmed(value).empty()) {
        Clear();
        return;
    }
    TDateTime date = 0.0;
    if (!parseDateTime(value, false, date)) convertError(dbtext::SInvalidDate, value);
    SetAsDateTime(date);
}

// --- TBlobField, TMemoField -------------------------------------------------------------------

TBlobField::TBlobField() : TBlobField(TFieldType::ftBlob) {}

TBlobField::TBlobField(TFieldType type) : TField(type, 0) {}

std::string TBlobField::AsString() const { return {}; }

std::string TBlobField::DisplayText() const {
    std::string text = "(";
    const bool empty = IsNull();
    for (const char* c = Caption(); *c != '\0'; ++c) text.push_back(empty ? lowerAscii(*c) : *c);
    text.push_back(')');
    return text;
}

TMemoField::TMemoField() : TBlobField(TFieldType::ftMemo) {}
