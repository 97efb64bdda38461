// Award evaluation against a real statistics database.
#include "awards/award_fixture.h"

namespace sky::test {
namespace {

// The example definition: Ace (simple, bit 1) for three air kills or two and
// a landing; Veteran (complex, bit 1024) for ranks 3-5 holding Ace, after 20
// combat sorties and 10 air kills in the current life. Nothing for blue.
const char kExampleAwards[] =
    "<awards preserve_on_death=\"1\">"
    " <simple><red>"
    "  <item id=\"1\" name=\"Ace\" value=\"1\">"
    "   <condition airkill=\"3\"/>"
    "   <condition airkill=\"2\" landing=\"1\"/>"
    "  </item>"
    " </red></simple>"
    " <complex><red>"
    "  <item id=\"10\" name=\"Veteran\" value=\"1024\" ranks=\"3,4,5\" dependson=\"1\">"
    "   <condition combat=\"20\" airkill=\"10\"/>"
    "  </item>"
    " </red></complex>"
    "</awards>";

using AwardEvaluation = AwardTest;

TEST_F(AwardEvaluation, AceIsEarnedByThreeKillsOrTwoAndALanding) {
  AddSorties({{.id = 1, .pilot = 1, .end = "CRASHED", .eAir = 2},   // two, no landing
              {.id = 2, .pilot = 2, .end = "CRASHED", .eAir = 3},   // three
              {.id = 3, .pilot = 3, .end = "TKON", .eAir = 2},      // two and a landing
              {.id = 4, .pilot = 4, .end = "DIED", .eAir = 5}});    // not accepted
  auto doc = Awards(kExampleAwards);
  EXPECT_EQ(EvaluateAwards(session_, TPilotState{.PilotId = 1, .Army = 1}, settings_, *doc).Awards, 0);
  EXPECT_EQ(EvaluateAwards(session_, TPilotState{.PilotId = 2, .Army = 1}, settings_, *doc).Awards, 1);
  EXPECT_EQ(EvaluateAwards(session_, TPilotState{.PilotId = 3, .Army = 1}, settings_, *doc).Awards, 1);
  EXPECT_EQ(EvaluateAwards(session_, TPilotState{.PilotId = 4, .Army = 1}, settings_, *doc).Awards, 0);
  EXPECT_EQ(CountLine("TS\tЗаслужена simple награда!!! Ace\tSortieID = 3 SortieEND = TKON "), 1);
  EXPECT_FALSE(session_.SQLQueryCheckPilot.Active());
}

TEST_F(AwardEvaluation, VeteranNeedsRankAceAndTheLifeTotals) {
  // Twenty combat sorties: 1 to 10 with air kills (13 in all, sortie 1 earns
  // Ace), 11 to 20 with one tank each, which the row test counts as combat
  // once ground kills take part (BombersMode above 0).
  std::vector<TestSortie> rows;
  for (int id = 1; id <= 20; ++id) {
    rows.push_back({.id = id, .eAir = id <= 10 ? 1 : 0, .eTank = id <= 10 ? 0 : 1});
  }
  rows[0].eAir = 3;
  rows[1].eAir = 2;
  settings_.BombersMode = 1;
  AddSorties(rows);
  auto doc = Awards(kExampleAwards);

  TAwardResult result = Evaluate(*doc, 0, /*rank=*/4);
  EXPECT_EQ(result.Awards, 1 | 1024);
  EXPECT_FALSE(result.WriteIfChanged);
  EXPECT_TRUE(HasLine(
      "TS\tЗаслужена \"complex\" награда!!! Veteran\tSortieID = 20 SortieEND = TKON "));

  home_.ClearLog();
  EXPECT_EQ(Evaluate(*doc, 0, /*rank=*/6).Awards, 1);
  EXPECT_TRUE(HasLine("TS\tНаграда не присваивается для этого звания\t6"));

  // From sortie 2 on: 10 air kills but 19 combat sorties, one short.
  EXPECT_EQ(Evaluate(*doc, /*start_sortie=*/2, /*rank=*/3, 1, /*stored=*/1).Awards, 1);
  // From sortie 3 on nothing earns Ace, so Veteran's dependency fails.
  home_.ClearLog();
  EXPECT_EQ(Evaluate(*doc, /*start_sortie=*/3, /*rank=*/3).Awards, 0);
  EXPECT_TRUE(HasLine("TS\tПроверяемая награда зависит от награды, которой нет у пилота\t"
                      "Зависимая награда: 1024, Зависимость: 1, Имеющиеся награды: 0"));
}

TEST_F(AwardEvaluation, ArmySelectsTheSection) {
  AddSorties({{.id = 1, .eAir = 1}});
  const std::string xml =
      "<awards><simple>"
      "<red><item id=\"1\" name=\"RedStar\" value=\"1\"><condition airkill=\"1\"/></item></red>"
      "<blue><item id=\"1\" name=\"BlueStar\" value=\"2\"><condition airkill=\"1\"/></item></blue>"
      "</simple></awards>";
  EXPECT_EQ(Mask(xml, 0, 0, /*army=*/2), 2);
  EXPECT_FALSE(HasLine("TS\tINVALID ARMYID\t2"));
  EXPECT_EQ(Mask(xml, 0, 0, /*army=*/3), 1);
  EXPECT_EQ(CountLine("TS\tINVALID ARMYID\t3"), 1);
  // The example file has nothing for blue pilots.
  EXPECT_EQ(Mask(kExampleAwards, 0, 3, /*army=*/2, /*stored=*/8), 8);
}

TEST_F(AwardEvaluation, PreserveOnDeathSelectsTheWriteRule) {
  const std::string body = "<simple/>";
  auto rule = [&](const std::string& attributes) {
    auto doc = Awards("<awards" + attributes + ">" + body + "</awards>");
    return Evaluate(*doc).WriteIfChanged;
  };
  EXPECT_TRUE(rule(""));
  EXPECT_TRUE(rule(" preserve_on_death=\"\""));
  EXPECT_TRUE(rule(" preserve_on_death=\"0\""));
  EXPECT_TRUE(rule(" preserve_on_death=\"-1\""));
  EXPECT_FALSE(rule(" preserve_on_death=\"1\""));
  EXPECT_FALSE(rule(" preserve_on_death=\"yes\""));
}

TEST_F(AwardEvaluation, StoredBitsAreKeptAndAnEmptyDocumentChangesNothing) {
  AddSorties({{.id = 1, .eAir = 5}});
  auto empty = Awards("<awards/>");
  TAwardResult result = Evaluate(*empty, 0, 0, 1, /*stored=*/0x40000005);
  EXPECT_EQ(result.Awards, 0x40000005);
  EXPECT_TRUE(result.WriteIfChanged);
  EXPECT_EQ(Mask(RedAwards("<item id=\"1\" name=\"A\" value=\"2\"><condition airkill=\"9\"/></item>"),
                 0, 0, 1, /*stored=*/4),
            4);
}

TEST_F(AwardEvaluation, DependenciesFollowTheOrderOfTheFile) {
  // C (bit 4) needs A and B; B (bit 2) needs A (bit 1); A is listed last.
  const std::string xml = RedAwards(
      "<item id=\"3\" name=\"C\" value=\"4\" dependson=\"3\"><condition/></item>"
      "<item id=\"2\" name=\"B\" value=\"2\" dependson=\"1\"><condition airkill=\"1\"/></item>"
      "<item id=\"1\" name=\"A\" value=\"1\"><condition airkill=\"1\"/></item>",
      "<item id=\"1\" name=\"D\" value=\"8\" dependson=\"1\"><condition/></item>");
  const std::string missing = "TS\tПроверяемая награда зависит от награды, которой нет у пилота\t";
  AddSorties({{.id = 1, .eAir = 1}});
  // One sortie: A is earned after B was tested; the complex D sees A earned
  // in the same call.
  EXPECT_EQ(Mask(xml), 1 | 8);
  EXPECT_TRUE(HasLine(missing + "Зависимая награда: 4, Зависимость: 3, Имеющиеся награды: 0"));
  EXPECT_TRUE(HasLine(missing + "Зависимая награда: 2, Зависимость: 1, Имеющиеся награды: 0"));
  // Each further accepted sortie climbs one step of the chain.
  home_.ClearLog();
  AddSorties({{.id = 2, .eAir = 1}});
  EXPECT_EQ(Mask(xml), 1 | 2 | 8);
  EXPECT_TRUE(HasLine(missing + "Зависимая награда: 4, Зависимость: 3, Имеющиеся награды: 1"));
  AddSorties({{.id = 3, .end = "DIED", .eAir = 1}});
  EXPECT_EQ(Mask(xml), 1 | 2 | 8);
  AddSorties({{.id = 4}});
  EXPECT_EQ(Mask(xml), 1 | 2 | 4 | 8);
}

TEST_F(AwardEvaluation, ConditionAttributesDecideTogether) {
  AddSorties({{.id = 1, .end = "BAIL", .eAir = 5}, {.id = 2, .eAir = 5}, {.id = 3, .eAir = 5}});
  // No attributes: met by the first accepted sortie.
  EXPECT_EQ(Mask(RedAwards("<item id=\"1\" name=\"Any\" value=\"1\"><condition/></item>")), 1);
  EXPECT_EQ(CountLine("TS\tЗаслужена simple награда!!! Any\tSortieID = 2 SortieEND = TKON "), 1);
  EXPECT_EQ(CountLine("TS\tЗаслужена simple награда!!! Any\tSortieID = 3 SortieEND = TKON "), 1);

  // An attribute that is no criterion spoils the condition; names ignore case.
  EXPECT_EQ(Mask(RedAwards("<item id=\"1\" name=\"Foo\" value=\"1\">"
                           "<condition airkill=\"1\" foo=\"1\"/></item>"
                           "<item id=\"2\" name=\"Case\" value=\"2\">"
                           "<condition AirKill=\"5\" BOMBERKILL=\"0\"/></item>"
                           "<item id=\"3\" name=\"Bare\" value=\"4\"/>")),
            2);
  EXPECT_TRUE(HasLine("TS\tCondition item\tfoo 1"));
  EXPECT_TRUE(HasLine("TS\tCondition item\tAirKill 5"));

  // A threshold that is not a number fails only its own condition.
  home_.ClearLog();
  EXPECT_EQ(Mask(RedAwards("<item id=\"1\" name=\"Odd\" value=\"1\">"
                           "<condition airkill=\"many\"/><condition airkill=\"5\"/></item>",
                           "<item id=\"1\" name=\"OddC\" value=\"2\">"
                           "<condition combat=\"x\"/></item>"
                           "<item id=\"2\" name=\"Fine\" value=\"4\">"
                           "<condition combat=\"2\" airkill=\"1,5\"/></item>")),
            1 | 4);
  EXPECT_EQ(CountLine("TS\tОшибка проверки условий присвоения награды\t'many' is not a valid number"), 2);
  EXPECT_EQ(CountLine("TS\tОшибка при проверке условий присвоения награды \t'x' is not a valid number"), 1);
}

TEST_F(AwardEvaluation, LandingNeedsAPositiveValueAndAnExactTkon) {
  auto mask_for = [&](int pilot, const char* condition) {
    auto doc = Awards(RedAwards(std::string("<item id=\"1\" name=\"L\" value=\"1\">") + condition +
                                "</item>"));
    return Evaluate(*doc, 0, 0, 1, 0, pilot).Awards;
  };
  AddSorties({{.id = 1, .pilot = 1, .end = "TKON", .eAir = 2},
              {.id = 2, .pilot = 2, .end = "CRASHED", .eAir = 3},
              {.id = 3, .pilot = 3, .end = "TKON ", .eAir = 2}});  // accepted, but no landing
  const char* two_and_landing = "<condition airkill=\"2\" landing=\"1\"/>";
  EXPECT_EQ(mask_for(1, two_and_landing), 1);
  EXPECT_EQ(mask_for(2, two_and_landing), 0);
  EXPECT_EQ(mask_for(3, two_and_landing), 0);
  EXPECT_EQ(mask_for(3, "<condition airkill=\"2\"/>"), 1);
  EXPECT_EQ(mask_for(1, "<condition airkill=\"2\" landing=\"0\"/>"), 0);
  EXPECT_EQ(mask_for(1, "<condition landing=\"-1\"/>"), 0);
  EXPECT_EQ(mask_for(1, "<condition landing=\"0.5\"/>"), 1);
}

TEST_F(AwardEvaluation, SimpleCriteriaReadTheSortieRow) {
  AddSorties({{.id = 1, .eBom = 2, .eSAir = 1, .eTank = 3, .eCar = 1, .eArt = 1, .eAaa = 1,
               .eWag = 1, .eShip = 2, .wound = 1},
              {.id = 2}});
  auto met = [&](const char* condition) {
    return Mask(RedAwards(std::string("<item id=\"1\" name=\"X\" value=\"1\">") + condition +
                          "</item>")) == 1;
  };
  EXPECT_TRUE(met("<condition bomberkill=\"2\" tankkill=\"3\" shipkill=\"2\"/>"));
  EXPECT_FALSE(met("<condition bomberkill=\"3\"/>"));
  EXPECT_FALSE(met("<condition tankkill=\"4\"/>"));
  EXPECT_TRUE(met("<condition gkill=\"10\" wounded=\"\"/>"));
  EXPECT_FALSE(met("<condition gkill=\"11\"/>"));
  // wounded ignores its value but needs a wounded sortie: sortie 2 alone is not.
  EXPECT_EQ(Mask(RedAwards("<item id=\"1\" name=\"W\" value=\"1\"><condition wounded=\"0\"/></item>"),
                 /*start_sortie=*/2),
            0);
}

TEST_F(AwardEvaluation, ArtilleryCountsAntiAircraftOnlyInSimpleAwards) {
  AddSorties({{.id = 1, .eArt = 1, .eAaa = 1}});
  EXPECT_EQ(Mask(RedAwards("<item id=\"1\" name=\"Gunner\" value=\"1\">"
                           "<condition artkill=\"2\"/></item>",
                           "<item id=\"1\" name=\"Gunner2\" value=\"2\">"
                           "<condition artkill=\"2\"/></item>"
                           "<item id=\"2\" name=\"Gunner1\" value=\"4\">"
                           "<condition artkill=\"1\" gkill=\"2\"/></item>")),
            1 | 4);
}

TEST_F(AwardEvaluation, KillsPerSortieFollowTheCareerRatio) {
  // ks 2 on every accepted sortie: the ratio counts every sortie of the
  // career up to the one under test, deaths and earlier lives included.
  const std::string ks = RedAwards(
      "<item id=\"1\" name=\"Modest\" value=\"1\"><condition ks=\"2\" airkill=\"4\"/></item>",
      "<item id=\"1\" name=\"ModestLife\" value=\"2\"><condition ks=\"2\"/></item>"
      "<item id=\"2\" name=\"Ground\" value=\"4\"><condition gks=\"1.5\"/></item>");
  AddSorties({{.id = 1, .eAir = 2, .eTank = 2},             // before the start
              {.id = 5, .end = "DIED"},                     // the death: 2 sorties, 2 kills
              {.id = 6, .eAir = 4, .eCar = 1}});            // 3 sorties, 6 kills: exactly 2
  EXPECT_EQ(Mask(ks, /*start_sortie=*/5), 1 | 2 | 4);
  EXPECT_TRUE(HasLine("TS\tЗаслужена simple награда!!! Modest\tSortieID = 6 SortieEND = TKON "));

  // One more kill lifts the ratio above 2 for both kinds of award.
  db_->Exec("update sorties set eAir = 5 where id = 6");
  EXPECT_EQ(Mask(ks, 5), 4);
  // Ground kills per sortie: (2 + 1) / 3 = 1 is within 1.5; a ship more is not.
  db_->Exec("update sorties set eShip = 3 where id = 6");
  EXPECT_EQ(Mask(ks, 5), 0);
  // Without the death sortie the ratio is higher: 6 / 2 = 3.
  db_->Exec("update sorties set eAir = 4, eShip = 0 where id = 6");
  db_->Exec("delete from sorties where id = 5");
  EXPECT_EQ(Mask(ks, 5), 4);
}

TEST_F(AwardEvaluation, RanksAreMatchedAsText) {
  AddSorties({{.id = 1, .eAir = 1}});
  const std::string xml = RedAwards(
      "<item id=\"1\" name=\"Ten\" value=\"1\" ranks=\"10\"><condition/></item>"
      "<item id=\"2\" name=\"Zero\" value=\"2\" ranks=\"0\"><condition/></item>"
      "<item id=\"3\" name=\"Open\" value=\"4\" ranks=\"\"><condition/></item>",
      "<item id=\"1\" name=\"CZero\" value=\"8\" ranks=\"0\"><condition/></item>"
      "<item id=\"2\" name=\"CList\" value=\"16\" ranks=\"3,4\"><condition/></item>");
  EXPECT_EQ(Mask(xml, 0, /*rank=*/1), 1 | 4 | 8);
  EXPECT_EQ(Mask(xml, 0, /*rank=*/0), 1 | 2 | 4 | 8);
  // The rank's text is looked up in the list, not the other way round:
  // "10" does not occur in "0".
  EXPECT_EQ(Mask(xml, 0, /*rank=*/10), 1 | 4 | 8);
  home_.ClearLog();
  EXPECT_EQ(Mask(xml, 0, /*rank=*/4), 4 | 8 | 16);
  // Simple items report the rank at level 7, complex ones at level 4.
  home_.SetLogLevel(6);
  home_.ClearLog();
  EXPECT_EQ(Mask(xml, 0, /*rank=*/5), 4 | 8);
  EXPECT_EQ(Log(), std::vector<std::string>{"TS\tНаграда не присваивается для этого звания\t5"});
}

TEST_F(AwardEvaluation, BrokenItemsAreSkipped) {
  AddSorties({{.id = 1, .eAir = 1}, {.id = 2, .eAir = 1}});
  const std::string xml = RedAwards(
      "<item name=\"NoId\" value=\"1\"><condition/></item>"
      "<item id=\"2\" name=\"BadValue\" value=\"one\"><condition/></item>"
      "<item id=\"3\" value=\"4\"><condition/></item>"
      "<item id=\"4\" name=\"BadDependency\" value=\"8\" dependson=\"x\"><condition/></item>"
      "<item id=\"5\" name=\"Good\" value=\"16\"><condition/></item>",
      "<item name=\"NoIdC\" value=\"32\"><condition/></item>"
      "<item id=\"7\" name=\"NoValueC\"><condition/></item>"
      "<item id=\"x8\" name=\"BadIdC\" value=\"64\"><condition/></item>"
      "<item id=\"9\" name=\"GoodC\" value=\"128\"><condition/></item>");
  EXPECT_EQ(Mask(xml), 16 | 128);
  int skipped = 0;
  for (const std::string& line : Log()) {
    if (line.rfind("TS\tInvalid simple award item skipped:\t", 0) == 0) ++skipped;
  }
  EXPECT_EQ(skipped, 4);  // once per item and call, not once per sortie
  EXPECT_EQ(CountLine("TS\tОшибка в цикле перебора сложных наград\tid 'x8' is not an integer"), 1);
  EXPECT_EQ(CountLine("TS\tПроверка comlex награды\tNoValueC"), 1);
}

TEST_F(AwardEvaluation, ComplexAwardsWithoutAcceptedSorties) {
  AddSorties({{.id = 1, .end = "DIED", .eAir = 3}, {.id = 2, .end = "MIA", .eAir = 3}});
  const std::string xml = RedAwards(
      "<item id=\"1\" name=\"S\" value=\"1\"><condition/></item>",
      "<item id=\"1\" name=\"Zero\" value=\"2\"><condition combat=\"0\" airkill=\"0\"/></item>"
      "<item id=\"2\" name=\"One\" value=\"4\"><condition combat=\"1\"/></item>");
  EXPECT_EQ(Mask(xml), 2);
  EXPECT_TRUE(HasLine("TS\tЗаслужена \"complex\" награда!!! Zero\tSortieID = 2 SortieEND = MIA "));
  // No sortie walked at all: the detail is empty.
  home_.ClearLog();
  EXPECT_EQ(Mask(xml, /*start_sortie=*/3), 2);
  EXPECT_TRUE(HasLine("TS\tЗаслужена \"complex\" награда!!! Zero\t"));
}

TEST_F(AwardEvaluation, ARowThatCannotBeReadEndsTheCallWithTheStatementClosed) {
  AddSorties({{.id = 1}});
  db_->Exec("alter table sorties drop column eWag");
  auto doc = Awards(kExampleAwards);
  EXPECT_ANY_THROW(Evaluate(*doc));
  EXPECT_FALSE(session_.SQLQueryCheckPilot.Active());
}

}  // namespace
}  // namespace sky::test
