// The pass reading sorties in batches must do exactly what the pass reading
// each pilot's rows with his own statements does: the same pilots table and
// the same log, line for line, on the same generated database, for a first
// pass from nothing and for a later pass after new sorties came in; also
// when its writes go through connections of their own, as the program's do.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "awards/award_evaluation.h"
#include "db/query.h"
#include "engine/pass_reads.h"
#include "engine/pilot_sortie_statements.h"
#include "engine/rank_pass.h"
#include "engine/sortie_batch.h"
#include "settings/settings.h"
#include "support/generated_stats.h"
#include "support/new_file_rules.h"
#include "support/program_home.h"
#include "support/test_db.h"

namespace sky::test {
namespace {

constexpr uint32_t kPilots = 160;
constexpr uint32_t kSorties = 9000;
constexpr int kFirstPartLastId = 6000;  // sorties up to here exist before the first pass

TSettings ComparedSettings() {
  TSettings settings = NewFileRules();
  settings.SortieMode = 2;
  settings.Ranks = {{1, "мл. л-т", 3, 2, 0},  {2, "лейтенант", 5, 3, 0},
                    {3, "ст. лейтенант", 10, 5, 0}, {4, "капитан", 15, 10, 0},
                    {5, "майор", 20, 15, 0}, {6, "подполковник", 25, 20, 0},
                    {7, "полковник", 30, 25, 0}, {8, "генерал", 35, 30, 0}};
  settings.AwardsFile =
      (std::filesystem::path(SKY_SITE_DIR) / "awards.xml")
          .lexically_normal()
          .string();
  settings.LogLevel = 11;
  return settings;
}

// One database filled from the generated one: every pilot, and the sorties
// up to `last_id`; more can be added later with AddSorties.
class CopyOfGenerated {
 public:
  CopyOfGenerated(const TestDatabase& generated, int last_id) : generated_(generated) {
    for (const char* table : {"pilots", "sorties"}) {
      db_.Exec(Qualified(table) + " like " + generated_.Name() + "." + table);
    }
    db_.Exec("insert into pilots select * from " + generated_.Name() + ".pilots");
    AddSorties(0, last_id);
  }
  void AddSorties(int after_id, int last_id) const {
    db_.Exec("insert into sorties select * from " + generated_.Name() + ".sorties where id > " +
             std::to_string(after_id) + " and id <= " + std::to_string(last_id));
  }
  const TestDatabase& Db() const { return db_; }

 private:
  std::string Qualified(const char* table) const {
    return std::string("create table ") + db_.Name() + "." + table;
  }
  const TestDatabase& generated_;
  TestDatabase db_{false};
};

struct TPassOutcome {
  std::vector<std::string> pilots;   // id:realrank:lastsortie:awards
  std::vector<std::string> log;      // time stamps masked
  int statements = 0;
};

// Writing through the session, or with `writers` as the program does.
TPassOutcome RunPass(const ProgramHome& home, const TestDatabase& db, const TSettings& settings,
                     TPassReads reads, bool writers = false) {
  home.ClearLog();
  TdmMySQL session;
  EXPECT_TRUE(ConnectDatabase(session, db.Entry()));
  TPassOutcome outcome;
  session.SetStatementObserver([&outcome](const std::string&) { ++outcome.statements; });
  EXPECT_GT(writers ? EnumeratePilots(session, db.Entry(), settings, AwardEvaluator())
                    : EnumeratePilots(session, settings, AwardEvaluator(), reads),
            0);
  outcome.pilots = db.Column(
      "select concat(id, ':', realrank, ':', lastsortie, ':', awards) from pilots order by id");
  outcome.log = home.LogLines();
  return outcome;
}

// Reports the first differing line instead of two listings of thousands.
void ExpectSameLog(const std::vector<std::string>& batched,
                   const std::vector<std::string>& per_pilot) {
  const std::size_t common = std::min(batched.size(), per_pilot.size());
  for (std::size_t i = 0; i < common; ++i) {
    ASSERT_EQ(batched[i], per_pilot[i]) << "first difference at log line " << i + 1;
  }
  EXPECT_EQ(batched.size(), per_pilot.size());
}

void Generate(const TestDatabase& into) { GenerateStatistics(into, kPilots, kSorties, 7); }

// Every value of the rows from the query's position to its end.
std::vector<std::string> RowsFrom(TQuery& query) {
  std::vector<std::string> rows;
  for (; !query.Eof(); query.Next()) {
    std::string row;
    for (int i = 0; i < query.FieldCount(); ++i) {
      row += query.Field(i).IsNull() ? "NULL" : query.Field(i).AsString();
      row += '|';
    }
    rows.push_back(row);
  }
  return rows;
}

std::string Show(const TPilotTotals& totals) {
  return std::to_string(totals.SortiesCount) + "/" + std::to_string(totals.Air) + "/" +
         std::to_string(totals.Grounds);
}

// The batch against the pilot's own statements, for every sortie a walk can
// start from: the rows handed out and the totals before it.
TEST(PassReads, BatchServesWhatThePilotsOwnStatementsGive) {
  SKY_REQUIRE_DB();
  TestDatabase generated(false);
  Generate(generated);
  CopyOfGenerated copy(generated, kFirstPartLastId);
  const TestDatabase& db = copy.Db();
  // Stored last deaths from a pass, then newer sorties, and NULLs in the
  // columns the totals add (a NULL ground column drops the row's ground sum).
  {
    ProgramHome home;
    TdmMySQL session;
    ASSERT_TRUE(ConnectDatabase(session, db.Entry()));
    TSettings settings = ComparedSettings();
    settings.LogLevel = 0;
    EnumeratePilots(session, settings, AwardEvaluator(), TPassReads::kPerPilotStatements);
  }
  copy.AddSorties(kFirstPartLastId, static_cast<int>(kSorties));
  db.Exec("update sorties set eCar = NULL where id % 7 = 0");
  db.Exec("update sorties set eAir = NULL where id % 11 = 0");
  // A stored start of -1 counts as 0: nothing lies before it.
  db.Exec("update pilots set lastsortie = -1 where id % 13 = 0");

  TdmMySQL session;
  ASSERT_TRUE(ConnectDatabase(session, db.Entry()));
  std::vector<TPilotStart> starts;
  for (const std::string& pair :
       db.Column("select concat(id, ':', coalesce(lastsortie, 0)) from pilots order by id")) {
    const std::size_t colon = pair.find(':');
    starts.push_back({std::stoi(pair.substr(0, colon)), std::stoi(pair.substr(colon + 1))});
  }
  ASSERT_GT(std::count_if(starts.begin(), starts.end(),
                          [](const TPilotStart& s) { return s.LastSortie > 0; }),
            10);

  TSortieBatch batch(session);
  batch.ReadEarlierTotals(starts, ComparedSettings());
  int compared = 0;
  for (std::size_t run = 0; run < starts.size(); run += 37) {
    const std::vector<TPilotStart> pilots(
        starts.begin() + static_cast<std::ptrdiff_t>(run),
        starts.begin() + static_cast<std::ptrdiff_t>(std::min(run + 37, starts.size())));
    batch.Fetch(pilots);
    for (const TPilotStart& start : pilots) {
      TSortieBatch::TPilot batched(batch, start);
      TPilotSortieStatements own(session, start.PilotId);
      // The stored death, a sample of later sorties and the ids just past
      // them, and past the last one.
      std::vector<int32_t> firsts{start.LastSortie};
      const std::vector<std::string> ids =
          db.Column("select id from sorties where pilotid = " + std::to_string(start.PilotId) +
                    " and id >= " + std::to_string(start.LastSortie) + " order by id");
      for (std::size_t i = 0; i < ids.size(); i += 5) {
        firsts.push_back(std::stoi(ids[i]));
        firsts.push_back(std::stoi(ids[i]) + 1);
      }
      if (!ids.empty()) firsts.push_back(std::stoi(ids.back()) + 1);
      for (int32_t first : firsts) {
        SCOPED_TRACE("pilot " + std::to_string(start.PilotId) + " from " + std::to_string(first));
        TPilotTotals want, got;
        own.TotalsBefore(first, want);
        batched.TotalsBefore(first, got);
        ASSERT_EQ(Show(got), Show(want));
        ASSERT_EQ(RowsFrom(batched.From(first)), RowsFrom(own.From(first)));
        ++compared;
      }
    }
  }
  EXPECT_GT(compared, static_cast<int>(kPilots));
}

TEST(PassReads, BatchedAndPerPilotPassesWriteTheSameAndLogTheSame) {
  SKY_REQUIRE_DB();
  TestDatabase generated(false);
  Generate(generated);

  CopyOfGenerated per_pilot_db(generated, kFirstPartLastId);
  CopyOfGenerated batched_db(generated, kFirstPartLastId);
  ProgramHome home;
  const TSettings settings = ComparedSettings();
  home.SetLogLevel(settings.LogLevel);

  // The first pass starts every pilot from nothing; the second starts each
  // from the last death the first stored, with new sorties to walk.
  for (int pass = 1; pass <= 2; ++pass) {
    SCOPED_TRACE("pass " + std::to_string(pass));
    if (pass == 2) {
      per_pilot_db.AddSorties(kFirstPartLastId, static_cast<int>(kSorties));
      batched_db.AddSorties(kFirstPartLastId, static_cast<int>(kSorties));
    }
    const TPassOutcome expected =
        RunPass(home, per_pilot_db.Db(), settings, TPassReads::kPerPilotStatements);
    const TPassOutcome actual = RunPass(home, batched_db.Db(), settings, TPassReads::kBatched, true);

    EXPECT_EQ(actual.pilots, expected.pilots);
    ExpectSameLog(actual.log, expected.log);
    // Enough happened for the comparison to mean something.
    EXPECT_GT(expected.log.size(), 10000u);
    EXPECT_LT(actual.statements * 4, expected.statements)
        << "batched " << actual.statements << ", per pilot " << expected.statements;
  }
  // The second pass found lives already cut at stored deaths.
  EXPECT_NE(batched_db.Db().Value("select count(*) from pilots where lastsortie > 0"), "0");
}

}  // namespace
}  // namespace sky::test

namespace sky::test {
namespace {

// Generates a database, copies it whole twice, prepares each copy alike,
// runs one pass each way and expects the same table and log; the batched
// way's outcome, with its database, for further checks.
template <typename Prepare>
TPassOutcome PassesOnTwoCopiesAlike(const TSettings& settings, Prepare prepare,
                                    std::string* batched_value_query = nullptr, bool writers = false) {
  TestDatabase generated(false);
  Generate(generated);
  CopyOfGenerated per_pilot_db(generated, static_cast<int>(kSorties));
  CopyOfGenerated batched_db(generated, static_cast<int>(kSorties));
  prepare(per_pilot_db.Db());
  prepare(batched_db.Db());
  ProgramHome home;
  home.SetLogLevel(settings.LogLevel);
  const TPassOutcome expected =
      RunPass(home, per_pilot_db.Db(), settings, TPassReads::kPerPilotStatements);
  TPassOutcome actual = RunPass(home, batched_db.Db(), settings, TPassReads::kBatched, writers);
  EXPECT_EQ(actual.pilots, expected.pilots);
  ExpectSameLog(actual.log, expected.log);
  if (batched_value_query) *batched_value_query = batched_db.Db().Value(*batched_value_query);
  return actual;
}

// Pilot rows the statistics program should not leave but may: a stored
// start of -1, and a pilot id on two rows of a pilots table without a key.
TEST(PassReads, OddPilotRowsAreReadAlike) {
  SKY_REQUIRE_DB();
  PassesOnTwoCopiesAlike(ComparedSettings(), [](const TestDatabase& db) {
    const std::string twice = db.Value(
        "select p.id from pilots p join sorties s on s.pilotid = p.id where p.class = 'Human pilot' "
        "and p.ArmyID in (1, 2) group by p.id order by count(*) desc, p.id limit 1");
    db.Exec("alter table pilots modify id int not null, drop primary key");
    db.Exec("insert into pilots select * from pilots where id = " + twice);
    // Both rows side by side, so that one run of the batched pass holds both.
    db.Exec("alter table pilots order by id");
    db.Exec("update pilots set lastsortie = -1 where id % 13 = 0");
  }, nullptr, true);
}

// A write refused for one pilot: both passes log the refusal and go on with
// the next pilot in the same way.
TEST(PassReads, AWriteRefusedForOnePilotIsLoggedAlikeAndThePassGoesOn) {
  SKY_REQUIRE_DB();
  TSettings settings = ComparedSettings();
  settings.LogLevel = 2;
  std::string later_calculated;  // a query, then its answer on the batched copy
  const TPassOutcome actual = PassesOnTwoCopiesAlike(
      settings,
      [&](const TestDatabase& db) {
        const std::string refused = db.Value(
            "select min(p.id) from pilots p join sorties s on s.pilotid = p.id "
            "where p.class = 'Human pilot' and p.ArmyID in (1, 2) and p.id > 20");
        db.Exec("create trigger refuse_one before update on pilots for each row "
                "if new.id = " + refused + " then "
                "signal sqlstate '45000' set message_text = 'refused by the test'; end if");
        later_calculated = "select count(*) from pilots where id > " + refused + " and lastsortie > 0";
      },
      &later_calculated);
  const auto refusals = std::count_if(actual.log.begin(), actual.log.end(), [](const std::string& line) {
    return line.find("refused by the test") != std::string::npos;
  });
  EXPECT_GE(refusals, 1);
  EXPECT_NE(later_calculated, "0") << "pilots after the refused one are still calculated";
}

}  // namespace
}  // namespace sky::test
