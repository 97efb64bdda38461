// The database failing under a running service: the server down for a
// cycle, the connection killed from another session in the middle of the
// pilots, the awards file gone, a wrong password. Earlier
// pilots keep what was written, the service's lock is free afterwards, and
// the next cycle calculates everyone.
#include <filesystem>
#include <stdexcept>

#include "engine/engine_fixture.h"
#include "engine/rank_pass.h"
#include "service/tskyranks.h"
#include "settings/settings_store.h"
#include "tcp_relay.h"

namespace sky::test {
namespace {

class ReliabilityDatabase : public EngineDbTest {
 protected:
  void SetUp() override {
    EngineDbTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    // Five pilots, each reaching rank 1 at sortie <id>04 and dying at <id>05.
    for (int pilot = 1; pilot <= 5; ++pilot) {
      AddPilot(pilot, "pilot" + std::to_string(pilot));
      const int base = pilot * 100;
      std::vector<Row> rows = {{.id = base + 1, .eAir = 1}, {.id = base + 2, .eAir = 1}, {.id = base + 3},
                               {.id = base + 4, .eAir = 1}, {.id = base + 5, .end = "DIED"}};
      for (Row& row : rows) {
        row.pilot = pilot;
        row.start_minute = (row.id % 100) * 60;
      }
      AddSorties(rows);
    }
    // The service reads its databases and rules from the settings file.
    WriteServiceSettings(db_->Entry());
  }

  // The settings file with the rules of the test and `entry` as its one
  // database; the writer leaves out the port, so it is added here.
  void WriteServiceSettings(const TServerEntry& entry) const {
    TSettings file = settings_;
    file.Server = entry;
    file.Interval = 1;
    SaveSettings(home_.SettingsFile(), file);
    XmlDocument doc;
    ASSERT_TRUE(doc.LoadFile(home_.SettingsFile()));
    doc.SelectFirst("/skyranks/mysql").SetAttribute("port", std::to_string(entry.Port));
    doc.SaveFile(home_.SettingsFile());
    ReloadSettings();
  }

  std::string Calculated(int pilot) const { return "1:" + std::to_string(pilot * 100 + 5) + ":0"; }
};

int64_t ConnectionId(TdmMySQL& session) {
  TQuery query(session, "select connection_id() as id");
  query.Open();
  return query.FieldByName("id").AsInteger();
}

TEST_F(ReliabilityDatabase, ServerStoppedBeforeACycleThenRestarted) {
  TcpRelay relay(db_->Entry().Port);
  TServerEntry through_relay = db_->Entry();
  through_relay.Port = relay.Port();
  WriteServiceSettings(through_relay);
  Tskyranks service(
      [&](const TSettings& settings, const TServerEntry& entry) {
        return CalculateDatabase(settings, entry, TAwardEvaluator{});
      },
      [](const TSettings&, const TServerEntry&) { return true; });

  relay.Stop();
  const TCycleReport down = service.RunCycle();
  EXPECT_EQ(down.active, 1);
  EXPECT_EQ(down.reached, 0);
  EXPECT_TRUE(HasLine("TS\tnot connected to MySQL\t"));
  EXPECT_EQ(Stored(1), "0:0:0");

  relay.Start();
  const TCycleReport up = service.RunCycle();
  EXPECT_EQ(up.reached, 1) << "the cycle after the restart reaches the server";
  for (int pilot = 1; pilot <= 5; ++pilot) EXPECT_EQ(Stored(pilot), Calculated(pilot)) << pilot;
}

TEST_F(ReliabilityDatabase, ConnectionKilledInTheMiddleOfAPass) {
  int killed_at = 0;
  TAwardEvaluator kill_at_third = [&](TdmMySQL& session, TPilotSorties&, int32_t pilot, int32_t,
                                      int32_t, int32_t,
                                      int32_t stored, const TSettings&, const XmlDocument&) {
    if (pilot == 3 && killed_at == 0) {
      killed_at = pilot;
      db_->Exec("KILL CONNECTION " + std::to_string(ConnectionId(session)));
    }
    return TAwardResult{stored, true};
  };
  Tskyranks service(
      [&](const TSettings& settings, const TServerEntry& entry) { return CalculateDatabase(settings, entry, kill_at_third); },
      [](const TSettings&, const TServerEntry&) { return true; });

  service.RunCycle();
  ASSERT_EQ(killed_at, 3);
  EXPECT_EQ(Stored(1), Calculated(1)) << "pilots before the kill keep their writes";
  EXPECT_EQ(Stored(2), Calculated(2));
  EXPECT_EQ(Stored(5), "0:0:0") << "nothing is written after the connection is gone";
  EXPECT_TRUE(service.ServiceLock().try_lock()) << "the cycle released the lock";
  service.ServiceLock().unlock();

  // The next cycle opens a new connection and calculates everyone.
  service.RunCycle();
  for (int pilot = 1; pilot <= 5; ++pilot) EXPECT_EQ(Stored(pilot), Calculated(pilot)) << pilot;
}

TEST_F(ReliabilityDatabase, AwardsFileDeletedBeforeAPassEndsItUntilTheFileIsBack) {
  std::filesystem::remove(settings_.AwardsFile);
  EXPECT_FALSE(CalculateDatabase(settings_, db_->Entry(), TAwardEvaluator{}));
  EXPECT_TRUE(HasLine("TS\tAwards setting file has NOT been loaded\t" + settings_.AwardsFile));
  for (int pilot = 1; pilot <= 5; ++pilot) EXPECT_EQ(Stored(pilot), "0:0:0") << "no half-done pass";

  WriteFileBytes(settings_.AwardsFile, "<?xml version=\"1.0\"?><awards/>");
  EXPECT_TRUE(CalculateDatabase(settings_, db_->Entry(), TAwardEvaluator{}));
  for (int pilot = 1; pilot <= 5; ++pilot) EXPECT_EQ(Stored(pilot), Calculated(pilot)) << pilot;
}

TEST_F(ReliabilityDatabase, AWrongPasswordIsAnUnreachedDatabaseNotAFailure) {
  Tskyranks service(
      [&](const TSettings& settings, const TServerEntry& entry) {
        return CalculateDatabase(settings, entry, TAwardEvaluator{});
      },
      [](const TSettings&, const TServerEntry&) { return true; });
  WriteServiceSettings(db_->EntryWithPassword("wrong"));
  const TCycleReport report = service.RunCycle();
  EXPECT_EQ(report.active, 1);
  EXPECT_EQ(report.reached, 0);
  EXPECT_EQ(Stored(1), "0:0:0");
}

}  // namespace
}  // namespace sky::test
