// The in-memory dataset the toolkit tests build on, driven through the base dataset: moving,
// editing, inserting, deleting, bookmarks and calculated fields must land on the rows a table
// would, or every test above it proves nothing.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "tests/toolkit/memory_dataset.h"
#include "toolkit/data_source.h"
#include "toolkit/database_error.h"
#include "toolkit/fields.h"

namespace {

using toolkit_test::MemoryDataSet;
using toolkit_test::Row;

std::string errorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const EDatabaseError& error) {
        return error.Message();
    }
    return "<nothing raised>";
}

std::vector<TFieldDef> numberAndName() {
    return {{"N", TFieldType::ftInteger, 0, false, 0}, {"NAME", TFieldType::ftString, 8, false, 0}};
}

std::vector<Row> rows(std::initializer_list<int> numbers) {
    std::vector<Row> result;
    for (int n : numbers) result.push_back({std::int32_t{n}, std::string("r") + std::to_string(n)});
    return result;
}

// The N column of the stored rows, in order.
std::vector<int> numbers(const MemoryDataSet& data) {
    std::vector<int> result;
    for (const Row& row : data.Rows()) result.push_back(std::get<std::int32_t>(row[0]));
    return result;
}

TEST(MemoryDataSet, MovesOverTheRowsInOrder) {
    MemoryDataSet data(numberAndName(), rows({1, 2, 3}));
    data.SetName("Data");
    EXPECT_EQ(errorOf([&] { data.RecordCount(); }), "Data: Cannot perform this operation on a closed dataset");
    data.Open();
    TField& n = data.FieldByName("N");
    EXPECT_EQ(data.RecordCount(), 3);
    EXPECT_TRUE(data.Bof());
    EXPECT_FALSE(data.Eof());
    EXPECT_EQ(n.AsInteger(), 1);
    EXPECT_EQ(data.FieldByName("NAME").AsString(), "r1");
    data.Next();
    data.Next();
    EXPECT_EQ(n.AsInteger(), 3);
    EXPECT_EQ(data.RecNo(), 3);
    data.Next();
    EXPECT_TRUE(data.Eof());
    EXPECT_EQ(n.AsInteger(), 3);
    data.Prior();
    EXPECT_EQ(n.AsInteger(), 2);
    data.Last();
    EXPECT_TRUE(data.Eof());
    EXPECT_EQ(n.AsInteger(), 3);
    data.First();
    EXPECT_TRUE(data.Bof());
    EXPECT_EQ(data.RecNo(), 1);
    data.SetRecNo(3);
    EXPECT_EQ(n.AsInteger(), 3);
    EXPECT_EQ(data.RecNo(), 3);
    EXPECT_EQ(errorOf([&] { data.SetRows({}); }), "Data: Cannot perform this operation on an open dataset");
    data.Close();

    data.SetRows({});
    data.Open();
    EXPECT_TRUE(data.Bof());
    EXPECT_TRUE(data.Eof());
    EXPECT_TRUE(data.IsEmpty());
    EXPECT_EQ(data.RecordCount(), 0);
    EXPECT_EQ(data.RecNo(), 0);
    EXPECT_TRUE(data.FieldByName("N").IsNull());
}

TEST(MemoryDataSet, EditsPostInPlaceAndCancelsBackToTheStoredRow) {
    MemoryDataSet data(numberAndName(), rows({1, 2, 3}));
    data.Open();
    data.Next();
    data.Edit();
    data.FieldByName("N").SetAsInteger(20);
    data.Cancel();
    EXPECT_EQ(data.FieldByName("N").AsInteger(), 2);
    EXPECT_EQ(numbers(data), (std::vector<int>{1, 2, 3}));

    data.Edit();
    data.FieldByName("N").SetAsInteger(20);
    data.Post();
    EXPECT_EQ(numbers(data), (std::vector<int>{1, 20, 3}));
    EXPECT_EQ(data.RecNo(), 2);
    EXPECT_EQ(data.EditCount(), 2);
    EXPECT_EQ(data.PostCount(), 1);

    // A failing post leaves the edit open with what was typed.
    data.OnInternalPost = [] { throw EDatabaseError("disk full"); };
    data.Edit();
    data.FieldByName("N").SetAsInteger(21);
    EXPECT_EQ(errorOf([&] { data.Post(); }), "disk full");
    EXPECT_EQ(data.State(), TDataSetState::dsEdit);
    EXPECT_EQ(data.FieldByName("N").AsInteger(), 21);
    data.OnInternalPost = nullptr;
    data.Post();
    EXPECT_EQ(numbers(data), (std::vector<int>{1, 21, 3}));

    // A read-only dataset refuses to start editing.
    data.SetName("Data");
    data.SetReadOnly(true);
    EXPECT_EQ(errorOf([&] { data.Edit(); }), "Data: Cannot modify a read-only dataset");
}

TEST(MemoryDataSet, InsertsInFrontOfTheCurrentRowAndAppendsAtTheEnd) {
    MemoryDataSet data(numberAndName(), rows({1, 2, 3}));
    data.SetBlankRow({std::int32_t{0}});
    data.Open();
    data.Next();
    data.Insert();
    EXPECT_EQ(data.FieldByName("N").AsInteger(), 0) << "a new row starts blank";
    EXPECT_TRUE(data.FieldByName("NAME").IsNull());
    data.FieldByName("N").SetAsInteger(9);
    data.Post();
    EXPECT_EQ(numbers(data), (std::vector<int>{1, 9, 2, 3}));
    EXPECT_EQ(data.FieldByName("N").AsInteger(), 9);
    EXPECT_EQ(data.RecNo(), 2);

    data.Append();
    data.FieldByName("N").SetAsInteger(10);
    data.Post();
    EXPECT_EQ(numbers(data), (std::vector<int>{1, 9, 2, 3, 10}));
    EXPECT_EQ(data.FieldByName("N").AsInteger(), 10);
    EXPECT_EQ(data.RecordCount(), 5);

    data.First();
    data.Insert();
    data.Cancel();
    EXPECT_EQ(numbers(data), (std::vector<int>{1, 9, 2, 3, 10}));
    EXPECT_EQ(data.FieldByName("N").AsInteger(), 1);

    data.Close();
    data.SetRows({});
    data.Open();
    data.Insert();
    data.FieldByName("N").SetAsInteger(5);
    data.Post();
    EXPECT_EQ(numbers(data), (std::vector<int>{5}));
    EXPECT_EQ(data.RecNo(), 1);
}

// With a window of rows, as a grid keeps, the descendant's cursor stands on the last row read,
// not on the active one; an insert begun in the middle must still come back to its place.
TEST(MemoryDataSet, InsertsInTheMiddleOfAWindowOfRows) {
    std::vector<Row> ten;
    for (int n = 1; n <= 10; ++n) ten.push_back({std::int32_t{n}});
    MemoryDataSet data({{"N", TFieldType::ftInteger, 0, false, 0}}, ten);
    TDataSource source;
    source.SetDataSet(&data);
    TDataLink link;
    link.SetDataSource(&source);
    link.SetBufferCount(5);
    data.Open();
    data.MoveBy(2);
    ASSERT_EQ(data.FieldByName("N").AsInteger(), 3);

    data.Insert();
    data.Cancel();
    EXPECT_EQ(data.FieldByName("N").AsInteger(), 3);
    EXPECT_EQ(data.RecNo(), 3);

    data.Insert();
    data.FieldByName("N").SetAsInteger(99);
    data.Post();
    EXPECT_EQ(numbers(data), (std::vector<int>{1, 2, 99, 3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(data.FieldByName("N").AsInteger(), 99);
    EXPECT_EQ(data.RecNo(), 3);
    data.Close();
}

TEST(MemoryDataSet, DeletingMovesToTheNextRowOrTheNewLastOne) {
    MemoryDataSet data(numberAndName(), rows({1, 2, 3}));
    data.Open();
    data.Next();
    data.Delete();
    EXPECT_EQ(numbers(data), (std::vector<int>{1, 3}));
    EXPECT_EQ(data.FieldByName("N").AsInteger(), 3);
    data.Delete();
    EXPECT_EQ(numbers(data), (std::vector<int>{1}));
    EXPECT_EQ(data.FieldByName("N").AsInteger(), 1);
    EXPECT_FALSE(data.Eof());
    data.Delete();
    EXPECT_TRUE(data.Rows().empty());
    EXPECT_TRUE(data.Bof());
    EXPECT_TRUE(data.Eof());
    EXPECT_EQ(data.DeleteCount(), 3);
    data.SetName("Data");
    EXPECT_EQ(errorOf([&] { data.Delete(); }), "Data: Cannot perform this operation on an empty dataset");
}

TEST(MemoryDataSet, BookmarksAreRowNumbersThatSortAsText) {
    MemoryDataSet data(numberAndName(), rows({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
    data.Open();
    data.SetRecNo(2);
    const TBookmarkStr second = data.Bookmark();
    EXPECT_EQ(second, "         2");
    data.SetRecNo(10);
    const TBookmarkStr tenth = data.Bookmark();
    EXPECT_EQ(tenth, MemoryDataSet::BookmarkOf(9));
    EXPECT_LT(data.CompareBookmarks(second, tenth), 0);
    EXPECT_GT(data.CompareBookmarks(tenth, second), 0);
    EXPECT_EQ(data.CompareBookmarks(tenth, tenth), 0);
    EXPECT_LT(data.CompareBookmarks("", second), 0);
    EXPECT_EQ(data.CompareBookmarks("", ""), 0);
    data.GotoBookmark(second);
    EXPECT_EQ(data.FieldByName("N").AsInteger(), 2);
    EXPECT_TRUE(data.BookmarkValid(tenth));
    EXPECT_FALSE(data.BookmarkValid(MemoryDataSet::BookmarkOf(11)));
    EXPECT_FALSE(data.BookmarkValid("x"));
}

TEST(MemoryDataSet, KeepsCalculatedValuesBesideTheRow) {
    MemoryDataSet data(numberAndName(), rows({1, 2}));
    auto number = std::make_unique<TIntegerField>();
    number->SetFieldName("N");
    auto twice = std::make_unique<TIntegerField>();
    twice->SetFieldName("TWICE");
    twice->SetFieldKind(TFieldKind::fkCalculated);
    data.AddField(std::move(number));
    data.AddField(std::move(twice));
    data.OnCalcFields = [](TDataSet& ds) { ds.FieldByName("TWICE").SetAsInteger(ds.FieldByName("N").AsInteger() * 2); };
    data.Open();
    EXPECT_EQ(data.FieldCount(), 2);
    EXPECT_EQ(data.FieldByName("TWICE").AsInteger(), 2);
    data.Next();
    EXPECT_EQ(data.FieldByName("TWICE").AsInteger(), 4);
    data.Edit();
    data.FieldByName("N").SetAsInteger(7);
    EXPECT_EQ(data.FieldByName("TWICE").AsInteger(), 14);
    data.Post();
    EXPECT_EQ(data.Rows()[1].size(), 2u) << "calculated values are not stored";
    EXPECT_EQ(data.FieldByName("TWICE").AsInteger(), 14);
}

}  // namespace
