// The metrics of the calculation: real cycles over the throwaway database
// and over one that cannot be reached, read over the service's web server.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "service/tskyranks.h"
#include "support/program_home.h"
#include "support/program_location.h"
#include "support/stat_rows.h"
#include "support/temp_dir.h"
#include "support/test_db.h"
#include "web/metrics_text.h"

namespace sky {
namespace {

constexpr int kPilots = 3;

double UnixNow() {
  return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

std::string Labels(const TServerEntry& entry) {
  return "{id=\"" + entry.Id + "\",host=\"" + entry.Host + "\",db=\"" + entry.Db + "\"}";
}

TEST(ServiceMetrics, PassesAreCountedPerDatabaseWithoutItsAccount) {
  SKY_REQUIRE_DB();
  test::TestDatabase db;
  // Two kills in a life give rank 1, so the first pass writes every pilot.
  std::vector<test::TestPilot> pilots;
  std::vector<test::TestSortie> sorties;
  for (int id = 1; id <= kPilots; ++id) {
    test::TestPilot pilot;
    pilot.id = id;
    pilot.callsign = "P" + std::to_string(id);
    pilots.push_back(pilot);
    sorties.push_back({.id = id, .pilot = id, .eAir = 2});
  }
  test::InsertPilots(db, pilots);
  test::InsertSorties(db, sorties);

  test::ProgramHome home;
  test::WriteFileBytes(home.File("awards.xml"), "<?xml version=\"1.0\"?><awards/>");
  const TServerEntry reachable = db.Entry();
  const TServerEntry unreachable = {.Host = "127.0.0.1", .User = "metrics-user-7", .Pass = "metrics-pass-7",
                                    .Db = "nowhere", .Id = "2", .Port = test::FreePort()};
  test::SettingsDocument document = test::ServiceSettings({reachable, unreachable}, 0, 0, "admin-secret-9", 0);
  document.settings.Ranks = {{.Value = 1, .Name = "rank", .SortiesLimit = 1, .AirKills = 2, .GndKills = 0}};
  document.settings.SortieEndSuccess = "_TKON_";
  document.settings.AwardsFile = home.File("awards.xml");
  home.WriteSettings(document);

  Tskyranks service;
  service.TCPServerSKY().Activate(0);
  struct Cycle {
    const char* what;
    bool awards_file;
    double examined, written, failed;
  };
  const std::vector<Cycle> cycles = {{"the first pass writes every pilot", true, kPilots, kPilots, 0},
                                     {"nothing changed", true, kPilots, 0, 0},
                                     {"without its awards file the pass fails", false, 0, 0, 1}};
  for (std::size_t n = 0; n < cycles.size(); ++n) {
    if (!cycles[n].awards_file) std::filesystem::remove(home.File("awards.xml"));
    const double started = UnixNow();
    service.RunCycle();
    const test::MetricsText metrics = test::ScrapeMetrics(service.TCPServerSKY().Port());
    SCOPED_TRACE(cycles[n].what);
    EXPECT_EQ(metrics.faults, std::vector<std::string>{});
    const std::string good = Labels(reachable);
    EXPECT_EQ(metrics.Value("skyranks_passes_total" + good), n + 1);
    EXPECT_EQ(metrics.Value("skyranks_passes_failed_total" + good), cycles[n].failed);
    EXPECT_EQ(metrics.Value("skyranks_last_pass_pilots_examined" + good), cycles[n].examined);
    EXPECT_EQ(metrics.Value("skyranks_last_pass_rows_written" + good), cycles[n].written);
    EXPECT_GE(metrics.Value("skyranks_last_pass_duration_seconds" + good), 0);
    const double last_success = metrics.Value("skyranks_last_success_timestamp_seconds" + good);
    if (cycles[n].failed == 0) {
      EXPECT_GE(last_success, started - 1);
      EXPECT_LE(last_success, UnixNow() + 1);
    } else {
      EXPECT_LT(last_success, started) << "still the time of the last success";
    }

    const std::string bad = Labels(unreachable);
    EXPECT_EQ(metrics.Value("skyranks_passes_total" + bad), n + 1);
    EXPECT_EQ(metrics.Value("skyranks_passes_failed_total" + bad), n + 1);
    EXPECT_EQ(metrics.Value("skyranks_last_pass_pilots_examined" + bad), 0);
    EXPECT_EQ(metrics.Value("skyranks_last_success_timestamp_seconds" + bad), 0) << "never reached";

    for (const std::string& secret :
         {unreachable.User, unreachable.Pass, reachable.Pass, std::string("admin-secret-9")}) {
      if (!secret.empty()) {
        EXPECT_EQ(metrics.body.find(secret), std::string::npos) << secret;
      }
    }
  }
  EXPECT_EQ(db.Column("select realrank from pilots"), std::vector<std::string>(kPilots, "1"));
}

}  // namespace
}  // namespace sky
