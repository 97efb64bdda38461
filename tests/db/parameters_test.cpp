// Named parameters: how they are found in a text and the literals they become.
// No server is needed: the text sent is observable without sending it.
#include <gtest/gtest.h>

#include "db/db_error.h"
#include "db/param.h"
#include "db/query.h"
#include "db/session.h"

namespace sky {
namespace {

class Parameters : public ::testing::Test {
 protected:
  TdmMySQL session;
  TQuery& query = session.mySQLQuery1;
};

TEST_F(Parameters, TextValuesAreQuotedAndEscapedNeverPasted) {
  query.SetText("select :v");
  query.ParamByName("v").SetText("O'Brien");
  EXPECT_EQ(query.BoundText(), "select 'O\\'Brien'");
  query.ParamByName("v").SetText("a\\b");
  EXPECT_EQ(query.BoundText(), "select 'a\\\\b'");
  query.ParamByName("v").SetText("");
  EXPECT_EQ(query.BoundText(), "select ''");
  query.ParamByName("v").SetText(std::string("\0\t\n\r\"x", 6));
  EXPECT_EQ(query.BoundText(), "select '\\0\\t\\n\\r\\\"x'");
  query.ParamByName("v").SetText("ctrl\x1a" "z");
  EXPECT_EQ(query.BoundText(), "select 'ctrl\\Zz'");
  query.ParamByName("v").SetText("1; drop table pilots; --");
  EXPECT_EQ(query.BoundText(), "select '1; drop table pilots; --'");
}

TEST_F(Parameters, IntegersBooleansUnassignedAndNull) {
  query.SetText("select :a, :b, :c, :d, :e");
  query.ParamByName("a").SetInteger(-5);
  query.ParamByName("c").SetText("x");
  query.ParamByName("c").SetNull();
  query.ParamByName("d").SetBoolean(true);
  query.ParamByName("e").SetBoolean(false);
  EXPECT_EQ(query.BoundText(), "select -5, NULL, NULL, 'Y', 'N'");
}

TEST(ParameterLiterals, WithoutBackslashEscapesOnlyTheQuoteIsDoubled) {
  TParam param("v");
  param.SetText("it's a\\b\\'");
  EXPECT_EQ(param.Literal(false), "'it''s a\\b\\'''");
  EXPECT_EQ(param.Literal(true), "'it\\'s a\\\\b\\\\\\''");
  param.SetInteger(-5);
  EXPECT_EQ(param.Literal(false), "-5");
}

TEST_F(Parameters, NamesEndAtDelimitersAndCompareWithoutCase) {
  query.SetText("select * from t where a=:Pilot_ID and (b>=:x)+:x,:y");
  ASSERT_EQ(query.ParamCount(), 3);
  EXPECT_EQ(query.Param(0).Name(), "Pilot_ID");
  EXPECT_NE(query.FindParam("PILOT_id"), nullptr);
  EXPECT_EQ(query.FindParam("nope"), nullptr);
  EXPECT_THROW(query.ParamByName("nope"), TDbError);
  query.ParamByName("pilot_id").SetInteger(7);
  query.ParamByName("X").SetInteger(1);
  query.ParamByName("y").SetInteger(2);
  EXPECT_EQ(query.BoundText(), "select * from t where a=7 and (b>=1)+1,2");
}

TEST_F(Parameters, QuotedColonsAndDoubledColonsAreNoReferences) {
  query.SetText("select ':a', \"b:c\", 'it''s :d', 'x\\':e', `f:g`, '12::30', a::b, :real");
  ASSERT_EQ(query.ParamCount(), 1);
  EXPECT_EQ(query.Param(0).Name(), "real");
  query.ParamByName("real").SetInteger(1);
  EXPECT_EQ(query.BoundText(),
            "select ':a', \"b:c\", 'it''s :d', 'x\\':e', `f:g`, '12::30', a:b, 1");
  query.SetText("select 1");
  EXPECT_EQ(query.ParamCount(), 0);
  EXPECT_EQ(query.BoundText(), "select 1");
}

TEST(SessionTexts, FixedStatementsAndTheirParameters) {
  TdmMySQL session;
  EXPECT_EQ(session.SQLQueryPilots.Text(),
            "select * from pilots \nwhere class = 'Human pilot' \n"
            "           and ((ArmyID = 1) or (ArmyID = 2))");
  EXPECT_EQ(session.SQLQueryPilots.ParamCount(), 0);
  EXPECT_EQ(session.SQLQueryCheckPilot.ParamCount(), 2);
  EXPECT_NE(session.SQLQueryCheckPilot.FindParam("p_pilot_id"), nullptr);
  EXPECT_NE(session.SQLQueryCheckPilot.FindParam("p_last_sortie"), nullptr);
  EXPECT_EQ(session.SQLQueryGetPilot.Text(), "select * from pilots where id = :pilot_id");
  EXPECT_FALSE(session.Connected());
  EXPECT_THROW(session.SQLQueryPilots.Open(), TDbError);
}

}  // namespace
}  // namespace sky
