// A stop (SIGTERM) while the service works on a database: during the
// start-up pass, a recalc sent over the web and a reset. A trigger that
// sleeps on every write to `pilots` makes the work last long enough to be
// caught in the middle (a full pass would take 40 s and more), without a
// large database.
//
// Each case checks that the program ends with status 0 well within the
// bound below (a bound far above the goal: the machine may be loaded), that
// every pilot is either as the same work run to its end leaves him or
// untouched, and that the next run completes the work.
#include <signal.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "engine/pass_stop.h"
#include "service/service_program.h"
#include "support/stat_rows.h"
#include "support/settings_document.h"
#include "support/temp_dir.h"
#include "support/test_db.h"
#include "web/http_test_client.h"

namespace sky {
namespace {

using namespace std::chrono_literals;

constexpr int kPilots = 40;
constexpr auto kStopBound = 10s;
constexpr char kUntouched[] = "0:0:0";

// One pilot per id, each with a few sorties ending in a death, so that the
// pass writes every one of them.
void FillPilots(const test::TestDatabase& db) {
  db.AddRankColumns();
  std::vector<test::TestPilot> pilots;
  std::vector<test::TestSortie> sorties;
  for (int id = 1; id <= kPilots; ++id) {
    pilots.push_back({.id = id, .callsign = "P" + std::to_string(id), .realrank = 0, .lastsortie = 0, .awards = 0});
    for (int k = 0; k < 3; ++k) {
      const int sortie = id * 10 + k;
      sorties.push_back({.id = sortie, .pilot = id, .end = k == 2 ? "DIED" : "TKON", .eAir = 2,
                         .start_minute = 60 * sortie, .minutes = 40});
    }
  }
  test::InsertPilots(db, pilots);
  test::InsertSorties(db, sorties);
}

std::vector<std::string> Stored(const test::TestDatabase& db) {
  return db.Column("select concat(realrank, ':', lastsortie, ':', awards) from pilots order by id");
}

void MakeWritesSlow(const test::TestDatabase& db, const std::string& seconds) {
  db.Exec("create trigger slow_write before update on pilots for each row set @slept = sleep(" + seconds + ")");
}

// A home whose settings name `db`, with an awards file that awards nothing.
struct StopHome {
  StopHome(const test::TestDatabase& db, uint16_t port, bool active) : entry(db.Entry()) {
    test::WriteFileBytes(home.File("awards.xml"), "<?xml version=\"1.0\"?><awards/>");
    Configure(port, active);
  }
  // The rules give rank 1 for two kills; a death ends a life.
  void Configure(uint16_t port, bool active) const {
    TServerEntry server = entry;
    server.Active = active;
    test::SettingsDocument document = test::ServiceSettings({server}, 0, port, "pw", 3);
    document.settings.Ranks = {{.Value = 1, .Name = "rank", .SortiesLimit = 1, .AirKills = 2, .GndKills = 0}};
    document.settings.SortieEndSuccess = "_TKON_";
    document.settings.SortieEndDead = "_DIED_";
    test::WriteFileBytes(home.File("skyranks.xml"), document.Bytes());
  }
  // One cycle with --once, as a start after the stop; its exit status.
  std::optional<int> RunOnce() const {
    test::Program once(home.Path(), {"--home", home.Path(), "--once"});
    return once.Wait(120s);
  }

  test::TempDir home;
  TServerEntry entry;
};

// What a pass run to its end writes for the pilots of FillPilots.
std::vector<std::string> FullPassResult() {
  test::TestDatabase reference;
  FillPilots(reference);
  StopHome home(reference, 0, true);
  EXPECT_EQ(home.RunOnce(), 0);
  return Stored(reference);
}

// SIGTERM, then the exit status within kStopBound.
std::optional<int> StopAndWait(test::Program& program) {
  program.Signal(SIGTERM);
  return program.Wait(kStopBound);
}

// Pilots whose stored values are neither `complete` nor untouched.
std::vector<int> HalfWritten(const std::vector<std::string>& stored, const std::vector<std::string>& complete) {
  std::vector<int> half;
  for (std::size_t i = 0; i < stored.size(); ++i) {
    if (stored[i] != complete[i] && stored[i] != kUntouched) half.push_back(static_cast<int>(i) + 1);
  }
  return half;
}

int CountEqual(const std::vector<std::string>& stored, const std::vector<std::string>& complete) {
  int equal = 0;
  for (std::size_t i = 0; i < stored.size(); ++i) equal += stored[i] == complete[i];
  return equal;
}

// A control command on a thread of its own; its answer, or "" when the
// connection failed.
std::thread PostControl(uint16_t port, const std::string& body, std::string& answer) {
  return std::thread([port, body, &answer] {
    try {
      answer = test::Post(port, "/ctrl.sky", body);
    } catch (const std::runtime_error&) {
      answer.clear();
    }
  });
}

bool Logged(const test::Program& program, const std::string& line_start) {
  const std::vector<std::string> log = program.Log();
  return std::any_of(log.begin(), log.end(), [&](const std::string& line) { return line.rfind(line_start, 0) == 0; });
}

// Waits until `count` pilots of `db` hold what `complete` says.
bool WaitForWrittenPilots(const test::TestDatabase& db, const std::vector<std::string>& complete, int count) {
  const auto deadline = std::chrono::steady_clock::now() + 120s;
  while (std::chrono::steady_clock::now() < deadline) {
    if (CountEqual(Stored(db), complete) >= count) return true;
    std::this_thread::sleep_for(50ms);
  }
  return false;
}

// The pass caught in the middle, started at once (the start-up cycle) or
// over the web (recalc): the stop ends it at a pilot boundary.
TEST(ServiceStop, APassEndsAtThePilotInHandAndTheNextStartCompletesIt) {
  SKY_REQUIRE_DB();
  const std::vector<std::string> complete = FullPassResult();
  ASSERT_EQ(std::count(complete.begin(), complete.end(), kUntouched), 0) << "every pilot gets a write";

  for (const bool over_the_web : {false, true}) {
    SCOPED_TRACE(over_the_web ? "recalc" : "start-up cycle");
    test::TestDatabase db;
    FillPilots(db);
    MakeWritesSlow(db, "1");
    const uint16_t port = test::FreePort();
    // For the recalc the start-up cycle skips the database; the recalc reads
    // the settings anew and finds it active.
    StopHome home(db, port, !over_the_web);
    test::Program program(home.home.Path(), {"--home", home.home.Path()});
    ASSERT_TRUE(test::WaitForHttp(port)) << program.Stderr();
    std::thread recalc;
    std::string answer;
    if (over_the_web) {
      home.Configure(port, true);
      recalc = PostControl(port, "password=pw&actionid=recalc", answer);
    }
    ASSERT_TRUE(WaitForWrittenPilots(db, complete, 2));

    EXPECT_EQ(StopAndWait(program), 0) << program.Stderr();
    if (recalc.joinable()) recalc.join();
    const std::vector<std::string> stored = Stored(db);
    EXPECT_EQ(HalfWritten(stored, complete), std::vector<int>{});
    const int written = CountEqual(stored, complete);
    EXPECT_GE(written, 2);
    EXPECT_LT(written, kPilots) << "the pass did not run to its end";
    EXPECT_TRUE(Logged(program, std::string(kStoppedHeading) + "\t" + std::to_string(written) + " of "))
        << "the line says how far the pass came";
    EXPECT_EQ(program.Log().back(), "=== Stop Service ===\t");
    if (over_the_web) {
      EXPECT_NE(answer.find("STOPPING"), std::string::npos) << answer;
    }

    db.Exec("drop trigger slow_write");
    EXPECT_EQ(home.RunOnce(), 0);
    EXPECT_EQ(Stored(db), complete) << "the next start completes the pass";
  }
}

// --once stops alike; its status says the work is not complete.
TEST(ServiceStop, OnceEndsAtThePilotInHandToo) {
  SKY_REQUIRE_DB();
  const std::vector<std::string> complete = FullPassResult();
  test::TestDatabase db;
  FillPilots(db);
  MakeWritesSlow(db, "1");
  StopHome home(db, 0, true);
  test::Program once(home.home.Path(), {"--home", home.home.Path(), "--once"});
  ASSERT_TRUE(WaitForWrittenPilots(db, complete, 2));

  EXPECT_EQ(StopAndWait(once), 1) << once.Stderr();
  EXPECT_NE(once.Stdout().find("stopped by a signal"), std::string::npos) << once.Stdout();
  const std::vector<std::string> stored = Stored(db);
  EXPECT_EQ(HalfWritten(stored, complete), std::vector<int>{});
  EXPECT_LT(CountEqual(stored, complete), kPilots);
  db.Exec("drop trigger slow_write");
  EXPECT_EQ(home.RunOnce(), 0);
  EXPECT_EQ(Stored(db), complete);
}

// A reset is one statement over every pilot: a stop during it lets it end,
// so the pilots are all cleared or all as they were, never some of each.
TEST(ServiceStop, AResetIsWholeOrNotAtAll) {
  SKY_REQUIRE_DB();
  const std::vector<std::string> complete = FullPassResult();
  test::TestDatabase db;
  FillPilots(db);
  const uint16_t port = test::FreePort();
  StopHome home(db, port, true);
  ASSERT_EQ(home.RunOnce(), 0);
  ASSERT_EQ(Stored(db), complete);
  MakeWritesSlow(db, "0.1");  // the reset takes some 4 s
  // The start-up cycle finds nothing to write and ends at once.
  test::Program program(home.home.Path(), {"--home", home.home.Path()});
  ASSERT_TRUE(test::WaitForHttp(port)) << program.Stderr();
  ASSERT_TRUE(program.WaitForLogLine(" *** Конец расчета ***\t"));
  std::string answer;
  std::thread reset = PostControl(port, "password=pw&actionid=reset&srvid=1", answer);
  ASSERT_TRUE(program.WaitForLogLine("MySQL host for reset:\t" + home.entry.Host));

  EXPECT_EQ(StopAndWait(program), 0) << program.Stderr();
  reset.join();
  const std::vector<std::string> stored = Stored(db);
  const std::set<std::string> states(stored.begin(), stored.end());
  EXPECT_TRUE(stored == complete || states == std::set<std::string>{kUntouched}) << ::testing::PrintToString(stored);
  EXPECT_EQ(program.Log().back(), "=== Stop Service ===\t");

  db.Exec("drop trigger slow_write");
  EXPECT_EQ(home.RunOnce(), 0);
  EXPECT_EQ(Stored(db), complete) << "the next start completes the pass";
}

}  // namespace
}  // namespace sky
