// The field classes of the base dataset: one object per column, reading and writing the value of
// the dataset's current row, converting it to and from text, and checking ranges.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/component.h"
#include "toolkit/conversions.h"
#include "toolkit/db_types.h"

class TField : public TComponent {
public:
    TField(TFieldType dataType, int size);
    ~TField() override;

    TDataSet* DataSet() const { return m_dataSet; }
    void SetDataSet(TDataSet* dataSet);

    const std::string& FieldName() const { return m_fieldName; }
    void SetFieldName(const std::string& name) { m_fieldName = name; }
    // The label when one is set, else the field name: what messages and titles show.
    std::string DisplayName() const { return m_displayLabel.empty() ? m_fieldName : m_displayLabel; }
    const std::string& DisplayLabel() const { return m_displayLabel; }
    void SetDisplayLabel(const std::string& label) { m_displayLabel = label; }
    TFieldType DataType() const { return m_dataType; }
    int Size() const { return m_size; }
    int FieldNo() const { return m_fieldNo; }
    void SetFieldNo(int fieldNo) { m_fieldNo = fieldNo; }
    int Index() const;
    TFieldKind FieldKind() const { return m_fieldKind; }
    void SetFieldKind(TFieldKind kind) { m_fieldKind = kind; }
    bool Calculated() const { return m_fieldKind == TFieldKind::fkCalculated; }
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool readOnly) { m_readOnly = readOnly; }
    bool Required() const { return m_required; }
    void SetRequired(bool required) { m_required = required; }
    bool Visible() const { return m_visible; }
    void SetVisible(bool visible) { m_visible = visible; }
    TAlignment Alignment() const { return m_alignment; }
    void SetAlignment(TAlignment alignment) { m_alignment = alignment; }
    // Characters wide in a grid column: the field's own default unless set.
    int DisplayWidth() const { return m_displayWidth > 0 ? m_displayWidth : DefaultWidth(); }
    void SetDisplayWidth(int width) { m_displayWidth = width; }
    // Offset of a calculated field's slot in the row's calculated-field area.
    int Offset() const { return m_offset; }
    void SetOffset(int offset) { m_offset = offset; }
    // Bytes a calculated field's value takes in the calculated-field area, its flag excluded.
    virtual int DataSize() const { return 8; }

    bool IsNull() const;
    void Clear();

    virtual std::string AsString() const;
    virtual void SetAsString(const std::string& value);
    virtual std::int32_t AsInteger() const;
    virtual void SetAsInteger(std::int32_t value);
    virtual double AsFloat() const;
    virtual void SetAsFloat(double value);
    virtual bool AsBoolean() const;
    virtual void SetAsBoolean(bool value);
    virtual TDateTime AsDateTime() const;
    virtual void SetAsDateTime(TDateTime value);

    // What a grid shows, and what its editor starts from and hands back.
    virtual std::string DisplayText() const { return AsString(); }
    virtual std::string Text() const { return AsString(); }
    virtual void SetText(const std::string& text) { SetAsString(text); }

    // Whether a typed character may go into this field; a grid's editor asks before inserting.
    virtual bool IsValidChar(char c) const;

    // Raised before a value is stored and after it changed.
    TFieldNotifyEvent OnValidate;
    TFieldNotifyEvent OnChange;

    // Reads the value of the dataset's current row; false for null.
    bool GetData(TFieldValue& value) const;
    // Stores a value into the current row through the dataset.
    void SetData(const TFieldValue& value);
    // Called by the dataset before a value is stored.
    void Validate();
    // Called by the dataset once a value was stored.
    void Change();

protected:
    virtual int DefaultWidth() const { return 10; }
    [[noreturn]] void AccessError(const char* typeName) const;
    // Raises the range error when value lies outside [minimum, maximum].
    void CheckRange(double value, double minimum, double maximum) const;

private:
    TDataSet* m_dataSet = nullptr;
    std::string m_fieldName;
    std::string m_displayLabel;
    TFieldType m_dataType;
    int m_size;
    int m_fieldNo = 0;
    TFieldKind m_fieldKind = TFieldKind::fkData;
    bool m_readOnly = false;
    bool m_required = false;
    bool m_visible = true;
    TAlignment m_alignment = TAlignment::taLeftJustify;
    int m_displayWidth = 0;
    int m_offset = 0;
};

class TStringField : public TField {
public:
    explicit TStringField(int size = 20);
    std::string AsString() const override;
    void SetAsString(const std::string& value) override;
    std::int32_t AsInteger() const override;
    void SetAsInteger(std::int32_t value) override;
    double AsFloat() const override;
    void SetAsFloat(double value) override;
    bool AsBoolean() const override;
    void SetAsBoolean(bool value) override;
    TDateTime AsDateTime() const override;
    void SetAsDateTime(TDateTime value) override;
    int DataSize() const override { return Size() + 1; }
    // Convert between the program's and the table's code page on every read and write.
    bool Transliterate() const { return m_transliterate; }
    void SetTransliterate(bool on) { m_transliterate = on; }

protected:
    int DefaultWidth() const override { return Size(); }

private:
    bool m_transliterate = true;
};

// Integer columns: right-aligned, digits and signs only, range-checked.
class TIntegerField : public TField {
public:
    TIntegerField();
    std::string AsString() const override;
    void SetAsString(const std::string& value) override;
    std::int32_t AsInteger() const override;
    void SetAsInteger(std::int32_t value) override;
    double AsFloat() const override;
    void SetAsFloat(double value) override;
    bool IsValidChar(char c) const override;
    // 0 and 0 mean the type's own limits.
    std::int32_t MinValue() const { return m_minValue; }
    std::int32_t MaxValue() const { return m_maxValue; }
    void SetMinValue(std::int32_t value) { m_minValue = value; }
    void SetMaxValue(std::int32_t value) { m_maxValue = value; }

protected:
    TIntegerField(TFieldType type, std::int32_t lowest, std::int32_t highest);
    int DefaultWidth() const override { return 11; }

private:
    std::int32_t m_lowest;
    std::int32_t m_highest;
    std::int32_t m_minValue = 0;
    std::int32_t m_maxValue = 0;
};

class TSmallintField : public TIntegerField {
public:
    TSmallintField();

protected:
    int DefaultWidth() const override { return 6; }
};

class TFloatField : public TField {
public:
    TFloatField();
    std::string AsString() const override;
    void SetAsString(const std::string& value) override;
    std::int32_t AsInteger() const override;
    void SetAsInteger(std::int32_t value) override;
    double AsFloat() const override;
    void SetAsFloat(double value) override;
    bool IsValidChar(char c) const override;
    int Precision() const { return m_precision; }
    void SetPrecision(int precision) { m_precision = precision; }

private:
    int m_precision = 15;
};

class TBooleanField : public TField {
public:
    TBooleanField();
    std::string AsString() const override;
    void SetAsString(const std::string& value) override;
    bool AsBoolean() const override;
    void SetAsBoolean(bool value) override;

protected:
    int DefaultWidth() const override { return 5; }
};

class TDateTimeField : public TField {
public:
    TDateTimeField();
    std::string AsString() const override;
    void SetAsString(const std::string& value) override;
    double AsFloat() const override;
    void SetAsFloat(double value) override;
    TDateTime AsDateTime() const override;
    void SetAsDateTime(TDateTime value) override;

protected:
    explicit TDateTimeField(TFieldType type);
    int DefaultWidth() const override { return 18; }
};

class TDateField : public TDateTimeField {
public:
    TDateField();
    std::string AsString() const override;
    void SetAsString(const std::string& value) override;

protected:
    int DefaultWidth() const override { return 10; }
};

// A blob column. Its content lives in files this program does not keep; the value the dataset
// hands over is the reference to it, null when there is none.
class TBlobField : public TField {
public:
    TBlobField();
    std::string AsString() const override;
    std::string DisplayText() const override;

protected:
    explicit TBlobField(TFieldType type);
    virtual const char* Caption() const { return "BLOB"; }
};

class TMemoField : public TBlobField {
public:
    TMemoField();

protected:
    const char* Caption() const override { return "MEMO"; }
};

// Builds the field object for a field definition's type.
std::unique_ptr<TField> CreateFieldOfType(TFieldType type, int size);
