// The awards document layer: text comparisons, number reading and the
// selections evaluation runs on the document.
#include <gtest/gtest.h>

#include <stdexcept>

#include "awards/award_conditions.h"
#include "awards/awards_file.h"
#include "support/program_home.h"
#include "xml/xml_document.h"

namespace sky {
namespace {

TEST(AwardTexts, ZeroComparisonsAreByteOrder) {
  EXPECT_TRUE(SortsAfterZero("1"));
  EXPECT_TRUE(SortsAfterZero("00"));
  EXPECT_TRUE(SortsAfterZero("a"));
  EXPECT_TRUE(SortsAfterZero("Да"));
  EXPECT_FALSE(SortsAfterZero(""));
  EXPECT_FALSE(SortsAfterZero("0"));
  EXPECT_FALSE(SortsAfterZero("-1"));
  EXPECT_FALSE(SortsAfterZero(" 1"));
}

TEST(AwardTexts, RanksAreASubstringSearch) {
  EXPECT_TRUE(RankListed("10", 1));
  EXPECT_TRUE(RankListed("10", 0));
  EXPECT_TRUE(RankListed("10", 10));
  EXPECT_TRUE(RankListed("3,4,5", 4));
  EXPECT_FALSE(RankListed("3,4,5", 6));
  EXPECT_FALSE(RankListed("0", 10));
  EXPECT_FALSE(RankListed("", 0));
}

TEST(AwardTexts, IdentifiersAndMasksAreIntegers) {
  EXPECT_EQ(ParseAwardInteger("1073741824"), 1073741824);
  EXPECT_EQ(ParseAwardInteger(" 7 "), 7);
  EXPECT_EQ(ParseAwardInteger("-2147483648"), INT32_MIN);
  EXPECT_EQ(ParseAwardInteger("+3"), 3);
  EXPECT_FALSE(ParseAwardInteger(""));
  EXPECT_FALSE(ParseAwardInteger("2147483648"));
  EXPECT_FALSE(ParseAwardInteger("1.5"));
  EXPECT_FALSE(ParseAwardInteger("x1"));
  EXPECT_FALSE(ParseAwardInteger("+-1"));
}

TEST(AwardTexts, ThresholdsAcceptEitherDecimalSeparator) {
  EXPECT_DOUBLE_EQ(ReadThreshold("2"), 2.0);
  EXPECT_DOUBLE_EQ(ReadThreshold("0.5"), 0.5);
  EXPECT_DOUBLE_EQ(ReadThreshold("0,5"), 0.5);
  EXPECT_DOUBLE_EQ(ReadThreshold(" -1.25 "), -1.25);
  EXPECT_DOUBLE_EQ(ReadThreshold("1e2"), 100.0);
  for (const char* text : {"", " ", "abc", "1,000.5", "1e", "inf", "nan", "0x10", "."}) {
    EXPECT_THROW(ReadThreshold(text), std::invalid_argument) << text;
  }
}

TEST(AwardDocument, WriteRuleFollowsPreserveOnDeath) {
  auto rule = [](const char* xml) {
    TXmlDocument doc;
    EXPECT_TRUE(doc.LoadText(xml));
    return WriteIfChangedRule(doc);
  };
  EXPECT_TRUE(rule("<awards/>"));
  EXPECT_TRUE(rule("<awards preserve_on_death=\"0\"/>"));
  EXPECT_FALSE(rule("<awards preserve_on_death=\"1\"/>"));
  // The root is found anywhere in the document.
  EXPECT_FALSE(rule("<config><awards preserve_on_death=\"1\"/></config>"));
}

TEST(AwardDocument, ConditionsAreFoundBySectionAndId) {
  TXmlDocument doc;
  ASSERT_TRUE(doc.LoadText(
      "<awards><simple>"
      "<red><item id=\"5\"><condition a=\"1\"/></item>"
      "<item id=\"6\"><condition a=\"2\"/></item>"
      "<item id=\"5\"><condition a=\"3\"/><condition a=\"4\"/></item></red>"
      "<blue><item id=\"5\"><condition a=\"9\"/></item></blue>"
      "</simple><complex><red><item id=\"5\"><condition a=\"7\"/></item></red></complex>"
      "</awards>"));
  auto values = [&](const std::string& path) {
    std::string joined;
    for (TXmlNode node : doc.SelectAll(path)) joined += node.Attribute("a").value_or("?");
    return joined;
  };
  EXPECT_EQ(doc.SelectAll(SimpleItemsPath("red")).size(), 3u);
  // Two items with one id share each other's conditions.
  EXPECT_EQ(values(SimpleConditionsPath("red", 5)), "134");
  EXPECT_EQ(values(SimpleConditionsPath("blue", 5)), "9");
  EXPECT_EQ(values(SimpleConditionsPath("red", 7)), "");
  EXPECT_EQ(values(ComplexConditionsPath("red", 5)), "7");
  EXPECT_EQ(doc.SelectAll(ComplexItemsPath("blue")).size(), 0u);
}

TEST(AwardDocument, UnknownArmiesUseTheRedSection) {
  test::ProgramHome home;
  home.SetLogLevel(0);
  EXPECT_EQ(ArmySection(1), "red");
  EXPECT_EQ(ArmySection(2), "blue");
  EXPECT_TRUE(home.LogLines().empty());
  EXPECT_EQ(ArmySection(0), "red");
  EXPECT_EQ(ArmySection(-7), "red");
  EXPECT_EQ(home.LogLines(),
            (std::vector<std::string>{"TS\tINVALID ARMYID\t0", "TS\tINVALID ARMYID\t-7"}));
}

}  // namespace
}  // namespace sky
