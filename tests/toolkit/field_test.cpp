// The field classes over an in-memory dataset: conversions to and from text and numbers, the
// exact texts of their errors, range checks, null handling and the characters a grid lets in.
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <functional>
#include <limits>
#include <optional>
#include <string>

#include "platform/exception.h"
#include "platform/locale_info.h"
#include "tests/toolkit/memory_dataset.h"
#include "toolkit/database_error.h"
#include "toolkit/fields.h"

namespace {

using toolkit_test::MemoryDataSet;
using toolkit_test::Row;

// The text of the exception of type E that `action` raises, or a marker saying what happened
// instead.
template <class E>
std::string errorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const E& error) {
        return error.Message();
    } catch (const Exception& error) {
        return "<other exception: " + error.Message() + ">";
    }
    return "<nothing raised>";
}

// Fixes the short date format for one test and gives the machine's back afterwards.
class DateFormatScope {
public:
    explicit DateFormatScope(const std::string& format) { platform::overrideShortDateFormat(format); }
    ~DateFormatScope() { platform::overrideShortDateFormat(std::nullopt); }
    DateFormatScope(const DateFormatScope&) = delete;
    DateFormatScope& operator=(const DateFormatScope&) = delete;
};

std::vector<TFieldDef> allColumns() {
    return {
        {"S", TFieldType::ftString, 10, false, 0},   {"I", TFieldType::ftInteger, 0, false, 0},
        {"C1", TFieldType::ftSmallint, 0, false, 0}, {"F", TFieldType::ftFloat, 0, false, 0},
        {"B", TFieldType::ftBoolean, 0, false, 0},   {"D", TFieldType::ftDate, 0, false, 0},
        {"T", TFieldType::ftDateTime, 0, false, 0},  {"M", TFieldType::ftMemo, 0, false, 0},
        {"G", TFieldType::ftBlob, 0, false, 0},
    };
}

enum Column { S, I, C1, F, B, D, T, M, G };

Row sampleRow() {
    return {std::string("AB"), std::int32_t{7}, std::int32_t{5}, 2.5, true, 36937.0,
            36937.5,           std::int32_t{3}, std::monostate{}};
}

// An open dataset of one sample row, put into edit state so that values can be stored.
class FieldTest : public ::testing::Test {
protected:
    FieldTest() : data(allColumns(), {sampleRow()}) {
        data.SetName("Data");
        data.Open();
        data.Edit();
    }

    TField& field(Column column) { return data.Fields(column); }
    // The value the active row holds for a column, as the field store left it.
    TFieldValue stored(Column column) {
        TFieldValue value;
        field(column).GetData(value);
        return value;
    }

    MemoryDataSet data;
};

TEST(FieldClasses, CreateFieldOfTypeMakesTheClassOfEachType) {
    struct Case {
        TFieldType type;
        int width;
        TAlignment alignment;
    };
    const Case cases[] = {
        {TFieldType::ftString, 12, TAlignment::taLeftJustify},
        {TFieldType::ftSmallint, 6, TAlignment::taRightJustify},
        {TFieldType::ftInteger, 11, TAlignment::taRightJustify},
        {TFieldType::ftFloat, 10, TAlignment::taRightJustify},
        {TFieldType::ftBoolean, 5, TAlignment::taLeftJustify},
        {TFieldType::ftDate, 10, TAlignment::taLeftJustify},
        {TFieldType::ftDateTime, 18, TAlignment::taLeftJustify},
        {TFieldType::ftMemo, 10, TAlignment::taLeftJustify},
        {TFieldType::ftBlob, 10, TAlignment::taLeftJustify},
    };
    for (const Case& c : cases) {
        const std::unique_ptr<TField> made = CreateFieldOfType(c.type, 12);
        ASSERT_NE(made, nullptr);
        EXPECT_EQ(made->DataType(), c.type);
        EXPECT_EQ(made->DisplayWidth(), c.width) << static_cast<int>(c.type);
        EXPECT_EQ(made->Alignment(), c.alignment) << static_cast<int>(c.type);
        EXPECT_EQ(made->DataSet(), nullptr);
    }
    EXPECT_EQ(CreateFieldOfType(TFieldType::ftUnknown, 10), nullptr);

    EXPECT_NE(dynamic_cast<TStringField*>(CreateFieldOfType(TFieldType::ftString, 30).get()), nullptr);
    EXPECT_EQ(CreateFieldOfType(TFieldType::ftString, 30)->Size(), 30);
    EXPECT_EQ(CreateFieldOfType(TFieldType::ftString, 30)->DataSize(), 31);
    EXPECT_NE(dynamic_cast<TSmallintField*>(CreateFieldOfType(TFieldType::ftSmallint, 0).get()), nullptr);
    EXPECT_EQ(dynamic_cast<TSmallintField*>(CreateFieldOfType(TFieldType::ftInteger, 0).get()), nullptr);
    EXPECT_NE(dynamic_cast<TIntegerField*>(CreateFieldOfType(TFieldType::ftInteger, 0).get()), nullptr);
    EXPECT_NE(dynamic_cast<TFloatField*>(CreateFieldOfType(TFieldType::ftFloat, 0).get()), nullptr);
    EXPECT_NE(dynamic_cast<TBooleanField*>(CreateFieldOfType(TFieldType::ftBoolean, 0).get()), nullptr);
    EXPECT_NE(dynamic_cast<TDateField*>(CreateFieldOfType(TFieldType::ftDate, 0).get()), nullptr);
    EXPECT_EQ(dynamic_cast<TDateField*>(CreateFieldOfType(TFieldType::ftDateTime, 0).get()), nullptr);
    EXPECT_NE(dynamic_cast<TDateTimeField*>(CreateFieldOfType(TFieldType::ftDateTime, 0).get()), nullptr);
    EXPECT_NE(dynamic_cast<TMemoField*>(CreateFieldOfType(TFieldType::ftMemo, 0).get()), nullptr);
    EXPECT_EQ(dynamic_cast<TMemoField*>(CreateFieldOfType(TFieldType::ftBlob, 0).get()), nullptr);
    EXPECT_NE(dynamic_cast<TBlobField*>(CreateFieldOfType(TFieldType::ftBlob, 0).get()), nullptr);

    TIntegerField wide;
    wide.SetDisplayWidth(3);
    EXPECT_EQ(wide.DisplayWidth(), 3);
    EXPECT_EQ(TFloatField().Precision(), 15);
}

TEST(FieldClasses, AFieldWithoutDatasetIsNullAndCannotStore) {
    TIntegerField field;
    field.SetFieldName("K1");
    TFieldValue value = std::int32_t{9};
    EXPECT_FALSE(field.GetData(value));
    EXPECT_TRUE(std::holds_alternative<std::monostate>(value));
    EXPECT_TRUE(field.IsNull());
    EXPECT_EQ(field.AsInteger(), 0);
    EXPECT_EQ(field.AsString(), "");
    EXPECT_EQ(field.Index(), -1);
    EXPECT_EQ(errorOf<EDatabaseError>([&] { field.SetAsInteger(1); }), "Field 'K1' has no dataset");
    EXPECT_EQ(errorOf<EDatabaseError>([&] { field.Clear(); }), "Field 'K1' has no dataset");
    // The field name, not the label, says which field lacks its dataset.
    field.SetDisplayLabel("Number");
    EXPECT_EQ(errorOf<EDatabaseError>([&] { field.SetAsString("1"); }), "Field 'K1' has no dataset");
}

TEST(FieldClasses, TheBaseFieldRefusesEveryConversion) {
    TField field(TFieldType::ftUnknown, 0);
    field.SetFieldName("X");
    EXPECT_EQ(errorOf<EDatabaseError>([&] { (void)field.AsString(); }), "Cannot access field 'X' as type String");
    EXPECT_EQ(errorOf<EDatabaseError>([&] { field.SetAsString("a"); }), "Cannot access field 'X' as type String");
    EXPECT_EQ(errorOf<EDatabaseError>([&] { (void)field.AsInteger(); }), "Cannot access field 'X' as type Integer");
    EXPECT_EQ(errorOf<EDatabaseError>([&] { field.SetAsInteger(1); }), "Cannot access field 'X' as type Integer");
    EXPECT_EQ(errorOf<EDatabaseError>([&] { (void)field.AsFloat(); }), "Cannot access field 'X' as type Float");
    EXPECT_EQ(errorOf<EDatabaseError>([&] { field.SetAsFloat(1); }), "Cannot access field 'X' as type Float");
    EXPECT_EQ(errorOf<EDatabaseError>([&] { (void)field.AsBoolean(); }), "Cannot access field 'X' as type Boolean");
    EXPECT_EQ(errorOf<EDatabaseError>([&] { field.SetAsBoolean(true); }), "Cannot access field 'X' as type Boolean");
    EXPECT_EQ(errorOf<EDatabaseError>([&] { (void)field.AsDateTime(); }), "Cannot access field 'X' as type DateTime");
    EXPECT_EQ(errorOf<EDatabaseError>([&] { field.SetAsDateTime(1); }), "Cannot access field 'X' as type DateTime");
    // Messages name the display label when there is one, and never the component name.
    field.SetDisplayLabel("Draw");
    field.SetName("Field1");
    EXPECT_EQ(errorOf<EDatabaseError>([&] { (void)field.AsInteger(); }), "Cannot access field 'Draw' as type Integer");
    EXPECT_TRUE(field.IsValidChar('a'));
    EXPECT_TRUE(field.IsValidChar('\x01'));
    EXPECT_TRUE(field.IsValidChar('\xE9'));
}

TEST_F(FieldTest, FieldsReadTheActiveRowOfTheirDataset) {
    EXPECT_EQ(field(S).DataSet(), &data);
    EXPECT_EQ(field(C1).Index(), 2);
    EXPECT_EQ(field(G).Index(), 8);
    EXPECT_EQ(field(S).AsString(), "AB");
    EXPECT_EQ(field(I).AsInteger(), 7);
    EXPECT_EQ(field(C1).AsString(), "5");
    EXPECT_EQ(field(F).AsFloat(), 2.5);
    EXPECT_TRUE(field(B).AsBoolean());
    EXPECT_EQ(field(D).AsDateTime(), 36937.0);
    EXPECT_FALSE(field(M).IsNull());
    EXPECT_TRUE(field(G).IsNull());

    // Clear stores null; every reading of a null says so in its own way.
    for (Column column : {S, I, C1, F, B, D, T, M}) field(column).Clear();
    for (Column column : {S, I, C1, F, B, D, T, M, G}) {
        EXPECT_TRUE(field(column).IsNull()) << column;
        EXPECT_TRUE(std::holds_alternative<std::monostate>(stored(column))) << column;
    }
    EXPECT_EQ(field(S).AsString(), "");
    EXPECT_EQ(field(I).AsInteger(), 0);
    EXPECT_EQ(field(I).AsString(), "");
    EXPECT_EQ(field(I).AsFloat(), 0.0);
    EXPECT_EQ(field(C1).AsString(), "");
    EXPECT_EQ(field(F).AsString(), "");
    EXPECT_EQ(field(F).AsFloat(), 0.0);
    EXPECT_EQ(field(F).AsInteger(), 0);
    EXPECT_EQ(field(B).AsString(), "");
    EXPECT_FALSE(field(B).AsBoolean());
    EXPECT_EQ(field(D).AsString(), "");
    EXPECT_EQ(field(T).AsString(), "");
    EXPECT_EQ(field(T).AsDateTime(), 0.0);

    // The values went into the row being edited and reach the stored rows only when posted.
    EXPECT_EQ(data.Rows()[0][I], TFieldValue(std::int32_t{7}));
    data.Post();
    EXPECT_TRUE(std::holds_alternative<std::monostate>(data.Rows()[0][I]));
}

TEST_F(FieldTest, StoringGoesThroughTheDatasetWithValidationAndChangeEvents) {
    std::vector<std::string> events;
    field(I).OnValidate = [&](TField& f) { events.push_back("validate " + f.FieldName() + " was " + f.AsString()); };
    field(I).OnChange = [&](TField& f) { events.push_back("change " + f.FieldName() + " now " + f.AsString()); };
    field(I).SetAsInteger(8);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0], "validate I was 7");
    EXPECT_EQ(events[1], "change I now 8");
    EXPECT_TRUE(data.Modified());

    // A validation handler that raises keeps the value out.
    field(I).OnValidate = [](TField&) { throw EDatabaseError("no"); };
    EXPECT_EQ(errorOf<EDatabaseError>([&] { field(I).SetAsInteger(9); }), "no");
    EXPECT_EQ(field(I).AsInteger(), 8);
    field(I).OnValidate = nullptr;

    // Validate and Change run their handlers only when there are some.
    field(S).Validate();
    field(S).Change();

    // Read-only fields and browse state refuse values; the dataset's own failure is prefixed.
    field(C1).SetReadOnly(true);
    EXPECT_EQ(errorOf<EDatabaseError>([&] { field(C1).SetAsInteger(1); }), "Field 'C1' cannot be modified");
    data.Post();
    EXPECT_EQ(data.Rows()[0][I], TFieldValue(std::int32_t{8}));
    EXPECT_EQ(errorOf<EDatabaseError>([&] { field(I).SetAsInteger(1); }), "Data: Dataset not in edit or insert mode");
    EXPECT_EQ(errorOf<EDatabaseError>([&] { field(S).Clear(); }), "Data: Dataset not in edit or insert mode");
    EXPECT_EQ(field(I).AsInteger(), 8);
}

TEST_F(FieldTest, StringFieldsConvertTheirText) {
    auto& text = static_cast<TStringField&>(field(S));
    const auto setRaw = [&](const std::string& value) { text.SetData(value); };

    setRaw(" 42 ");
    EXPECT_EQ(text.AsInteger(), 42);
    setRaw("-2147483648");
    EXPECT_EQ(text.AsInteger(), std::numeric_limits<std::int32_t>::min());
    setRaw("+7");
    EXPECT_EQ(text.AsInteger(), 7);
    setRaw("4x");
    EXPECT_EQ(errorOf<EConvertError>([&] { (void)text.AsInteger(); }), "'4x' is not a valid integer value");
    setRaw("2147483648");
    EXPECT_EQ(errorOf<EConvertError>([&] { (void)text.AsInteger(); }), "'2147483648' is not a valid integer value");
    setRaw("1.0");
    EXPECT_EQ(errorOf<EConvertError>([&] { (void)text.AsInteger(); }), "'1.0' is not a valid integer value");

    setRaw("2.5");
    EXPECT_EQ(text.AsFloat(), 2.5);
    setRaw(" -1e3");
    EXPECT_EQ(text.AsFloat(), -1000.0);
    setRaw("2,5");
    EXPECT_EQ(errorOf<EConvertError>([&] { (void)text.AsFloat(); }), "'2,5' is not a valid floating point value");
    setRaw("0x10");
    EXPECT_EQ(errorOf<EConvertError>([&] { (void)text.AsFloat(); }), "'0x10' is not a valid floating point value");

    for (const char* yes : {"T", "true", "Y", "yes"}) {
        setRaw(yes);
        EXPECT_TRUE(text.AsBoolean()) << yes;
    }
    for (const char* no : {"F", "false", "N", "no"}) {
        setRaw(no);
        EXPECT_FALSE(text.AsBoolean()) << no;
    }
    setRaw("x");
    EXPECT_EQ(errorOf<EConvertError>([&] { (void)text.AsBoolean(); }), "'x' is not a valid boolean value");
    EXPECT_EQ(errorOf<EDatabaseError>([&] { (void)text.AsDateTime(); }), "Cannot access field 'S' as type DateTime");
    EXPECT_EQ(errorOf<EDatabaseError>([&] { text.SetAsDateTime(1.0); }), "Cannot access field 'S' as type DateTime");

    // A null text reads as false, but is no number.
    text.Clear();
    EXPECT_FALSE(text.AsBoolean());
    EXPECT_EQ(errorOf<EConvertError>([&] { (void)text.AsInteger(); }), "'' is not a valid integer value");

    // Numbers and logicals are stored as their text; text longer than the column is cut.
    text.SetAsInteger(-12);
    EXPECT_EQ(stored(S), TFieldValue(std::string("-12")));
    text.SetAsFloat(0.5);
    EXPECT_EQ(stored(S), TFieldValue(std::string("0.5")));
    text.SetAsFloat(1e20);
    EXPECT_EQ(stored(S), TFieldValue(std::string("1E20")));
    text.SetAsBoolean(true);
    EXPECT_EQ(stored(S), TFieldValue(std::string("T")));
    text.SetAsBoolean(false);
    EXPECT_EQ(stored(S), TFieldValue(std::string("F")));
    text.SetAsString("ABCDEFGHIJKLMN");
    EXPECT_EQ(stored(S), TFieldValue(std::string("ABCDEFGHIJ")));
    text.SetAsString("");
    EXPECT_EQ(stored(S), TFieldValue(std::string()));
}

TEST_F(FieldTest, StringFieldsTranslateThroughTheDatasetWhenAsked) {
    std::vector<std::string> calls;
    // Swaps letter case, one way marked so that the direction shows.
    data.Translator = [&](const std::string& text, bool toTable) {
        calls.push_back(std::string(toTable ? "to table " : "from table ") + text);
        std::string out = text;
        for (char& c : out)
            c = toTable ? static_cast<char>(std::toupper(static_cast<unsigned char>(c)))
                        : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return out;
    };
    auto& text = static_cast<TStringField&>(field(S));
    EXPECT_TRUE(text.Transliterate());
    EXPECT_EQ(text.AsString(), "ab");
    text.SetAsString("Loto");
    EXPECT_EQ(stored(S), TFieldValue(std::string("LOTO")));
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0], "from table AB");
    EXPECT_EQ(calls[1], "to table Loto");
    // The conversions from text read through the translation as well.
    text.SetAsString("t");
    EXPECT_TRUE(text.AsBoolean());

    calls.clear();
    text.SetTransliterate(false);
    text.SetAsString("Keno");
    EXPECT_EQ(stored(S), TFieldValue(std::string("Keno")));
    EXPECT_EQ(text.AsString(), "Keno");
    EXPECT_TRUE(calls.empty());
}

TEST_F(FieldTest, IntegerFieldsReadEveryFormTheDatasetHandsOver) {
    field(I).SetData(7.5);
    EXPECT_EQ(field(I).AsInteger(), 8);
    field(I).SetData(6.5);
    EXPECT_EQ(field(I).AsInteger(), 6);
    EXPECT_EQ(field(I).AsString(), "6");
    field(I).SetData(-2.5);
    EXPECT_EQ(field(I).AsString(), "-2");
    EXPECT_EQ(field(I).AsFloat(), -2.0);
    field(I).SetData(std::string(" 12 "));
    EXPECT_EQ(field(I).AsInteger(), 12);
    field(I).SetData(std::int32_t{0});
    EXPECT_FALSE(field(I).IsNull());
    EXPECT_EQ(field(I).AsString(), "0");
    field(I).SetData(3e9);
    EXPECT_EQ(errorOf<EDatabaseError>([&] { (void)field(I).AsInteger(); }),
              "3000000000 is not a valid value for field 'I'. The allowed range is -2147483648 to 2147483647");
}

TEST_F(FieldTest, SmallintFieldsKeepToSixteenBits) {
    TField& small = field(C1);
    small.SetAsInteger(32767);
    EXPECT_EQ(stored(C1), TFieldValue(std::int32_t{32767}));
    small.SetAsInteger(-32768);
    EXPECT_EQ(small.AsInteger(), -32768);
    EXPECT_EQ(errorOf<EDatabaseError>([&] { small.SetAsInteger(32768); }),
              "32768 is not a valid value for field 'C1'. The allowed range is -32768 to 32767");
    EXPECT_EQ(errorOf<EDatabaseError>([&] { small.SetAsInteger(-32769); }),
              "-32769 is not a valid value for field 'C1'. The allowed range is -32768 to 32767");
    EXPECT_EQ(errorOf<EDatabaseError>([&] { small.SetAsString("100000"); }),
              "100000 is not a valid value for field 'C1'. The allowed range is -32768 to 32767");
    EXPECT_EQ(small.AsInteger(), -32768) << "a refused value leaves the old one";
    small.SetAsString("32767");
    EXPECT_EQ(small.AsInteger(), 32767);
    small.SetDisplayLabel("Ball 1");
    EXPECT_EQ(errorOf<EDatabaseError>([&] { small.SetAsFloat(32767.6); }),
              "32767.6 is not a valid value for field 'Ball 1'. The allowed range is -32768 to 32767");
    // The real itself is checked, before it is rounded.
    EXPECT_EQ(errorOf<EDatabaseError>([&] { small.SetAsFloat(32767.4); }),
              "32767.4 is not a valid value for field 'Ball 1'. The allowed range is -32768 to 32767");
    small.SetAsFloat(32766.6);
    EXPECT_EQ(small.AsInteger(), 32767);
    small.SetAsFloat(-32767.5);
    EXPECT_EQ(small.AsInteger(), -32768);
}

TEST_F(FieldTest, IntegerFieldsKeepToThirtyTwoBitsOrTheirOwnLimits) {
    auto& number = static_cast<TIntegerField&>(field(I));
    number.SetAsString("2147483647");
    EXPECT_EQ(number.AsInteger(), 2147483647);
    number.SetAsString("-2147483648");
    EXPECT_EQ(number.AsInteger(), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(errorOf<EDatabaseError>([&] { number.SetAsString("2147483648"); }),
              "2147483648 is not a valid value for field 'I'. The allowed range is -2147483648 to 2147483647");
    EXPECT_EQ(
        errorOf<EDatabaseError>([&] { number.SetAsString("-9223372036854775808"); }),
        "-9.22337203685478E18 is not a valid value for field 'I'. The allowed range is -2147483648 to 2147483647");
    // Beyond 64 bits the text is no integer at all.
    EXPECT_EQ(errorOf<EDatabaseError>([&] { number.SetAsString("9223372036854775808"); }),
              "'9223372036854775808' is not a valid integer value for field 'I'");
    EXPECT_EQ(errorOf<EDatabaseError>([&] { number.SetAsFloat(2147483647.5); }),
              "2147483647.5 is not a valid value for field 'I'. The allowed range is -2147483648 to 2147483647");

    number.SetMinValue(1);
    number.SetMaxValue(49);
    number.SetAsInteger(49);
    EXPECT_EQ(number.AsInteger(), 49);
    EXPECT_EQ(errorOf<EDatabaseError>([&] { number.SetAsInteger(50); }),
              "50 is not a valid value for field 'I'. The allowed range is 1 to 49");
    EXPECT_EQ(errorOf<EDatabaseError>([&] { number.SetAsString("0"); }),
              "0 is not a valid value for field 'I'. The allowed range is 1 to 49");
    EXPECT_EQ(errorOf<EDatabaseError>([&] { number.SetAsFloat(0.4); }),
              "0.4 is not a valid value for field 'I'. The allowed range is 1 to 49");
    // Only one of the two set: the other limit is its 0.
    number.SetMinValue(0);
    number.SetMaxValue(80);
    EXPECT_EQ(errorOf<EDatabaseError>([&] { number.SetAsInteger(-1); }),
              "-1 is not a valid value for field 'I'. The allowed range is 0 to 80");
    number.SetMaxValue(0);
    number.SetAsInteger(-1);
    EXPECT_EQ(number.AsInteger(), -1);
}

TEST_F(FieldTest, IntegerFieldsTakeOnlySignedDigitsAsText) {
    TField& small = field(C1);
    EXPECT_EQ(errorOf<EDatabaseError>([&] { small.SetAsString("1-2"); }),
              "'1-2' is not a valid integer value for field 'C1'");
    EXPECT_EQ(small.AsInteger(), 5);
    for (const char* bad : {"4.0", "0x10", "--1", "+", "-", "1 2", "1e3", "7a", "٣"}) {
        EXPECT_EQ(errorOf<EDatabaseError>([&] { small.SetAsString(bad); }),
                  std::string("'") + bad + "' is not a valid integer value for field 'C1'");
    }
    // The message quotes the text as typed, blanks included.
    EXPECT_EQ(errorOf<EDatabaseError>([&] { small.SetAsString(" 1 2 "); }),
              "' 1 2 ' is not a valid integer value for field 'C1'");
    small.SetDisplayLabel("Ball 1");
    EXPECT_EQ(errorOf<EDatabaseError>([&] { small.SetAsString("x"); }),
              "'x' is not a valid integer value for field 'Ball 1'");
    EXPECT_EQ(small.AsInteger(), 5);

    small.SetAsString(" 42 ");
    EXPECT_EQ(stored(C1), TFieldValue(std::int32_t{42}));
    small.SetAsString("+5");
    EXPECT_EQ(small.AsInteger(), 5);
    small.SetAsString("-0");
    EXPECT_EQ(small.AsString(), "0");
    small.SetAsString("007");
    EXPECT_EQ(small.AsInteger(), 7);
    small.SetAsString("");
    EXPECT_TRUE(small.IsNull());
    small.SetAsInteger(3);
    small.SetAsString(" \t ");
    EXPECT_TRUE(small.IsNull());
}

TEST_F(FieldTest, IntegerFieldsRoundRealsHalfToEven) {
    TField& small = field(C1);
    const std::pair<double, std::int32_t> cases[] = {{7.5, 8},   {6.5, 6},   {0.5, 0}, {1.5, 2},
                                                     {-2.5, -2}, {-3.5, -4}, {2.4, 2}, {2.6, 3}};
    for (const auto& [value, expected] : cases) {
        small.SetAsFloat(value);
        EXPECT_EQ(stored(C1), TFieldValue(expected)) << value;
    }
    EXPECT_EQ(small.AsFloat(), 3.0);
    EXPECT_EQ(errorOf<EDatabaseError>([&] { small.SetAsFloat(std::numeric_limits<double>::quiet_NaN()); }),
              "NAN is not a valid value for field 'C1'. The allowed range is -32768 to 32767");
}

TEST(FieldClasses, EachFieldLetsInOnlyItsOwnCharacters) {
    TIntegerField integer;
    TSmallintField smallint;
    TFloatField real;
    TStringField text(10);
    TBooleanField logical;
    for (int code = 0; code < 256; ++code) {
        const char c = static_cast<char>(code);
        const bool digit = c >= '0' && c <= '9';
        const bool sign = c == '+' || c == '-';
        EXPECT_EQ(integer.IsValidChar(c), digit || sign) << code;
        EXPECT_EQ(smallint.IsValidChar(c), digit || sign) << code;
        EXPECT_EQ(real.IsValidChar(c), digit || sign || c == '.' || c == 'E' || c == 'e') << code;
        EXPECT_TRUE(text.IsValidChar(c)) << code;
        EXPECT_TRUE(logical.IsValidChar(c)) << code;
    }
}

TEST_F(FieldTest, FloatFieldsWriteAndReadLocaleFreeDecimals) {
    TField& real = field(F);
    EXPECT_EQ(real.AsString(), "2.5");
    const std::pair<const char*, double> accepted[] = {
        {"2.5", 2.5},
        {" -1.5e2 ", -150.0},
        {".5", 0.5},
        {"5.", 5.0},
        {"+3", 3.0},
        {"1E-3", 0.001},
        {"12345678901234567890", 1.2345678901234567e19},
    };
    for (const auto& [text, value] : accepted) {
        real.SetAsString(text);
        EXPECT_EQ(stored(F), TFieldValue(value)) << text;
    }
    for (const char* bad : {"1,5", "e5", "1e", "1e+", ".", "-", "1.2.3", "inf", "nan", "0x1p3", "1 000"}) {
        EXPECT_EQ(errorOf<EDatabaseError>([&] { real.SetAsString(bad); }),
                  std::string("'") + bad + "' is not a valid floating point value for field 'F'");
    }
    EXPECT_EQ(errorOf<EDatabaseError>([&] { real.SetAsString("1e999"); }),
              "'1e999' is not a valid floating point value for field 'F'");
    real.SetAsString("");
    EXPECT_TRUE(real.IsNull());

    real.SetAsFloat(1.0 / 3.0);
    EXPECT_EQ(real.AsString(), "0.333333333333333");
    real.SetAsFloat(-1e-7);
    EXPECT_EQ(real.Text(), "-1E-7");
    static_cast<TFloatField&>(real).SetPrecision(3);
    real.SetAsFloat(2.0 / 3.0);
    EXPECT_EQ(real.AsString(), "0.667");
    real.SetAsFloat(12345.0);
    EXPECT_EQ(real.AsString(), "1.23E4");
    static_cast<TFloatField&>(real).SetPrecision(15);

    real.SetAsInteger(3);
    EXPECT_EQ(stored(F), TFieldValue(3.0));
    real.SetAsFloat(2.5);
    EXPECT_EQ(real.AsInteger(), 2);
    real.SetAsFloat(3.5);
    EXPECT_EQ(real.AsInteger(), 4);
    real.SetAsFloat(-2147483648.4);
    EXPECT_EQ(real.AsInteger(), std::numeric_limits<std::int32_t>::min());
    real.SetAsFloat(3e9);
    EXPECT_EQ(errorOf<EDatabaseError>([&] { (void)real.AsInteger(); }),
              "3000000000 is not a valid value for field 'F'. The allowed range is -2147483648 to 2147483647");
    // Whatever form the dataset hands over.
    real.SetData(std::int32_t{4});
    EXPECT_EQ(real.AsFloat(), 4.0);
    real.SetData(std::string("0.25"));
    EXPECT_EQ(real.AsString(), "0.25");
}

TEST_F(FieldTest, BooleanFieldsTakeALeadingPartOfTrueOrFalse) {
    TField& logical = field(B);
    EXPECT_EQ(logical.AsString(), "True");
    for (const char* no : {"f", "F", "Fa", "FALSE", "false", "fAlSe"}) {
        logical.SetAsBoolean(true);
        logical.SetAsString(no);
        EXPECT_EQ(stored(B), TFieldValue(false)) << no;
    }
    EXPECT_EQ(logical.AsString(), "False");
    for (const char* yes : {"t", "T", "tr", "TRUE", "True"}) {
        logical.SetAsBoolean(false);
        logical.SetAsString(yes);
        EXPECT_EQ(stored(B), TFieldValue(true)) << yes;
    }
    for (const char* bad : {"yes", "Truex", "falsey", "x", " t", "0"}) {
        EXPECT_EQ(errorOf<EDatabaseError>([&] { logical.SetAsString(bad); }),
                  std::string("'") + bad + "' is not a valid boolean value for field 'B'");
    }
    EXPECT_TRUE(logical.AsBoolean());
    logical.SetAsString("");
    EXPECT_TRUE(logical.IsNull());
    EXPECT_EQ(logical.AsString(), "");
    EXPECT_EQ(errorOf<EDatabaseError>([&] { (void)logical.AsInteger(); }), "Cannot access field 'B' as type Integer");
}

TEST_F(FieldTest, DateFieldsWriteAndReadTheShortDateFormat) {
    DateFormatScope format("dd.MM.yyyy");
    TField& date = field(D);
    EXPECT_EQ(date.AsString(), "15.02.2001");
    EXPECT_EQ(date.DisplayText(), "15.02.2001");
    date.SetAsString("01.03.2001");
    EXPECT_EQ(stored(D), TFieldValue(EncodeDate(2001, 3, 1)));
    EXPECT_EQ(date.AsString(), "01.03.2001");
    // Any non-digit separates; short numbers and two-digit years are taken as well.
    date.SetAsString("1/2/2001");
    EXPECT_EQ(date.AsDateTime(), EncodeDate(2001, 2, 1));
    date.SetAsString(" 15-02-01 ");
    EXPECT_EQ(date.AsDateTime(), 36937.0);
    date.SetAsString("15.02.49");
    EXPECT_EQ(date.AsDateTime(), EncodeDate(2049, 2, 15));
    date.SetAsString("15.02.50");
    EXPECT_EQ(date.AsDateTime(), EncodeDate(1950, 2, 15));
    date.SetAsString("29.02.2000");
    EXPECT_EQ(date.AsString(), "29.02.2000");
    for (const char* bad : {"31.02.2001", "29.02.2001", "15.13.2001", "00.01.2001", "15.02", "15.02.2001.1", "15022001",
                            "15.02.2001 10:00", "a.b.c", "15.02.20011"}) {
        EXPECT_EQ(errorOf<EConvertError>([&] { date.SetAsString(bad); }),
                  std::string("'") + bad + "' is not a valid date");
    }
    EXPECT_EQ(date.AsString(), "29.02.2000");
    date.SetAsString("");
    EXPECT_TRUE(date.IsNull());

    // The time of day never shows in a date field.
    date.SetAsDateTime(36937.75);
    EXPECT_EQ(date.AsString(), "15.02.2001");
    EXPECT_EQ(date.AsFloat(), 36937.75);

    {
        DateFormatScope american("MM/dd/yyyy");
        EXPECT_EQ(date.AsString(), "02/15/2001");
        date.SetAsString("12/31/1999");
        EXPECT_EQ(date.AsDateTime(), EncodeDate(1999, 12, 31));
    }
    {
        DateFormatScope iso("yyyy-MM-dd");
        EXPECT_EQ(date.AsString(), "1999-12-31");
        date.SetAsString("2001-02-15");
        EXPECT_EQ(date.AsDateTime(), 36937.0);
    }
    {
        DateFormatScope shortForm("d/M/yy");
        date.SetAsDateTime(EncodeDate(2001, 2, 5));
        EXPECT_EQ(date.AsString(), "5/2/01");
        date.SetAsString(date.AsString());
        EXPECT_EQ(date.AsDateTime(), EncodeDate(2001, 2, 5));
    }
}

TEST_F(FieldTest, DateTimeFieldsAddTheTimeOfDayWhenThereIsOne) {
    DateFormatScope format("dd.MM.yyyy");
    TField& moment = field(T);
    EXPECT_EQ(moment.AsString(), "15.02.2001 12:00:00");
    moment.SetAsFloat(36937.0);
    EXPECT_EQ(moment.AsString(), "15.02.2001");
    moment.SetAsDateTime(36937.0 + (10 * 3600 + 30 * 60 + 5) / 86400.0);
    EXPECT_EQ(moment.AsString(), "15.02.2001 10:30:05");
    moment.SetAsDateTime(36937.0 + 86399.0 / 86400.0);
    EXPECT_EQ(moment.AsString(), "15.02.2001 23:59:59");
    // Before 1899-12-30 the fraction still counts forward from midnight.
    moment.SetAsDateTime(-1.25);
    EXPECT_EQ(moment.AsString(), "29.12.1899 06:00:00");

    moment.SetAsString("15.02.2001 10:30");
    EXPECT_NEAR(moment.AsDateTime(), 36937.0 + 10.5 / 24.0, 1e-9);
    EXPECT_EQ(moment.AsString(), "15.02.2001 10:30:00");
    moment.SetAsString("15.02.2001  7:05:09");
    EXPECT_EQ(moment.AsString(), "15.02.2001 07:05:09");
    moment.SetAsString(moment.AsString());
    EXPECT_EQ(moment.AsString(), "15.02.2001 07:05:09");
    moment.SetAsString("16.02.2001");
    EXPECT_EQ(moment.AsDateTime(), 36938.0);
    for (const char* bad : {"15.02.2001 25:00", "15.02.2001 10:60", "15.02.2001 10", "15.02.2001 10:00:61",
                            "15.02.2001T10:00", "30.02.2001 10:00"}) {
        EXPECT_EQ(errorOf<EConvertError>([&] { moment.SetAsString(bad); }),
                  std::string("'") + bad + "' is not a valid date and time");
    }
    EXPECT_EQ(moment.AsDateTime(), 36938.0);
    moment.SetAsString("  ");
    EXPECT_TRUE(moment.IsNull());
}

TEST_F(FieldTest, BlobAndMemoFieldsShowOnlyWhetherTheyHoldSomething) {
    EXPECT_EQ(field(M).DisplayText(), "(MEMO)");
    EXPECT_EQ(field(M).AsString(), "");
    EXPECT_EQ(field(G).DisplayText(), "(blob)");
    EXPECT_EQ(field(G).AsString(), "");
    field(G).SetData(std::int32_t{12});
    EXPECT_EQ(field(G).DisplayText(), "(BLOB)");
    field(M).Clear();
    EXPECT_EQ(field(M).DisplayText(), "(memo)");
    EXPECT_EQ(errorOf<EDatabaseError>([&] { (void)field(G).AsInteger(); }), "Cannot access field 'G' as type Integer");
}

}  // namespace
