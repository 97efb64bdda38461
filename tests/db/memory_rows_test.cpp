// A statement object opened on rows held in memory: no server involved.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "db/db_error.h"
#include "db/field.h"
#include "db/query.h"
#include "db/session.h"

namespace sky {
namespace {

class MemoryRowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    session_.SetStatementObserver([this](const std::string& sql) { sent_.push_back(sql); });
  }

  TdmMySQL session_;  // never connected
  TQuery query_{session_, "select * from sorties where id >= :p_last_sortie"};
  std::vector<std::string> sent_;
};

TEST_F(MemoryRowsTest, ReadsLikeAFetchedResultWithoutSendingAnything) {
  query_.OpenRows({"id", "eAir", "SortieEND"},
                  {{"7", "2", "TKON"}, {"9", std::nullopt, std::nullopt}, {"12", "-3", " DIED "}});
  EXPECT_TRUE(sent_.empty());
  ASSERT_TRUE(query_.Active());
  EXPECT_EQ(query_.FieldCount(), 3);
  EXPECT_EQ(query_.RowCount(), 3u);
  EXPECT_EQ(query_.Field(2).Type(), TFieldType::kText);
  EXPECT_EQ(query_.Field(2).Name(), "SortieEND");

  std::vector<std::string> walked;
  for (; !query_.Eof(); query_.Next()) {
    walked.push_back(std::to_string(query_.FieldByName("ID").AsInteger()) + "/" +
                     std::to_string(query_.FieldByName("eair").AsInteger()) + "/" +
                     query_.FieldByName("sortieend").AsString());
  }
  EXPECT_EQ(walked, (std::vector<std::string>{"7/2/TKON", "9/0/", "12/-3/ DIED "}));

  query_.First();
  query_.Next();
  EXPECT_TRUE(query_.FieldByName("eAir").IsNull());
  EXPECT_EQ(query_.FieldByName("eAir").AsFloat(), 0.0);
  EXPECT_EQ(query_.FieldByName("SortieEND").AsDateTime(), 0.0);
}

TEST_F(MemoryRowsTest, TextsConvertAndFailAsServerValuesDo) {
  query_.OpenRows({"n", "t"}, {{"1e3", "2026-01-02 03:04:05"}, {"abc", "not a time"}});
  EXPECT_EQ(query_.FieldByName("n").AsInteger(), 1000);
  EXPECT_GT(query_.FieldByName("t").AsDateTime(), 0.0);
  query_.Next();
  EXPECT_THROW(query_.FieldByName("n").AsInteger(), TDbError);
  EXPECT_THROW(query_.FieldByName("n").AsFloat(), TDbError);
  EXPECT_THROW(query_.FieldByName("t").AsDateTime(), TDbError);
  EXPECT_THROW(query_.FieldByName("missing"), TDbError);
}

TEST_F(MemoryRowsTest, NoRowsIsAnOpenEmptyResult) {
  query_.OpenRows({"id"}, {});
  EXPECT_TRUE(query_.Active());
  EXPECT_TRUE(query_.Eof());
  EXPECT_TRUE(query_.IsEmpty());
  EXPECT_THROW(query_.FieldByName("id").AsInteger(), TDbError);  // no current record
}

TEST_F(MemoryRowsTest, WindowsReopeningAndClosing) {
  query_.OpenRows({"id"}, {{"1"}, {"2"}, {"3"}, {"4"}});
  query_.SetWindow(1, 3);
  std::vector<int64_t> ids;
  for (; !query_.Eof(); query_.Next()) ids.push_back(query_.FieldByName("id").AsInteger());
  EXPECT_EQ(ids, (std::vector<int64_t>{2, 3}));

  // A second open replaces rows, columns and window alike.
  query_.OpenRows({"other"}, {{"5"}, {"6"}, {"7"}});
  EXPECT_EQ(query_.RowIndex(), 0u);
  EXPECT_FALSE(query_.IsEmpty());
  EXPECT_THROW(query_.FieldByName("id"), TDbError);
  query_.Next();
  query_.Next();
  EXPECT_EQ(query_.FieldByName("other").AsString(), "7");

  query_.Close();
  EXPECT_FALSE(query_.Active());
  EXPECT_TRUE(query_.Eof());
  EXPECT_EQ(query_.RowCount(), 0u);
  EXPECT_EQ(query_.FieldCount(), 0);
}

TEST_F(MemoryRowsTest, RowOfTheWrongWidthIsRefusedAndLeavesTheQueryClosed) {
  query_.OpenRows({"id"}, {{"1"}});
  EXPECT_THROW(query_.OpenRows({"id", "eAir"}, {{"1", "0"}, {"2"}}), TDbError);
  EXPECT_FALSE(query_.Active());
  EXPECT_EQ(query_.FieldCount(), 0);
  EXPECT_THROW(query_.OpenRows({"id"}, {{"1", "2"}}), TDbError);
  EXPECT_FALSE(query_.Active());
}

TEST_F(MemoryRowsTest, StatementTextAndParametersAreKept) {
  query_.ParamByName("p_last_sortie").SetInteger(5);
  query_.OpenRows({"id"}, {{"5"}});
  EXPECT_EQ(query_.BoundText(), "select * from sorties where id >= 5");
  EXPECT_TRUE(sent_.empty());
}

}  // namespace
}  // namespace sky
