// Passes killed with SIGKILL at any moment must not keep the pilots table
// from its right state: once later passes have run to the end until the
// table stops changing, every pilot's realrank, lastsortie and awards are
// those that passes never interrupted reach on a copy of the same data.
//
// The real program (`--once`) runs over a generated statistics database and
// is killed when its log shows that a chosen pilot's turn has come, so each
// kill lands inside a pass whatever the machine's speed. The pilots to kill
// at come from a seed, printed, and taken from SKY_KILL_SEED when set, so
// that a failing run can be repeated. Nothing here depends on how the pass
// groups its writes: only where the table ends up is compared.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "base/encoding.h"
#include "reliability/pass_copies.h"
#include "service/service_program.h"
#include "support/generated_stats.h"
#include "support/sanitized_build.h"
#include "support/settings_document.h"
#include "support/temp_dir.h"
#include "support/test_db.h"

namespace sky::test {
namespace {

using namespace std::chrono_literals;

constexpr uint32_t kPilots = 400;
constexpr uint32_t kSorties = 40'000;
constexpr int kKills = 5;  // in each phase
// Passes run to the end, after the kills or to make the uninterrupted table,
// before the table must have stopped changing; a few suffice, the last of
// them changing nothing.
constexpr int kMostPasses = 6;
// The log line each pilot's turn begins with (log level 2).
constexpr char kPilotHeading[] = " === Расчет пилота ===";

// Only a hung program takes this long; the passes themselves take seconds.
constexpr auto kPassPatience = kSanitized ? 600s : 120s;

// Brings the generated sorties after `after_id`.
void AddSorties(const TestDatabase& from, const TestDatabase& to, int after_id) {
  to.Exec("insert into " + to.Name() + ".sorties select * from " + from.Name() + ".sorties where id > " +
          std::to_string(after_id));
}

// A program home whose settings point at one database: the full rank scale,
// the sample awards file, and a log that names every pilot's turn.
class TPassHome {
 public:
  explicit TPassHome(const TestDatabase& db) {
    SettingsDocument document = ServiceSettings({db.Entry()}, 0, 0, "pw", 2);
    SetPassRules(document.settings);
    WriteFileBytes(dir_.File("skyranks.xml"), document.Bytes());
  }

  // Starts `--once` with an empty log.
  std::unique_ptr<Program> StartPass() const {
    std::filesystem::remove(dir_.File("skyranks.log"));
    return std::make_unique<Program>(dir_.Path(), std::vector<std::string>{"--home", dir_.Path(), "--once"});
  }

  // Pilots whose turn has begun in the pass now running.
  int PilotsBegun() const {
    static const std::string heading = Utf8ToCp1251(kPilotHeading);
    const std::string path = dir_.File("skyranks.log");
    const std::string log = std::filesystem::exists(path) ? ReadFileBytes(path) : std::string();
    int count = 0;
    for (std::size_t at = log.find(heading); at != std::string::npos; at = log.find(heading, at + 1)) ++count;
    return count;
  }

 private:
  TempDir dir_;
};

// Runs passes to the end until one leaves the table as it found it; the
// number of passes run (kMostPasses + 1 when the table never settled).
int RunToFixedPoint(const TPassHome& home, const TestDatabase& db) {
  std::vector<std::string> before = PassColumns(db);
  for (int pass = 1; pass <= kMostPasses; ++pass) {
    auto program = home.StartPass();
    const std::optional<int> status = program->Wait(kPassPatience);
    EXPECT_EQ(status, 0) << program->Stdout() << program->Stderr();
    if (status != 0) return kMostPasses + 1;
    std::vector<std::string> after = PassColumns(db);
    if (after == before) return pass;
    before = std::move(after);
  }
  return kMostPasses + 1;
}

// Reports the first differing pilot instead of two listings of hundreds.
void ExpectSameTable(const std::vector<std::string>& interrupted, const std::vector<std::string>& uninterrupted) {
  ASSERT_EQ(interrupted.size(), uninterrupted.size());
  int differing = 0;
  std::string first;
  for (std::size_t i = 0; i < interrupted.size(); ++i) {
    if (interrupted[i] == uninterrupted[i]) continue;
    if (differing++ == 0) first = interrupted[i] + " instead of " + uninterrupted[i];
  }
  EXPECT_EQ(differing, 0) << "pilots differ (id:realrank:lastsortie:awards), the first: " << first;
}

// Passes of the program killed at seeded pilots' turns; how many of the
// kills came while the pass still ran.
int KillPasses(const TPassHome& home, int pilots_per_pass, std::mt19937& random) {
  // Each kill comes at a pilot's turn in the first nine tenths of the pass,
  // a moment later than the log shows it, so that it falls into his walk
  // or one of his writes.
  int landed = 0;
  for (int kill = 1; kill <= kKills; ++kill) {
    const int target = std::uniform_int_distribution<int>(1, pilots_per_pass * 9 / 10)(random);
    const auto delay = std::chrono::microseconds(std::uniform_int_distribution<int>(0, 2000)(random));
    auto program = home.StartPass();
    const auto deadline = std::chrono::steady_clock::now() + kPassPatience;
    while (program->Wait(0ms) == std::nullopt && home.PilotsBegun() < target) {
      if (std::chrono::steady_clock::now() > deadline) {
        ADD_FAILURE() << "the pass did not reach pilot " << target;
        return landed;
      }
      std::this_thread::sleep_for(500us);
    }
    std::this_thread::sleep_for(delay);
    program->Signal(SIGKILL);
    const bool killed = program->Wait(kPassPatience) == 128 + SIGKILL;
    landed += killed;
    std::cout << "kill " << kill << ": at pilot " << target << " of " << pilots_per_pass << " + "
              << delay.count() << " us, " << (killed ? "killed" : "the pass had ended") << std::endl;
  }
  return landed;
}

// Twice: from the generated pilots with nothing calculated, then after new
// sorties came in, when every pilot has stored results for the pass to
// start from.
TEST(InterruptedPasses, KilledPassesConvergeToTheTableOfUninterruptedOnes) {
  SKY_REQUIRE_DB();
  const char* seed_text = std::getenv("SKY_KILL_SEED");
  const uint32_t seed = seed_text != nullptr && *seed_text != '\0' ? static_cast<uint32_t>(std::stoul(seed_text))
                                                                   : std::random_device()();
  std::cout << "kill seed " << seed << " (SKY_KILL_SEED=" << seed << " repeats this run)" << std::endl;
  RecordProperty("kill_seed", std::to_string(seed));
  SCOPED_TRACE("SKY_KILL_SEED=" + std::to_string(seed));
  std::mt19937 random(seed);

  const TestDatabase generated(false);
  GenerateStatistics(generated, kPilots, kSorties, 5);
  const int first_part = static_cast<int>(kSorties) * 3 / 5;
  const TestDatabase uninterrupted_db(false);
  const TestDatabase interrupted_db(false);
  CopyTables(generated, uninterrupted_db, first_part);
  CopyTables(generated, interrupted_db, first_part);
  const TPassHome uninterrupted_home(uninterrupted_db);
  const TPassHome interrupted_home(interrupted_db);

  for (const bool new_sorties : {false, true}) {
    const std::string phase = new_sorties ? "passes over new sorties" : "first passes";
    SCOPED_TRACE(phase);
    if (new_sorties) {
      AddSorties(generated, uninterrupted_db, first_part);
      AddSorties(generated, interrupted_db, first_part);
    }
    const std::vector<std::string> start = PassColumns(uninterrupted_db);
    ASSERT_LE(RunToFixedPoint(uninterrupted_home, uninterrupted_db), kMostPasses);
    const std::vector<std::string> expected = PassColumns(uninterrupted_db);
    ASSERT_NE(expected, start) << "the passes wrote nothing: the comparison would prove nothing";
    const int pilots_per_pass = uninterrupted_home.PilotsBegun();
    ASSERT_GT(pilots_per_pass, 20);

    EXPECT_GT(KillPasses(interrupted_home, pilots_per_pass, random), 0) << "every pass ended before its kill";
    const int passes = RunToFixedPoint(interrupted_home, interrupted_db);
    ASSERT_LE(passes, kMostPasses) << "the table still changed after " << kMostPasses << " passes";
    std::cout << phase << ": settled after " << passes << " passes run to the end" << std::endl;
    ExpectSameTable(PassColumns(interrupted_db), expected);
  }
}

}  // namespace
}  // namespace sky::test
