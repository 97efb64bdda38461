// A long-lived service keeps every pilot's totals of his sorties before his
// last death from pass to pass; a fresh `--once` process reads them all.
// Both must leave the pilots table alike, whatever happens to `sorties`
// between passes: new sorties, old ones deleted below the last deaths, late
// rows inserted below the highest id, the table emptied and loaded again,
// the service restarted, the ranks reset.
//
// Two copies of a generated database: the in-process passes (run as the
// service runs them, with the kept totals of the entry) over one, the real
// program's `--once` over the other, the same seeded sequence of changes
// applied to both. The shipped awards file uses the kills-per-sortie
// criteria, which read those totals.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "awards/award_evaluation.h"
#include "engine/career_store.h"
#include "engine/pilot_results.h"
#include "engine/rank_pass.h"
#include "reliability/pass_copies.h"
#include "service/service_program.h"
#include "service/tskyranks.h"
#include "support/generated_stats.h"
#include "support/sanitized_build.h"
#include "support/settings_document.h"
#include "support/temp_dir.h"
#include "support/test_db.h"

namespace sky::test {
namespace {

using namespace std::chrono_literals;

constexpr uint32_t kPilots = 120;
constexpr uint32_t kSorties = 14'000;
constexpr int kSteps = 22;
// Generated rows with an id divisible by this are held back from the copies
// and come later, below the highest id (the highest row of each part copied
// is never held back).
constexpr int kLateEvery = 9;
constexpr auto kPassPatience = kSanitized ? 600s : 120s;

enum class TChange { kAppend, kDeleteOld, kLateRows, kReload, kRestart, kReset };

// The same changes to both copies.
class TTwoCopies {
 public:
  TTwoCopies(const TestDatabase& generated, const TestDatabase& kept, const TestDatabase& fresh, int first_id)
      : generated_(generated), copies_{&kept, &fresh}, copied_to_(first_id) {
    for (const TestDatabase* copy : copies_) {
      CopyTables(generated, *copy, first_id);
      copy->Exec("delete from " + copy->Name() + ".sorties where id % " + std::to_string(kLateEvery) +
                 " = 0 and id < " + std::to_string(first_id));
    }
    for (int id = kLateEvery; id < first_id; id += kLateEvery) held_back_.push_back(id);
  }

  void Append(int rows) {
    const int to = copied_to_ + rows;
    ExecBoth("insert into {db}.sorties select * from " + generated_.Name() + ".sorties where id > " +
             std::to_string(copied_to_) + " and id <= " + std::to_string(to) + " and (id % " +
             std::to_string(kLateEvery) + " <> 0 or id = " + std::to_string(to) + ")");
    for (int id = copied_to_ + 1; id < to; ++id) {
      if (id % kLateEvery == 0) held_back_.push_back(id);
    }
    copied_to_ = to;
  }

  // False when no row is held back any more.
  bool AddLateRows(std::mt19937& random) {
    if (held_back_.empty()) return false;
    std::shuffle(held_back_.begin(), held_back_.end(), random);
    const std::size_t count = std::min<std::size_t>(held_back_.size(), 4);
    std::string ids;
    for (std::size_t i = 0; i < count; ++i) ids += (i ? "," : "") + std::to_string(held_back_[i]);
    held_back_.erase(held_back_.begin(), held_back_.begin() + static_cast<std::ptrdiff_t>(count));
    ExecBoth("insert into {db}.sorties select * from " + generated_.Name() + ".sorties where id in (" + ids + ")");
    return true;
  }

  // Ids of a few sorties flown before their pilots' stored last deaths;
  // empty when no pilot has died yet.
  std::string OldSorties(std::mt19937& random) const {
    const TestDatabase& db = *copies_[0];
    const std::vector<std::string> pilots = db.Column(
        "select concat(id, ':', lastsortie) from " + db.Name() + ".pilots where lastsortie > 0 order by id");
    std::string ids;
    for (int i = 0; i < 3 && !pilots.empty(); ++i) {
      const std::string& pick = pilots[random() % pilots.size()];
      const std::string pilot = pick.substr(0, pick.find(':'));
      const std::string last = pick.substr(pick.find(':') + 1);
      const std::vector<std::string> old = db.Column("select id from " + db.Name() + ".sorties where pilotid = " +
                                                     pilot + " and id < " + last + " order by id");
      if (!old.empty()) ids += (ids.empty() ? "" : ",") + old[random() % old.size()];
    }
    return ids;
  }

  void Delete(const std::string& ids) { ExecBoth("delete from {db}.sorties where id in (" + ids + ")"); }

  // The table emptied and loaded again without the given rows.
  void Reload(const std::string& without_ids) {
    ExecBoth("create table {db}.sorties_saved like {db}.sorties");
    ExecBoth("insert into {db}.sorties_saved select * from {db}.sorties where id not in (" + without_ids + ")");
    ExecBoth("truncate table {db}.sorties");
    ExecBoth("insert into {db}.sorties select * from {db}.sorties_saved");
    ExecBoth("drop table {db}.sorties_saved");
  }

  void ResetFresh() const {
    copies_[1]->Exec("update " + copies_[1]->Name() + ".pilots set realrank = 0, lastsortie = 0, awards = 0");
  }

 private:
  void ExecBoth(const std::string& pattern) const {
    for (const TestDatabase* copy : copies_) {
      std::string sql = pattern;
      for (std::size_t at = sql.find("{db}"); at != std::string::npos; at = sql.find("{db}")) {
        sql.replace(at, 4, copy->Name());
      }
      copy->Exec(sql);
    }
  }

  const TestDatabase& generated_;
  const TestDatabase* copies_[2];
  int copied_to_;
  std::vector<int> held_back_;
};

// Awards that only the kills-per-sortie criteria decide, in bands, so that
// totals that went stale would show in the mask.
std::string RatioAwards() {
  std::string items;
  int bit = 0;
  for (const char* criterion : {"ks", "gks"}) {
    for (const char* band : {"0.2", "0.4", "0.6", "0.8", "1", "1.3", "1.6", "2", "3"}) {
      items += "<item id=\"" + std::to_string(bit + 1) + "\" name=\"band\" value=\"" +
               std::to_string(1 << bit) + "\"><condition " + criterion + "=\"" + band + "\"/></item>";
      ++bit;
    }
  }
  std::string simple_items;
  for (const char* band : {"0.3", "0.7", "1.2"}) {
    simple_items += "<item id=\"" + std::to_string(bit + 1) + "\" name=\"sortie\" value=\"" +
                    std::to_string(1 << bit) + "\"><condition airkill=\"1\" ks=\"" + band + "\"/></item>";
    ++bit;
  }
  const std::string sections = "<red>" + items + "</red><blue>" + items + "</blue>";
  const std::string simple = "<red>" + simple_items + "</red><blue>" + simple_items + "</blue>";
  return "<?xml version=\"1.0\"?><awards><simple>" + simple + "</simple><complex>" + sections +
         "</complex></awards>";
}

// The career figures the pass kept for the pages, against the table's own sums.
void ExpectCareersOfTheTable(const TestDatabase& db, const std::string& srvid) {
  const std::shared_ptr<const TPilotResults> results = FindPilotResults(srvid);
  ASSERT_TRUE(results);
  std::vector<std::string> kept;
  for (const TPilotResult& pilot : *results) {
    kept.push_back(std::to_string(pilot.Id) + ":" + std::to_string(pilot.CareerSorties) + ":" +
                   std::to_string(pilot.CareerAirKills) + ":" + std::to_string(pilot.CareerDeaths));
  }
  const std::vector<std::string> table = db.Column(
      "select concat_ws(':', p.id, count(s.id), ifnull(sum(s.eAir), 0), "
      "ifnull(sum(trim(s.SortieEND) in ('DIED', 'CAPTURED')), 0)) from " + db.Name() + ".pilots p left join " +
      db.Name() + ".sorties s on s.pilotid = p.id where p.class = 'Human pilot' and p.ArmyID in (1, 2) "
      "group by p.id order by p.id");
  ASSERT_EQ(kept, table);
}

std::string ChangeName(TChange change) {
  switch (change) {
    case TChange::kAppend: return "append";
    case TChange::kDeleteOld: return "delete old sorties";
    case TChange::kLateRows: return "late rows";
    case TChange::kReload: return "reload";
    case TChange::kRestart: return "restart";
    case TChange::kReset: return "reset";
  }
  return "?";
}

struct TRun {
  const char* name;
  uint32_t check_minutes;
  std::vector<TChange> kinds;  // drawn from at random
  int steps;
  int append_rows;
};

// What the kept passes of one run came to.
struct TRunFigures {
  int kept_passes = 0;
  int own_rows_passes = 0;  // kept totals, and a few pilots' totals read alone
  std::set<std::string> awards_seen;
};

void RunSideBySide(const TestDatabase& generated, const TRun& run, TRunFigures& figures) {
  const TestDatabase kept_db(false);
  const TestDatabase fresh_db(false);
  TTwoCopies copies(generated, kept_db, fresh_db, 3000);

  TempDir fresh_home;
  WriteFileBytes(fresh_home.File("ratio_awards.xml"), RatioAwards());
  SettingsDocument document = ServiceSettings({kept_db.Entry()}, 0, 0, "pw", 0);
  SetPassRules(document.settings);
  document.settings.AwardsFile = fresh_home.File("ratio_awards.xml");
  document.settings.HistoryCheck = run.check_minutes;
  document.settings.HistoryVerify = 24;
  const TSettings service_settings = document.settings;
  const TServerEntry service_entry = kept_db.Entry();
  ForgetKeptCareers(service_entry.Id);
  document.servers = {fresh_db.Entry()};
  WriteFileBytes(fresh_home.File("skyranks.xml"), document.Bytes());

  std::mt19937 random(20261209);
  for (int step = 0; step <= run.steps; ++step) {
    TChange change = step == 0 ? TChange::kRestart : run.kinds[random() % run.kinds.size()];
    std::string old_ids;
    if (change == TChange::kDeleteOld || change == TChange::kReload) {
      old_ids = copies.OldSorties(random);
      if (old_ids.empty()) change = TChange::kAppend;
    }
    if (change == TChange::kLateRows && !copies.AddLateRows(random)) change = TChange::kAppend;
    SCOPED_TRACE("step " + std::to_string(step) + ": " + ChangeName(change));
    switch (change) {
      case TChange::kAppend: copies.Append(run.append_rows); break;
      case TChange::kDeleteOld: copies.Delete(old_ids); break;
      case TChange::kLateRows: break;
      case TChange::kReload: copies.Reload(old_ids); break;
      case TChange::kRestart: ForgetKeptCareers(service_entry.Id); break;
      case TChange::kReset:
        ASSERT_TRUE(ResetOneDatabase(service_settings, service_entry));
        copies.ResetFresh();
        break;
    }

    const TDatabasePass pass = CalculateDatabase(service_settings, service_entry,
                                                 {.evaluate_awards = AwardEvaluator(), .kept = &KeptCareers(service_entry)});
    ASSERT_TRUE(pass.Enumerated && !pass.Failed);
    Program fresh(fresh_home.Path(), {"--home", fresh_home.Path(), "--once"});
    ASSERT_EQ(fresh.Wait(kPassPatience), 0);

    // Appends alone leave the kept totals standing; every other change
    // makes the pass read them again.
    const bool history_changed = change != TChange::kAppend;
    EXPECT_EQ(pass.KeptTotals, !history_changed) << HistoryVerdictName(pass.HistoryVerdict);
    figures.kept_passes += pass.KeptTotals;
    figures.own_rows_passes += pass.KeptTotals && pass.TotalsRead > 0 && !pass.TotalsStreamed;

    const std::vector<std::string> kept_table = PassColumns(kept_db);
    ASSERT_EQ(kept_table, PassColumns(fresh_db));
    ExpectCareersOfTheTable(kept_db, service_entry.Id);
    for (const std::string& row : kept_table) figures.awards_seen.insert(row.substr(row.rfind(':')));
  }
}

TEST(KeptTotals, ServiceWithKeptTotalsWritesWhatFreshPassesWrite) {
  SKY_REQUIRE_DB();
  const TestDatabase generated(false);
  GenerateStatistics(generated, kPilots, kSorties, 11);
  using enum TChange;
  // Counting on every pass, each change is seen at the next pass. Counting
  // hourly, pilots who died past the last count have their totals read
  // alone on every pass.
  const TRun runs[] = {
      {"count on every pass", 0,
       {kAppend, kAppend, kAppend, kDeleteOld, kLateRows, kLateRows, kReload, kRestart, kReset}, kSteps, 400},
      {"count hourly", 60, {kAppend}, 5, 40},
  };
  for (const TRun& run : runs) {
    SCOPED_TRACE(run.name);
    TRunFigures figures;
    RunSideBySide(generated, run, figures);
    EXPECT_GT(figures.kept_passes, 3);
    EXPECT_GT(figures.awards_seen.size(), 3u) << "the awards hardly differ: the comparison would prove little";
    if (run.check_minutes > 0) EXPECT_GT(figures.own_rows_passes, 1);
  }
}

// The checks one at a time, each after a pass has kept the totals: which
// change of the table each one sees, and when it does not run.
TEST(KeptTotals, EachCheckSeesTheChangeItIsFor) {
  SKY_REQUIRE_DB();
  const TestDatabase generated(false);
  GenerateStatistics(generated, 40, 3000, 5);
  struct TCase {
    const char* change;
    uint32_t check_minutes;
    uint32_t verify_hours;
    THistoryVerdict verdict;
  } const cases[] = {
      {"insert into {db}.sorties select * from {gen}.sorties where id > 2000", 0, 24, THistoryVerdict::kUnchanged},
      {"delete from {db}.sorties where id = 700", 0, 24, THistoryVerdict::kCountChanged},
      {"delete from {db}.sorties where id > 1900", 0, 24, THistoryVerdict::kHighestDown},
      {"delete from {db}.sorties where id > 1900", 60, 24, THistoryVerdict::kHighestDown},
      // Between counts a deletion below the top is not seen.
      {"delete from {db}.sorties where id = 700", 60, 24, THistoryVerdict::kUnchanged},
      {"update {db}.sorties set eAir = eAir + 5 where id = 700", 0, 24, THistoryVerdict::kUnchanged},
      {"update {db}.sorties set eAir = eAir + 5 where id = 700", 0, 0, THistoryVerdict::kFirst},
  };
  for (const TCase& test : cases) {
    SCOPED_TRACE(std::string(test.change) + " check " + std::to_string(test.check_minutes));
    const TestDatabase db(false);
    CopyTables(generated, db, 2000);
    SettingsDocument document = ServiceSettings({db.Entry()}, 0, 0, "pw", 0);
    SetPassRules(document.settings);
    document.settings.HistoryCheck = test.check_minutes;
    document.settings.HistoryVerify = test.verify_hours;
    const TServerEntry entry = db.Entry();
    ForgetKeptCareers(entry.Id);
    for (int pass = 0; pass < 2; ++pass) {
      CalculateDatabase(document.settings, entry, {.evaluate_awards = AwardEvaluator(), .kept = &KeptCareers(entry)});
    }
    std::string sql = test.change;
    sql.replace(sql.find("{db}"), 4, db.Name());
    if (const std::size_t at = sql.find("{gen}"); at != std::string::npos) sql.replace(at, 5, generated.Name());
    db.Exec(sql);
    const TDatabasePass pass =
        CalculateDatabase(document.settings, entry, {.evaluate_awards = AwardEvaluator(), .kept = &KeptCareers(entry)});
    EXPECT_EQ(HistoryVerdictName(pass.HistoryVerdict), std::string(HistoryVerdictName(test.verdict)));
  }
}

}  // namespace
}  // namespace sky::test
