// The database failing under a running service: the server down for a
// cycle, the connection killed from another session in the middle of the
// pilots, the awards file gone, a wrong password, `pilots` without the
// service's columns for a user who may not add them, one pilot's row that
// cannot be read or written. Earlier pilots keep what was written, the
// service's lock is free afterwards, and the next cycle calculates everyone
// it can.
#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "db/query.h"
#include "engine/engine_fixture.h"
#include "engine/rank_pass.h"
#include "service/tskyranks.h"
#include "settings/settings_store.h"
#include "support/settings_document.h"
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
      std::vector<TestSortie> rows = {{.id = base + 1, .eAir = 1}, {.id = base + 2, .eAir = 1}, {.id = base + 3},
                               {.id = base + 4, .eAir = 1}, {.id = base + 5, .end = "DIED"}};
      for (TestSortie& row : rows) {
        row.pilot = pilot;
        row.start_minute = (row.id % 100) * 60;
      }
      AddSorties(rows);
    }
    // The service reads its databases and rules from the settings file.
    WriteServiceSettings(db_->Entry());
  }

  // The settings file with the rules of the test and `entry` as its one
  // database.
  void WriteServiceSettings(const TServerEntry& entry) const {
    WriteServiceSettings(std::vector<TServerEntry>{entry});
  }

  // The same with several databases, in this order, numbered from 1.
  void WriteServiceSettings(const std::vector<TServerEntry>& entries) const {
    SettingsDocument document;
    document.settings = settings_;
    document.settings.Interval = 1;
    document.servers = entries;
    for (std::size_t i = 0; i < entries.size(); ++i) {
      document.servers[i].Id = std::to_string(i + 1);
      document.servers[i].Active = true;
    }
    home_.WriteSettings(document);
  }

  // Log lines that begin with `prefix`.
  int CountLines(const std::string& prefix) const {
    const std::vector<std::string> lines = Log();
    return static_cast<int>(std::count_if(lines.begin(), lines.end(),
                                          [&](const std::string& line) { return line.starts_with(prefix); }));
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
        return CalculateDatabase(settings, entry, TAwardEvaluator{}).Enumerated;
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

// The pass's own connection killed at the third pilot, which then reads
// through it. Its writes go through connections of their own: the rank of
// the third pilot, sent before his awards were evaluated, stays written too.
TEST_F(ReliabilityDatabase, ConnectionKilledInTheMiddleOfAPass) {
  int killed_at = 0;
  TAwardEvaluator kill_at_third = [&](TdmMySQL& session, TPilotSorties&, const TPilotState& pilot,
                                      const TSettings&, const TXmlDocument&) {
    if (pilot.PilotId == 3 && killed_at == 0) {
      killed_at = pilot.PilotId;
      db_->Exec("KILL CONNECTION " + std::to_string(ConnectionId(session)));
      ConnectionId(session);
    }
    return TAwardResult{pilot.StoredAwards, true};
  };
  Tskyranks service(
      [&](const TSettings& settings, const TServerEntry& entry) { return CalculateDatabase(settings, entry, kill_at_third).Enumerated; },
      [](const TSettings&, const TServerEntry&) { return true; });

  service.RunCycle();
  ASSERT_EQ(killed_at, 3);
  for (int pilot = 1; pilot <= 3; ++pilot) EXPECT_EQ(Stored(pilot), Calculated(pilot)) << pilot;
  EXPECT_EQ(Stored(4), "0:0:0") << "nothing is calculated after the connection is gone";
  EXPECT_EQ(Stored(5), "0:0:0");
  EXPECT_EQ(CountLines("TS\tERROR Enumeration pilots:\t"), 1);
  bool ran = false;
  service.RunExclusive([&] { ran = true; });
  EXPECT_TRUE(ran) << "the cycle released its exclusive access";

  // The next cycle opens a new connection and calculates everyone.
  service.RunCycle();
  for (int pilot = 1; pilot <= 5; ++pilot) EXPECT_EQ(Stored(pilot), Calculated(pilot)) << pilot;
}

TEST_F(ReliabilityDatabase, AwardsFileDeletedBeforeAPassEndsItUntilTheFileIsBack) {
  std::filesystem::remove(settings_.AwardsFile);
  EXPECT_FALSE(CalculateDatabase(settings_, db_->Entry(), TAwardEvaluator{}).Enumerated);
  EXPECT_TRUE(HasLine("TS\tAwards setting file has NOT been loaded\t" + settings_.AwardsFile));
  for (int pilot = 1; pilot <= 5; ++pilot) EXPECT_EQ(Stored(pilot), "0:0:0") << "no half-done pass";

  WriteFileBytes(settings_.AwardsFile, "<?xml version=\"1.0\"?><awards/>");
  EXPECT_TRUE(CalculateDatabase(settings_, db_->Entry(), TAwardEvaluator{}).Enumerated);
  for (int pilot = 1; pilot <= 5; ++pilot) EXPECT_EQ(Stored(pilot), Calculated(pilot)) << pilot;
}

TEST_F(ReliabilityDatabase, AWrongPasswordIsAnUnreachedDatabaseNotAFailure) {
  Tskyranks service(
      [&](const TSettings& settings, const TServerEntry& entry) {
        return CalculateDatabase(settings, entry, TAwardEvaluator{}).Enumerated;
      },
      [](const TSettings&, const TServerEntry&) { return true; });
  WriteServiceSettings(db_->EntryWithPassword("wrong"));
  const TCycleReport report = service.RunCycle();
  EXPECT_EQ(report.active, 1);
  EXPECT_EQ(report.reached, 0);
  EXPECT_EQ(Stored(1), "0:0:0");
}

// A login that may read and update a database's tables but not alter them;
// dropped with the object.
class RestrictedUser {
 public:
  explicit RestrictedUser(const TestDatabase& db) : db_(db), name_("ro_" + db.Name()) {
    db_.Exec("create user '" + name_ + "'@'%' identified by 'ro'");
    db_.Exec("grant select, update on " + db_.Name() + ".* to '" + name_ + "'@'%'");
  }
  ~RestrictedUser() {
    try {
      db_.Exec("drop user '" + name_ + "'@'%'");
    } catch (const std::exception&) {
    }
  }
  RestrictedUser(const RestrictedUser&) = delete;
  RestrictedUser& operator=(const RestrictedUser&) = delete;

  TServerEntry Entry() const {
    TServerEntry entry = db_.Entry();
    entry.User = name_;
    entry.Pass = "ro";
    return entry;
  }
  void GrantAlter() const { db_.Exec("grant alter on " + db_.Name() + ".* to '" + name_ + "'@'%'"); }

 private:
  const TestDatabase& db_;
  std::string name_;
};

const char kDropRankColumns[] =
    "alter table pilots drop column realrank, drop column lastsortie, drop column awards";

TEST_F(ReliabilityDatabase, ColumnsMissingAndNoRightToAddThemUntilAlterIsGranted) {
  db_->Exec(kDropRankColumns);
  const std::string table_before = db_->Value("select group_concat(id, callsign, class, ArmyID) from pilots");
  RestrictedUser user(*db_);
  WriteServiceSettings(user.Entry());
  Tskyranks service;  // the service's own calculation and reset
  home_.ClearLog();

  for (int cycle = 1; cycle <= 2; ++cycle) {
    const TCycleReport report = service.RunCycle();
    EXPECT_EQ(report.active, 1);
    EXPECT_FALSE(FieldsChecked()) << "the check runs again at the next cycle";
    EXPECT_TRUE(service.TimerEnabled()) << "the schedule goes on";
    EXPECT_EQ(CountLines("TS\tERROR adding a new field to pilot table : realrank\t"), cycle);
  }
  EXPECT_NE(LastCalcTime(), kNeverCalculated) << "the database was reached, though no pass ran";
  // After the first refusal no other column is tried, and no pass runs.
  EXPECT_EQ(CountLines("TS\tERROR adding a new field to pilot table : lastsortie"), 0);
  EXPECT_EQ(CountLines("TS\tERROR adding a new field to pilot table : awards"), 0);
  EXPECT_EQ(CountLines("TS\tNEW FIELD HAS BEEN ADDED"), 0);
  EXPECT_EQ(CountLines("TS\tERROR Enumeration pilots:"), 0);
  EXPECT_EQ(CountLines("TS\t === Расчет пилота ==="), 0);
  EXPECT_EQ(db_->Value("select group_concat(id, callsign, class, ArmyID) from pilots"), table_before);
  EXPECT_EQ(db_->Value("select count(*) from information_schema.columns where table_schema = '" + db_->Name() +
                       "' and table_name = 'pilots' and column_name in ('realrank', 'lastsortie', 'awards')"),
            "0");

  user.GrantAlter();
  service.RunCycle();
  EXPECT_TRUE(FieldsChecked());
  EXPECT_EQ(CountLines("TS\tNEW FIELD HAS BEEN ADDED\t"), 3);
  // The new columns hold NULL: ranks become 0 before the pass, awards stay as
  // they are while nothing is earned.
  for (int pilot = 1; pilot <= 5; ++pilot) {
    EXPECT_EQ(Stored(pilot), "1:" + std::to_string(pilot * 100 + 5) + ":NULL") << pilot;
  }
}

TEST_F(ReliabilityDatabase, TheFirstDatabasesColumnCheckStandsForTheSecond) {
  TestDatabase second;  // without the service's columns
  second.Exec("insert into pilots (id, callsign, class, ArmyID) values (1, 'other1', 'Human pilot', 1)");
  second.Exec("insert into sorties (id, pilotid, starttime, endtime, eAir, SortieEND) values "
              "(101, 1, '2026-03-01 10:00:00', '2026-03-01 10:30:00', 1, 'TKON'), "
              "(102, 1, '2026-03-01 11:00:00', '2026-03-01 11:30:00', 0, 'DIED')");
  RestrictedUser user(second);
  WriteServiceSettings({db_->Entry(), user.Entry()});
  Tskyranks service;
  home_.ClearLog();

  const TCycleReport report = service.RunCycle();
  EXPECT_EQ(report.active, 2);
  EXPECT_TRUE(FieldsChecked()) << "set by the first database's check";
  for (int pilot = 1; pilot <= 5; ++pilot) EXPECT_EQ(Stored(pilot), Calculated(pilot)) << pilot;
  // The second database is not examined: its pass meets the missing columns
  // at its first pilot, and no column is added or refused.
  EXPECT_EQ(CountLines("TS\tERROR Enumeration pilots:\t"), 1);
  EXPECT_EQ(CountLines("TS\tERROR adding a new field"), 0);
  EXPECT_EQ(second.Value("select count(*) from information_schema.columns where table_schema = '" +
                         second.Name() + "' and table_name = 'pilots' and column_name = 'realrank'"),
            "0");
  EXPECT_TRUE(service.TimerEnabled());

  // Neither the right nor a new start of the service helps: the first
  // database's check sets the flag again before the second is reached.
  user.GrantAlter();
  SetFieldsChecked(false);  // as a service start does
  service.RunCycle();
  EXPECT_EQ(CountLines("TS\tERROR Enumeration pilots:\t"), 2);
  EXPECT_EQ(CountLines("TS\tNEW FIELD HAS BEEN ADDED"), 0);

  // Columns added from outside: the next cycle calculates the second database.
  second.AddRankColumns();
  service.RunCycle();
  EXPECT_EQ(CountLines("TS\tERROR Enumeration pilots:\t"), 2);
  EXPECT_EQ(second.Value("select concat(realrank, ':', lastsortie) from pilots where id = 1"), "0:102");
}

TEST_F(ReliabilityDatabase, APilotsRowThatCannotBeReadHoldsBackThatPilotOnly) {
  // A date with day 0 is stored by the server but is no date to this reader.
  db_->Exec("update sorties set endtime = '2026-03-00 10:30:00' where id = 304");
  WriteServiceSettings(db_->Entry());
  Tskyranks service;
  home_.ClearLog();

  for (int cycle = 1; cycle <= 2; ++cycle) {
    service.RunCycle();
    EXPECT_EQ(CountLines("TS\tERROR Enumeration pilots:\t'2026-03-00 10:30:00' is not a valid date"), cycle);
    EXPECT_EQ(Stored(3), "0:0:0") << "the pilot with the bad row waits";
    // Every other pilot is calculated, before and after him.
    for (int pilot : {1, 2, 4, 5}) EXPECT_EQ(Stored(pilot), Calculated(pilot)) << pilot;
    EXPECT_TRUE(service.TimerEnabled());
  }

  db_->Exec("update sorties set endtime = '2026-03-01 14:30:00' where id = 304");
  service.RunCycle();
  for (int pilot = 1; pilot <= 5; ++pilot) EXPECT_EQ(Stored(pilot), Calculated(pilot)) << pilot;
}

TEST_F(ReliabilityDatabase, AnUpdateRejectedForOnePilotLeavesTheOthersToTheirWrites) {
  db_->Exec("create trigger hold_pilot_3 before update on pilots for each row begin "
            "if new.id = 3 then signal sqlstate '45000' set message_text = 'pilot 3 is held'; end if; end");
  WriteServiceSettings(db_->Entry());
  Tskyranks service;
  home_.ClearLog();

  for (int cycle = 1; cycle <= 2; ++cycle) {
    service.RunCycle();
    EXPECT_EQ(CountLines("TS\tERROR updating realrank field:\t"), cycle) << "pilot 3's write, each cycle";
    for (int pilot : {1, 2, 4, 5}) EXPECT_EQ(Stored(pilot), Calculated(pilot)) << pilot;
    EXPECT_EQ(Stored(3), "0:0:0");
  }
  EXPECT_EQ(CountLines("TS\tERROR updating realrank field:\tpilot 3 is held"), 2);
  EXPECT_EQ(CountLines("TS\tERROR Enumeration pilots:"), 0) << "a failed write does not end the pass";

  db_->Exec("drop trigger hold_pilot_3");
  service.RunCycle();
  EXPECT_EQ(Stored(3), Calculated(3));
  EXPECT_EQ(CountLines("TS\tERROR updating realrank field:"), 2);
}

}  // namespace
}  // namespace sky::test
