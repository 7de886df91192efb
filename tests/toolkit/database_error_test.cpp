// The database error: who is named in front of a message, and how the message texts get their
// placeholders filled.
#include <gtest/gtest.h>

#include "toolkit/component.h"
#include "toolkit/database_error.h"

namespace {

std::string raisedMessage(const std::string& message, const TComponent* component) {
    try {
        DatabaseError(message, component);
    } catch (const EDatabaseError& error) {
        return error.Message();
    } catch (...) {
        return "<another exception>";
    }
    return "<nothing raised>";
}

TEST(DatabaseError, NamesOnlyAComponentThatHasAName) {
    TComponent named;
    named.SetName("XbaseDataSet1");
    EXPECT_EQ(raisedMessage(dbtext::SNotEditing, &named), "XbaseDataSet1: Dataset not in edit or insert mode");

    TComponent unnamed;
    EXPECT_EQ(raisedMessage(dbtext::SNotEditing, &unnamed), "Dataset not in edit or insert mode");
    EXPECT_EQ(raisedMessage(dbtext::SNotEditing, nullptr), "Dataset not in edit or insert mode");
    EXPECT_EQ(raisedMessage("", &named), "XbaseDataSet1: ");

    // The application's error box shows what(); it must be the same text.
    try {
        DatabaseError("Table name missing", &named);
    } catch (const Exception& error) {
        EXPECT_STREQ(error.what(), "XbaseDataSet1: Table name missing");
    }
}

TEST(DatabaseError, FormatMessageFillsPlaceholdersInOrder) {
    EXPECT_EQ(FormatMessage(dbtext::SFieldRangeError, {"100000", "C1", "-32768", "32767"}),
              "100000 is not a valid value for field 'C1'. The allowed range is -32768 to 32767");
    EXPECT_EQ(FormatMessage(dbtext::SInvalidIntegerValue, {"1-2", "C1"}),
              "'1-2' is not a valid integer value for field 'C1'");
    EXPECT_EQ(FormatMessage("%d of %g: %s", {"3", "2.5", "x"}), "3 of 2.5: x");
    EXPECT_EQ(FormatMessage("100%% of %s", {"K1"}), "100% of K1");
    EXPECT_EQ(FormatMessage("%%s", {"unused"}), "%s");
    // A placeholder the caller gave no value for stays visible; spare values are dropped.
    EXPECT_EQ(FormatMessage("%s and %s", {"one"}), "one and %s");
    EXPECT_EQ(FormatMessage("no placeholder", {"a", "b"}), "no placeholder");
    // Anything but the three letters and %% is copied as it stands, a trailing % too.
    EXPECT_EQ(FormatMessage("%x %5d 7%", {"a"}), "%x %5d 7%");
    // A value containing % is not scanned again.
    EXPECT_EQ(FormatMessage("'%s' in %s", {"%s", "F"}), "'%s' in F");
    EXPECT_EQ(FormatMessage(dbtext::SRecordNotFound, {}), "Record not found");
}

}  // namespace
