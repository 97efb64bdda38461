// The rank pass over one database: walks, write-backs, awards, failures.
#include <algorithm>
#include <stdexcept>
#include <tuple>

#include "db/query.h"
#include "engine/combat_rules.h"
#include "engine/pilot_results.h"
#include "engine/rank_pass.h"
#include "engine/rank_scale.h"
#include "engine/sortie.h"
#include "engine/sortie_record.h"
#include "engine_fixture.h"
#include "settings/settings_store.h"

namespace sky::test {
namespace {

// Records what the pass hands to award evaluation and answers with a fixed result.
struct FakeEvaluator {
  struct Call {
    int32_t pilot, start_sortie, rank, army, stored;
  };
  std::vector<Call> calls;
  TAwardResult answer{0, true};
  bool keep_stored = true;  // answer with the stored bits unless told otherwise
  int32_t throw_for_pilot = 0;

  TAwardEvaluator Bind() {
    return [this](TdmMySQL&, TPilotSorties&, const TPilotState& pilot, const TSettings&, const TXmlDocument&) {
      calls.push_back({pilot.PilotId, pilot.StartSortie, pilot.Rank, pilot.Army, pilot.StoredAwards});
      if (pilot.PilotId == throw_for_pilot) throw std::runtime_error("evaluation failed");
      TAwardResult result = answer;
      if (keep_stored) result.Awards = pilot.StoredAwards;
      return result;
    };
  }
};

class RankPass : public EngineDbTest {
 protected:
  // Sorties one hour apart by id, so that times follow ids.
  void Fly(int pilot, std::vector<TestSortie> rows) const {
    for (TestSortie& row : rows) {
      row.pilot = pilot;
      row.start_minute = (row.id % 100) * 60;
    }
    AddSorties(rows);
  }

  // The worked example: rank 1 at 104, death at 105, a new life from 106.
  void FlyTheExample(int pilot, int base = 100) const {
    Fly(pilot, {{.id = base + 1, .eAir = 1},
                {.id = base + 2, .eAir = 1},
                {.id = base + 3},
                {.id = base + 4, .eAir = 1},
                {.id = base + 5, .end = "DIED"},
                {.id = base + 6, .eAir = 2}});
  }

  int32_t Pass() { return EnumeratePilots(session_, settings_, evaluator_.Bind()); }

  FakeEvaluator evaluator_;
};

TEST_F(RankPass, TheWorkedExampleWritesOnceAndThenNothing) {
  AddPilot(1, "Сокол");
  FlyTheExample(1);

  EXPECT_EQ(Pass(), 1);
  EXPECT_EQ(TakePilotWrites(),
            (std::vector<std::string>{"update pilots set realrank = 1, lastsortie = 105 where id = 1"}));
  EXPECT_EQ(Stored(1), "1:105:0");
  EXPECT_EQ(Log(),
            (std::vector<std::string>{
                "TS\t\t",
                "TS\t === Расчет пилота ===\tСокол",
                "TS\tНа звание \"мл. л-т\" не тянем.\tбоевых 1 (надо 3); килов 1 (надо 2)",
                "TS\tНа звание \"мл. л-т\" не тянем.\tбоевых 2 (надо 3); килов 2 (надо 2)",
                "TS\tВылет не засчитан. Либо нет килов, либо слишком короткий.\tSortieID = 103 SortieEND = TKON",
                "TS\tНа звание \"лейтенант\" не тянем.\tбоевых 3 (надо 5); килов 3 (надо 3)",
                "TS\tВыполнен норматив на звание мл. л-т\tБоевых вылетов: 3 Всего килов: 3; Ступень 1",
                "TS\tНовое звание!!!: \tмл. л-т (1) SortieID = 104 SortieEND = TKON at 01.03.2026 14:30:00",
                "TS\t\t",
                "TS\tВылет пропущен. Пилот мертв.\tSortieID = 105 SortieEND = DIED",
                "TS\tНа звание \"лейтенант\" не тянем.\tбоевых 1 (надо 5); килов 2 (надо 3)"}));

  // The next pass re-walks the life from the death at 105: nothing new.
  EXPECT_EQ(Pass(), 1);
  EXPECT_TRUE(TakePilotWrites().empty());
  EXPECT_EQ(Stored(1), "1:105:0");
  ASSERT_EQ(evaluator_.calls.size(), 2u);
  EXPECT_EQ(evaluator_.calls[1].start_sortie, 105);
  EXPECT_EQ(evaluator_.calls[1].rank, 0);
}

TEST_F(RankPass, OnlyHumanPilotsOfTheTwoArmiesAreWalked) {
  AddPilot(1, "red", 1);
  AddPilot(2, "blue", 2);
  AddPilot(3, "bot", 1, "AI");
  AddPilot(4, "neutral", 3);
  for (int pilot = 1; pilot <= 4; ++pilot) FlyTheExample(pilot, pilot * 1000 + 100);
  EXPECT_EQ(Pass(), 2);
  EXPECT_EQ(Stored(1), "1:1105:0");
  EXPECT_EQ(Stored(2), "1:2105:0");
  EXPECT_EQ(Stored(3), "0:0:0");
  EXPECT_EQ(Stored(4), "0:0:0");
  ASSERT_EQ(evaluator_.calls.size(), 2u);
  EXPECT_EQ(evaluator_.calls[1].army, 2);
}

TEST_F(RankPass, AStoredRankAboveTheWalkStaysAndOnlyADeathMovesLastSortie) {
  AddPilot(1, "ветеран");
  db_->Exec("update pilots set realrank = 5 where id = 1");
  Fly(1, {{.id = 1, .eAir = 1}, {.id = 2, .eAir = 1}, {.id = 3, .eAir = 1}});
  Pass();
  EXPECT_TRUE(TakePilotWrites().empty());  // the walk reached 1, stored is 5

  Fly(1, {{.id = 4, .end = "CAPTURED"}});
  Pass();
  EXPECT_EQ(TakePilotWrites(),
            (std::vector<std::string>{"update pilots set realrank = 5, lastsortie = 4 where id = 1"}));
  EXPECT_EQ(Stored(1), "5:4:0");
}

TEST_F(RankPass, TwoDeathsSinceTheLastPassKeepTheBestLife) {
  AddPilot(1, "a");
  Fly(1, {{.id = 1, .eAir = 1},
          {.id = 2, .eAir = 1},
          {.id = 3, .eAir = 1},  // rank 1 in the first life
          {.id = 4, .end = "DIED"},
          {.id = 5, .eAir = 3},
          {.id = 6, .end = "DIED"},
          {.id = 7, .eAir = 1}});
  Pass();
  EXPECT_EQ(TakePilotWrites(),
            (std::vector<std::string>{"update pilots set realrank = 1, lastsortie = 6 where id = 1"}));
  EXPECT_EQ(evaluator_.calls.at(0).start_sortie, 6);
  EXPECT_EQ(evaluator_.calls.at(0).rank, 1);
}

TEST_F(RankPass, TheScaleAsWrittenDecidesTheRank) {
  struct Case {
    const char* what;
    std::vector<TRankDef> ranks;
    const char* stored;
  };
  const Case cases[] = {
      {"out of order: the last met row", {{2, "лейтенант", 3, 3, 0}, {1, "мл. л-т", 3, 2, 0}}, "1:0:0"},
      {"empty: no rank is written", {}, "0:0:0"},
  };
  int pilot = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    settings_.Ranks = c.ranks;
    ++pilot;
    AddPilot(pilot, "p" + std::to_string(pilot));
    Fly(pilot, {{.id = pilot * 10 + 1, .eAir = 9}, {.id = pilot * 10 + 2, .eAir = 9}, {.id = pilot * 10 + 3, .eAir = 9}});
    TakePilotWrites();
    Pass();
    const std::vector<std::string> writes = TakePilotWrites();
    const bool written = std::any_of(writes.begin(), writes.end(), [&](const std::string& sql) {
      return sql.ends_with(" where id = " + std::to_string(pilot));
    });
    EXPECT_EQ(written, std::string(c.stored) != "0:0:0");
    EXPECT_EQ(Stored(pilot), c.stored);
  }
}

TEST_F(RankPass, KillsOfShortSuccessfulSortiesCountWithoutCombat) {
  settings_.SortieMode = 1;
  settings_.SortieDuration = 15;
  settings_.Ranks = {{1, "мл. л-т", 3, 6, 0}};
  AddPilot(1, "a");
  Fly(1, {{.id = 1, .eAir = 3, .minutes = 5},  // not combat, but its kills count
          {.id = 2, .eAir = 1},
          {.id = 3, .eAir = 1},
          {.id = 4, .eAir = 1}});
  Pass();
  EXPECT_EQ(Stored(1), "1:0:0");
}

// A limit of an hour or more is an ordinary limit at every level: the rule,
// a row read from the table, and a whole pass (one life each, one kill, a
// rank for one combat sortie).
TEST_F(RankPass, DurationLimitsOfAnHourAndMoreAgreeAtEveryLevel) {
  struct Case {
    int minutes;
    bool combat;
  };
  const Case cases[] = {{100, true}, {95, true}, {90, true}, {89, false}, {85, false}};
  settings_.SortieMode = 1;
  settings_.SortieDuration = 90;
  settings_.Ranks = {{1, "мл. л-т", 1, 1, 0}};
  home_.SetLogLevel(0);
  int pilot = 0;
  for (const Case& c : cases) {
    ++pilot;
    AddPilot(pilot, "p" + std::to_string(pilot));
    Fly(pilot, {{.id = pilot, .eAir = 1, .minutes = c.minutes}});
    TQuery row(session_, "select * from sorties where id = " + std::to_string(pilot));
    row.Open();
    const TSortie sortie = ReadSortie(row);
    EXPECT_EQ(DurationReached(90, sortie.StartTime, sortie.EndTime), c.combat) << c.minutes;
    EXPECT_EQ(IsCombatRow(settings_, row), c.combat) << c.minutes;
  }
  EXPECT_EQ(Pass(), static_cast<int32_t>(std::size(cases)));
  pilot = 0;
  for (const Case& c : cases) EXPECT_EQ(Stored(++pilot), c.combat ? "1:0:0" : "0:0:0") << c.minutes;
  EXPECT_TRUE(Log().empty()) << ::testing::PrintToString(Log());
}

TEST_F(RankPass, AwardsAreWrittenByTheDocumentsRule) {
  AddPilot(1, "a");
  db_->Exec("update pilots set awards = 5 where id = 1");
  evaluator_.keep_stored = false;
  struct Case {
    int32_t awards;
    bool write_if_changed;
    bool written;
  };
  for (const Case& c : {Case{4, true, true}, Case{4, false, false}, Case{6, false, true},
                        Case{5, true, false}, Case{-1, false, false}}) {
    db_->Exec("update pilots set awards = 5 where id = 1");
    evaluator_.answer = {c.awards, c.write_if_changed};
    sent_.clear();
    Pass();
    std::vector<std::string> expected;
    if (c.written) expected.push_back(fmt::format("update pilots set awards = {} where id = 1", c.awards));
    EXPECT_EQ(TakePilotWrites(), expected) << c.awards << " " << c.write_if_changed;
  }
}

TEST_F(RankPass, AwardEvaluationGetsThePilotAfterTheWalk) {
  AddPilot(7, "a", 2);
  db_->Exec("update pilots set awards = 3 where id = 7");
  FlyTheExample(7);
  Pass();
  ASSERT_EQ(evaluator_.calls.size(), 1u);
  const FakeEvaluator::Call& call = evaluator_.calls[0];
  EXPECT_EQ(call.pilot, 7);
  EXPECT_EQ(call.start_sortie, 105);
  EXPECT_EQ(call.rank, 1);
  EXPECT_EQ(call.army, 2);
  EXPECT_EQ(call.stored, 3);
}

TEST_F(RankPass, APilotWithoutSortiesIsStillEvaluated) {
  AddPilot(1, "a");
  Pass();
  EXPECT_TRUE(TakePilotWrites().empty());
  EXPECT_EQ(evaluator_.calls.size(), 1u);
}

TEST_F(RankPass, DebugModeComputesButWritesNoPilot) {
  settings_.Debug = true;
  evaluator_.keep_stored = false;
  evaluator_.answer = {9, true};
  AddPilot(1, "Сокол");
  db_->Exec("update pilots set realrank = null where id = 1");
  FlyTheExample(1);
  Pass();
  EXPECT_TRUE(TakePilotWrites().empty());
  EXPECT_EQ(Stored(1), "0:0:0");  // the null rank is still fixed
  EXPECT_EQ(evaluator_.calls.size(), 1u);
  auto lines = Log();
  EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
    return line.rfind("TS\tНовое звание!!!: \t", 0) == 0;
  }));
}

TEST_F(RankPass, AnErrorStopsTheLoopForThisDatabaseOnly) {
  for (int pilot = 1; pilot <= 4; ++pilot) {
    AddPilot(pilot, "p" + std::to_string(pilot));
    FlyTheExample(pilot, pilot * 1000 + 100);
  }
  evaluator_.throw_for_pilot = 3;
  home_.SetLogLevel(0);
  EXPECT_EQ(Pass(), 3);
  EXPECT_EQ(Stored(1), "1:1105:0");
  EXPECT_EQ(Stored(2), "1:2105:0");
  EXPECT_EQ(Stored(4), "0:0:0");
  EXPECT_EQ(evaluator_.calls.size(), 3u);
  EXPECT_EQ(Log(), (std::vector<std::string>{"TS\tERROR Enumeration pilots:\tevaluation failed"}));
  EXPECT_FALSE(session_.SQLQueryPilots.Active());
  EXPECT_FALSE(session_.SQLQueryCheckPilot.Active());

  // The next cycle starts again from the first pilot.
  evaluator_.throw_for_pilot = 0;
  EXPECT_EQ(Pass(), 4);
  EXPECT_EQ(Stored(4), "1:4105:0");
}

TEST_F(RankPass, AFailedUpdateIsLoggedAndThePassGoesOn) {
  AddPilot(1, "a");
  AddPilot(2, "b");
  FlyTheExample(1, 1100);
  FlyTheExample(2, 2100);
  db_->Exec(
      "create trigger lock_pilot_one before update on pilots for each row "
      "if new.id = 1 and (new.realrank > 0 or new.awards > 0) then "
      "signal sqlstate '45000' set message_text = 'pilot 1 is locked'; end if");
  evaluator_.keep_stored = false;
  evaluator_.answer = {2, true};
  home_.SetLogLevel(0);
  EXPECT_EQ(Pass(), 2);
  EXPECT_EQ(Stored(1), "0:0:0");
  EXPECT_EQ(Stored(2), "1:2105:2");
  EXPECT_EQ(Log(), (std::vector<std::string>{"TS\tERROR updating realrank field:\tpilot 1 is locked",
                                             "TS\tERROR updating awards:\tpilot 1 is locked"}));
}

TEST_F(RankPass, AMissingAwardsFileProcessesNoPilot) {
  settings_.AwardsFile = home_.File("missing.xml");
  AddPilot(1, "a");
  db_->Exec("update pilots set realrank = null where id = 1");
  home_.SetLogLevel(0);
  EXPECT_EQ(Pass(), 0);
  EXPECT_TRUE(evaluator_.calls.empty());
  EXPECT_EQ(Stored(1), "0:0:0");  // null ranks were fixed before the file was looked for
  EXPECT_EQ(Log(), (std::vector<std::string>{"TS\tAwards setting file has NOT been loaded\t" +
                                             settings_.AwardsFile}));
}

TEST_F(RankPass, CalculateDatabaseSaysWhetherItReachedAndEnumeratedAndSetsTheTime) {
  SetFieldsChecked(true);
  const TDatabasePass refused = CalculateDatabase(settings_, db_->EntryWithPassword("wrong"), evaluator_.Bind());
  EXPECT_FALSE(refused.Reached);
  EXPECT_FALSE(refused.Enumerated);
  EXPECT_EQ(LastCalcTime(), kNeverCalculated);

  const TDatabasePass empty = CalculateDatabase(settings_, db_->Entry(), evaluator_.Bind());
  EXPECT_TRUE(empty.Reached) << "reached, though no pilot was there to enumerate";
  EXPECT_FALSE(empty.Enumerated);
  const TDateTime first = LastCalcTime();
  EXPECT_GT(first, kNeverCalculated);

  AddPilot(1, "a");
  FlyTheExample(1);
  const TDatabasePass full = CalculateDatabase(settings_, db_->Entry(), evaluator_.Bind());
  EXPECT_TRUE(full.Reached);
  EXPECT_TRUE(full.Enumerated);
  EXPECT_GE(LastCalcTime(), first);
  EXPECT_EQ(Stored(1), "1:105:0");
}

// The kept results: the same figures whether the career lies before the
// stored last death (later passes) or is walked whole (first pass), read in
// batches or pilot by pilot; a stopped pass keeps the set of the last whole
// one.
TEST_F(RankPass, AWholePassKeepsEachPilotsResults) {
  SetFieldsChecked(true);
  AddPilot(1, "red", 1);
  AddPilot(2, "blue", 2);
  AddPilot(3, "bot", 1, "AI");
  FlyTheExample(1);
  Fly(2, {{.id = 201, .eAir = 1, .eTank = 2}});
  TServerEntry entry = db_->Entry();
  entry.Id = "kept";
  // The third pass pauses between sorties, so that it reads pilot by pilot.
  for (int pass = 0; pass < 3; ++pass) {
    settings_.Sleep = pass == 2 ? 1 : 0;
    CalculateDatabase(settings_, entry, evaluator_.Bind());
    const auto results = FindPilotResults("kept");
    ASSERT_TRUE(results) << pass;
    ASSERT_EQ(results->size(), 2u);
    const TPilotResult& red = results->at(0);
    EXPECT_EQ(red.Callsign, "red");
    EXPECT_EQ(red.Rank, 1);
    EXPECT_EQ(red.RankName, RankName(1, settings_));
    EXPECT_EQ(std::make_tuple(red.CareerSorties, red.CareerDeaths, red.CareerAirKills), std::make_tuple(6, 1, int64_t{5})) << pass;
    EXPECT_TRUE(red.CareerKnown);
    EXPECT_EQ(red.LifeSorties, 1);
    EXPECT_EQ(red.LifeAirKills, 2);
    EXPECT_EQ(red.LastSortie.size(), 19u);
    const TPilotResult& blue = results->at(1);
    EXPECT_EQ(std::make_tuple(blue.CareerSorties, blue.CareerDeaths, blue.CareerGroundKills), std::make_tuple(1, 0, int64_t{2}));
    EXPECT_EQ(blue.LifeSorties, 1);
  }
  const auto whole = FindPilotResults("kept");
  TPassStop stop;
  stop.Request();
  CalculateDatabase(settings_, entry, evaluator_.Bind(), &stop);
  EXPECT_EQ(FindPilotResults("kept"), whole);
}

// The pass says it is alive before each pilot and after each pause between
// sorties; the service feeds its watchdog from there.
TEST_F(RankPass, ThePassSaysItIsAliveBeforeEachPilotAndAfterEachPause) {
  SetFieldsChecked(true);
  AddPilot(1, "red", 1);
  AddPilot(2, "blue", 2);
  FlyTheExample(1);
  Fly(2, {{.id = 201, .eAir = 1}});
  for (const int sleep : {0, 1}) {
    settings_.Sleep = sleep;
    int64_t calls = 0;
    const TDatabasePass pass = CalculateDatabase(
        settings_, db_->Entry(), {.evaluate_awards = evaluator_.Bind(), .alive = [&calls] { ++calls; }});
    ASSERT_EQ(pass.PilotsExamined, 2) << sleep;
    if (sleep == 0) EXPECT_GE(calls, 2);
    if (sleep == 1) EXPECT_EQ(calls, pass.PilotsExamined + pass.SortiesRead);
  }
}

}  // namespace
}  // namespace sky::test
