// Reading sortie rows and the row-based rules against the real database.
#include <fmt/format.h>

#include "base/datetime.h"
#include "db/db_error.h"
#include "db/query.h"
#include "engine/combat_rules.h"
#include "engine/pilot_totals.h"
#include "engine/sortie.h"
#include "engine/sortie_record.h"
#include "engine_fixture.h"

namespace sky::test {
namespace {

class SortieRows : public EngineDbTest {
 protected:
  // Opens `sql` on a statement object of the session, standing on its first row.
  TQuery& Row(const std::string& sql) {
    query_ = std::make_unique<TQuery>(session_, sql);
    query_->Open();
    return *query_;
  }
  std::unique_ptr<TQuery> query_;
};

TEST_F(SortieRows, ReadSortieTakesEveryColumnAndTrimsTheEnd) {
  db_->Exec("alter table sorties modify SortieEND varchar(40)");
  db_->Exec(
      "insert into sorties values (7, 3, 42, 2, '2026-03-01 10:00:00', '2026-03-01 10:45:30', 9, "
      "120, 1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 13, 14, 15, 16, 17, 18, 19, 1, ' \tTKON \r')");
  TSortie sortie = ReadSortie(Row("select * from sorties where id = 7"));
  EXPECT_EQ(sortie.Id, 7);
  EXPECT_EQ(sortie.SessionId, 3);
  EXPECT_EQ(sortie.PilotId, 42);
  EXPECT_EQ(sortie.ArmyId, 2);
  EXPECT_EQ(FormatDateTime(sortie.StartTime), "01.03.2026 10:00:00");
  EXPECT_EQ(FormatDateTime(sortie.EndTime), "01.03.2026 10:45:30");
  EXPECT_EQ(sortie.MissionId, 9);
  EXPECT_EQ(sortie.Score, 120);
  const TKillSet& e = sortie.Enemy;
  EXPECT_EQ((std::vector<double>{e.Air, e.Bom, e.SAir, e.Tank, e.Car, e.Art, e.Aaa, e.Wag, e.Ship}),
            (std::vector<double>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
  const TKillSet& f = sortie.Friendly;
  EXPECT_EQ((std::vector<double>{f.Air, f.Bom, f.SAir, f.Tank, f.Car, f.Art, f.Aaa, f.Wag, f.Ship}),
            (std::vector<double>{11, 0, 13, 14, 15, 16, 17, 18, 19}));
  EXPECT_EQ(sortie.Wound, 1);
  EXPECT_EQ(sortie.SortieEnd, "TKON");
}

TEST_F(SortieRows, LongEndsAreCutByCharactersAndNullsReadAsZero) {
  db_->Exec("alter table sorties modify SortieEND varchar(40)");
  db_->Exec("insert into sorties (id, pilotid, SortieEND, eAir, eBom) values "
            "(1, 1, 'ПОСАДКАНААЭРОДРОМЕНАШЕМ', null, null)");
  TSortie sortie = ReadSortie(Row("select * from sorties where id = 1"));
  EXPECT_EQ(sortie.SortieEnd, "ПОСАДКАНААЭРОДРОМЕНА");
  EXPECT_EQ(sortie.StartTime, 0);
  EXPECT_EQ(sortie.Enemy.Air, 0);
  EXPECT_EQ(sortie.SessionId, 0);
}

TEST_F(SortieRows, AMissingColumnIsAnError) {
  AddSorties({{.id = 1}});
  EXPECT_THROW(ReadSortie(Row("select id, pilotid from sorties")), TDbError);
}

TEST_F(SortieRows, RowTestIgnoresGroundKillsInBombersModeZero) {
  AddSorties({{.id = 1, .eShip = 1}, {.id = 2, .eCar = 1}});
  TQuery& ship = Row("select * from sorties where id = 1");
  EXPECT_FALSE(IsCombatRow(settings_, ship));
  EXPECT_TRUE(IsCombatSortie(settings_, ReadSortie(ship)));  // the walk weighs the ship: 2 kills

  settings_.BombersMode = 1;
  EXPECT_TRUE(IsCombatRow(settings_, ship));
  // Raw counts: one vehicle is a kill here, though worth 0.2 in the walk.
  TQuery& car = Row("select * from sorties where id = 2");
  EXPECT_TRUE(IsCombatRow(settings_, car));
  EXPECT_FALSE(IsCombatSortie(settings_, ReadSortie(car)));
}

// The row test counts each ground column raw when the bombers mode asks for
// ground kills, whatever its ratio, and none of them in mode 0.
TEST_F(SortieRows, RowTestCountsEveryGroundColumnRawOutsideBombersModeZero) {
  settings_.GroundRatio = {0.1, 0.1, 0.1, 0.1, 0.1, 0.1, 0.1};
  AddSorties({{.id = 1, .eSAir = 1}, {.id = 2, .eTank = 1}, {.id = 3, .eCar = 1}, {.id = 4, .eArt = 1},
              {.id = 5, .eAaa = 1}, {.id = 6, .eWag = 1}, {.id = 7, .eShip = 1}});
  for (int bombers_mode : {0, 1, 2}) {
    settings_.BombersMode = bombers_mode;
    for (int id = 1; id <= 7; ++id) {
      EXPECT_EQ(IsCombatRow(settings_, Row(fmt::format("select * from sorties where id = {}", id))),
                bombers_mode > 0)
          << "mode " << bombers_mode << ", sortie " << id;
    }
  }
}

// Mode 0 needs kills, 1 kills and the duration (15 minutes), 2 either; any
// other mode never counts.
TEST_F(SortieRows, RowTestFollowsEachSortieMode) {
  AddSorties({{.id = 1, .eAir = 1, .minutes = 10}, {.id = 2, .minutes = 20}, {.id = 3, .minutes = 10},
              {.id = 4, .eAir = 1, .minutes = 20}});
  struct Case {
    int mode;
    std::vector<bool> combat;  // sorties 1 to 4
  };
  const Case cases[] = {{0, {true, false, false, true}},  {1, {false, false, false, true}},
                        {2, {true, true, false, true}},   {3, {false, false, false, false}},
                        {-1, {false, false, false, false}}};
  for (const Case& c : cases) {
    settings_.SortieMode = c.mode;
    for (int id = 1; id <= 4; ++id) {
      EXPECT_EQ(IsCombatRow(settings_, Row(fmt::format("select * from sorties where id = {}", id))),
                c.combat[id - 1])
          << "mode " << c.mode << ", sortie " << id;
    }
  }
}

TEST_F(SortieRows, RowTestUsesTheEndAsStored) {
  db_->Exec("insert into sorties (id, pilotid, eAir, SortieEND) values (1, 1, 2, 'TKON '), "
            "(2, 1, 2, 'DIED')");
  EXPECT_FALSE(IsCombatRow(settings_, Row("select * from sorties where id = 1")));
  EXPECT_FALSE(IsCombatRow(settings_, Row("select * from sorties where id = 2")));
}

TEST_F(SortieRows, RowTestLogsTheDurationOutcome) {
  AddSorties({{.id = 1, .eAir = 1, .minutes = 10}, {.id = 2, .minutes = 20}});
  home_.SetLogLevel(4);
  settings_.SortieMode = 1;
  EXPECT_FALSE(IsCombatRow(settings_, Row("select * from sorties where id = 1")));
  settings_.SortieMode = 2;
  EXPECT_TRUE(IsCombatRow(settings_, Row("select * from sorties where id = 1")));
  EXPECT_TRUE(IsCombatRow(settings_, Row("select * from sorties where id = 2")));
  settings_.SortieDuration = 0;  // no duration rule, no line
  EXPECT_TRUE(IsCombatRow(settings_, Row("select * from sorties where id = 2")));
  EXPECT_EQ(Log(), (std::vector<std::string>{
                       "TS\tВыбран режим \"Минимальная длительность И наличие килов\", Текущий "
                       "вылет КОРОЧЕ лимита и будет пропущен.\t",
                       "TS\tВылет короче, чем надо, но возможно есть килы ...\t",
                       "TS\tВылет длился не меньше установленного лимита\t"}));
}

TEST_F(SortieRows, RowReadersAddTheCountsAndReportErrorsAsZero) {
  AddSorties({{.id = 1, .eAir = 2, .eBom = 1, .eSAir = 1, .eTank = 2, .eShip = 3}});
  TAirKills air{1, 1};
  TGroundKills ground;
  ground.Tank = 1;
  TQuery& row = Row("select * from sorties");
  EXPECT_EQ(GetCurrentAirKills(row, air), 2);
  EXPECT_EQ(GetCurrentGroundKills(row, ground), 6);
  EXPECT_DOUBLE_EQ(air.Air, 3);
  EXPECT_DOUBLE_EQ(air.Bom, 2);
  EXPECT_DOUBLE_EQ(ground.Tank, 3);
  EXPECT_DOUBLE_EQ(ground.Ship, 3);

  home_.SetLogLevel(0);
  TAirKills partial;
  EXPECT_EQ(GetCurrentAirKills(Row("select eAir from sorties"), partial), 0);
  EXPECT_DOUBLE_EQ(partial.Air, 2);  // what was added before the error stays
  auto lines = Log();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].rfind("TS\tERROR GetCurrentAirKills : \t", 0), 0u) << lines[0];
}

TEST_F(SortieRows, PilotTotalsCountEverySortieBelowTheUpperId) {
  AddSorties({{.id = 98, .eAir = 2, .eCar = 1},
              {.id = 99, .end = "DIED", .eAir = 1, .eShip = 1},
              {.id = 100, .eAir = 5},
              {.id = 101, .pilot = 2, .eAir = 7}});
  TPilotTotals totals;
  GetPilotTotals(session_, 1, 100, totals);
  EXPECT_EQ(totals.SortiesCount, 2);
  EXPECT_EQ(totals.Air, 3);
  EXPECT_EQ(totals.Grounds, 2);
  GetPilotTotals(session_, 1, -1, totals);
  EXPECT_EQ(totals.SortiesCount, 3);
  EXPECT_EQ(totals.Air, 8);
  GetPilotTotals(session_, 5, -1, totals);
  EXPECT_EQ(totals.SortiesCount, 0);
  EXPECT_EQ(totals.Air, 0);
  EXPECT_FALSE(session_.SQLQueryService.Active());
}

}  // namespace
}  // namespace sky::test
