// The schedule, the cycle and the reset with stand-ins for the database
// work; ticks are driven by hand, so no test waits for the clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "service/tskyranks.h"
#include "settings/settings_store.h"
#include "support/program_home.h"
#include "support/settings_document.h"
#include "version_constants.h"

namespace sky {
namespace {

using namespace std::chrono_literals;

const TServerList kTwoDatabases = {{.Host = "alpha", .Db = "a", .Id = "1"}, {.Host = "beta", .Db = "b", .Id = "7"}};

// Records every database operation; a calculation can be made slow or to fail.
class Recorder {
 public:
  TDatabaseOperation Calculation() {
    return [this](const TSettings&, const TServerEntry& entry) {
      const int running = ++running_;
      max_running_ = std::max(max_running_.load(), running);
      Add("calculate " + entry.Host);
      if (during_) during_(entry.Host);
      if (delay_.count() > 0) std::this_thread::sleep_for(delay_);
      Add("calculated " + entry.Host);
      --running_;
      if (entry.Host == fail_host_) throw std::runtime_error("lost connection");
      return entry.Host != unreachable_host_;
    };
  }
  TDatabaseOperation Reset() {
    return [this](const TSettings&, const TServerEntry& entry) {
      Add("reset " + entry.Host);
      if (entry.Host == fail_host_) throw std::runtime_error("reset failed");
      return true;
    };
  }

  std::vector<std::string> Events() {
    std::lock_guard<std::mutex> hold(lock_);
    return events_;
  }
  int Count(const std::string& event) {
    const auto events = Events();
    return static_cast<int>(std::count(events.begin(), events.end(), event));
  }

  std::chrono::milliseconds delay_{0};
  std::function<void(const std::string& host)> during_;  // called inside each calculation
  std::string fail_host_;
  std::string unreachable_host_;
  std::atomic<int> max_running_{0};

 private:
  void Add(std::string event) {
    std::lock_guard<std::mutex> hold(lock_);
    events_.push_back(std::move(event));
  }
  std::mutex lock_;
  std::vector<std::string> events_;
  std::atomic<int> running_{0};
};

struct ServiceFixture {
  explicit ServiceFixture(uint32_t interval, const TServerList& databases = kTwoDatabases)
      : service(recorder.Calculation(), recorder.Reset()) {
    home.WriteSettings(test::ServiceSettings(databases, interval));
  }
  void Tick(int count) {
    for (int i = 0; i < count; ++i) service.TimerSKYTimer();
  }

  test::ProgramHome home;
  Recorder recorder;
  Tskyranks service;
};

TEST(ServiceSchedule, TheTimerStartsDisabledAndTheFirstCycleEnablesIt) {
  ServiceFixture f(1);
  f.Tick(500);
  EXPECT_TRUE(f.recorder.Events().empty()) << "no tick counts before the start-up cycle";
  EXPECT_EQ(f.service.TimerTicks(), 0u);
  f.service.RunCalculationCycle();
  EXPECT_TRUE(f.service.TimerEnabled());
  EXPECT_EQ(f.recorder.Events(),
            (std::vector<std::string>{"calculate alpha", "calculated alpha", "calculate beta", "calculated beta"}));
}

TEST(ServiceSchedule, IntervalOneRunsACycleEverySixtyEnabledTicks) {
  ServiceFixture f(1);
  f.service.RunCalculationCycle();
  f.Tick(59);
  EXPECT_EQ(f.recorder.Count("calculate alpha"), 1);
  EXPECT_EQ(f.service.TimerTicks(), 59u);
  f.Tick(1);
  EXPECT_EQ(f.recorder.Count("calculate alpha"), 2);
  EXPECT_EQ(f.service.TimerTicks(), 0u) << "the firing tick starts the count anew";
  EXPECT_TRUE(f.service.TimerEnabled());

  // Paused time does not count, and a recalculation leaves the count alone.
  f.Tick(30);
  f.service.ServicePause();
  f.Tick(1000);
  EXPECT_EQ(f.service.TimerTicks(), 30u);
  f.service.ServiceContinue();
  f.service.RunCalculationCycle();
  EXPECT_EQ(f.service.TimerTicks(), 30u);
  f.Tick(29);
  EXPECT_EQ(f.recorder.Count("calculate alpha"), 3);
  f.Tick(1);
  EXPECT_EQ(f.recorder.Count("calculate alpha"), 4);
}

TEST(ServiceSchedule, IntervalZeroNeverSchedules) {
  ServiceFixture f(0);
  f.service.RunCalculationCycle();
  f.Tick(100000);
  EXPECT_EQ(f.recorder.Count("calculate alpha"), 1);
  EXPECT_EQ(f.service.TimerTicks(), 0u) << "the counter does not move";
  f.service.RunCalculationCycle();
  EXPECT_EQ(f.recorder.Count("calculate alpha"), 2) << "a recalculation still runs";
}

TEST(ServiceSchedule, PauseThenRecalcRunsAndRestartsTheSchedule) {
  ServiceFixture f(1);
  f.service.RunCalculationCycle();
  f.service.Pause();
  EXPECT_FALSE(f.service.TimerEnabled());
  f.service.RunCalculationCycle();
  EXPECT_EQ(f.recorder.Count("calculate beta"), 2);
  EXPECT_TRUE(f.service.TimerEnabled());
}

TEST(ServiceSchedule, TwoRecalculationsAtOnceRunOneAfterTheOther) {
  ServiceFixture f(1);
  f.recorder.delay_ = 50ms;
  std::thread first([&] { f.service.RunCalculationCycle(); });
  std::thread second([&] { f.service.RunCalculationCycle(); });
  first.join();
  second.join();
  EXPECT_EQ(f.recorder.max_running_.load(), 1);
  const std::vector<std::string> expected = {"calculate alpha", "calculated alpha", "calculate beta",
                                             "calculated beta"};
  std::vector<std::string> twice = expected;
  twice.insert(twice.end(), expected.begin(), expected.end());
  EXPECT_EQ(f.recorder.Events(), twice) << "each cycle runs in full, the second after the first";
}

TEST(ServiceSchedule, TimerChangesWaitForARunningCycle) {
  ServiceFixture f(1);
  f.recorder.delay_ = 200ms;
  std::thread cycle([&] { f.service.RunCalculationCycle(); });
  while (f.recorder.Events().empty()) std::this_thread::sleep_for(1ms);
  f.service.Pause();  // the pause takes effect after the cycle
  EXPECT_EQ(f.recorder.Count("calculated beta"), 1);
  cycle.join();
  EXPECT_FALSE(f.service.TimerEnabled());
}

TEST(ServiceSchedule, InactiveEntriesAreSkippedAndLogged) {
  ServiceFixture f(1, {{.Host = "sleepy", .Active = false, .Id = "1"}});
  f.home.ClearLog();
  const TCycleReport report = f.service.RunCycle();
  EXPECT_TRUE(f.recorder.Events().empty());
  EXPECT_EQ(report.active, 0);
  EXPECT_TRUE(f.service.TimerEnabled());
  EXPECT_EQ(f.home.LogLines(), std::vector<std::string>{"TS\tserver skipped\tsleepy"});
}

TEST(ServiceSchedule, AFailingDatabaseIsLoggedAndTheScheduleGoesOn) {
  ServiceFixture f(1);
  f.recorder.fail_host_ = "alpha";
  f.recorder.unreachable_host_ = "beta";
  f.home.ClearLog();
  const TCycleReport report = f.service.RunCycle();
  EXPECT_EQ(report.active, 2);
  EXPECT_EQ(report.reached, 0);
  EXPECT_EQ(f.recorder.Count("calculate beta"), 1) << "the next database is still calculated";
  EXPECT_TRUE(f.service.TimerEnabled());
  const std::vector<std::string> log = f.home.LogLines();
  EXPECT_NE(std::find(log.begin(), log.end(), "TS\tRunCalculationCycle\talpha: lost connection"), log.end());

  f.recorder.fail_host_.clear();
  f.recorder.unreachable_host_.clear();
  const TCycleReport healthy = f.service.RunCycle();
  EXPECT_EQ(healthy.reached, 2);
}

TEST(ServiceSchedule, CycleLogLines) {
  ServiceFixture f(1, {{.Host = "alpha", .Id = "1"}});
  f.home.ClearLog();
  f.service.RunCalculationCycle();
  const std::vector<std::string> log = f.home.LogLines();
  std::vector<std::string> headings;
  for (const std::string& line : log) {
    if (line.find("***") != std::string::npos) headings.push_back(line);
  }
  EXPECT_EQ(headings, (std::vector<std::string>{"TS\t *** Начало расчета  ***\t", "TS\t *** Конец расчета ***\t"}));
}

TEST(ServiceSchedule, NoSettingsDatabaseOnlyReenablesTheTimer) {
  ServiceFixture f(1, {});
  const TCycleReport report = f.service.RunCycle();
  EXPECT_EQ(report.active, 0);
  EXPECT_TRUE(f.recorder.Events().empty());
  EXPECT_TRUE(f.service.TimerEnabled());
}

TEST(ServiceSchedule, AStopEndsTheCycleAndKeepsLaterWorkFromStarting) {
  ServiceFixture f(1);
  f.recorder.during_ = [&](const std::string&) { f.service.RequestStop(); };
  f.home.ClearLog();
  const TCycleReport report = f.service.RunCycle();
  EXPECT_TRUE(report.stopped);
  EXPECT_EQ(f.recorder.Events(), (std::vector<std::string>{"calculate alpha", "calculated alpha"}))
      << "the database in hand is finished, the next one not begun";
  EXPECT_TRUE(f.service.TimerEnabled());
  EXPECT_FALSE(f.service.RunCalculationCycle()) << "a recalc after the stop says it did not run";
  EXPECT_FALSE(f.service.ResetServer("1"));
  EXPECT_EQ(f.recorder.Count("reset alpha"), 0);
  const std::vector<std::string> log = f.home.LogLines();
  for (const char* line : {"TS\t *** Расчет прерван: остановка сервиса ***\tnot started: beta",
                                  "TS\t *** Расчет прерван: остановка сервиса ***\treset not started: alpha"}) {
    EXPECT_NE(std::find(log.begin(), log.end(), line), log.end()) << line;
  }
}

TEST(ServiceReset, UnknownIdsResetTheFirstDatabase) {
  ServiceFixture f(1);
  EXPECT_TRUE(f.service.ResetServer("7"));
  EXPECT_TRUE(f.service.ResetServer("42"));
  EXPECT_TRUE(f.service.ResetServer(""));
  EXPECT_EQ(f.recorder.Events(), (std::vector<std::string>{"reset beta", "reset alpha", "reset alpha"}));
  EXPECT_TRUE(f.service.TimerEnabled());
}

TEST(ServiceReset, AFailingResetIsLoggedAndTheTimerRunsAgain) {
  ServiceFixture f(1);
  f.recorder.fail_host_ = "alpha";
  f.home.ClearLog();
  EXPECT_FALSE(f.service.ResetServer("1"));
  EXPECT_TRUE(f.service.TimerEnabled());
  const std::vector<std::string> log = f.home.LogLines();
  EXPECT_NE(std::find(log.begin(), log.end(), "TS\tResetServer\treset failed"), log.end());
}

TEST(ServiceHandlers, StartPauseContinueAndStopLogTheirLines) {
  ServiceFixture f(1);
  const std::filesystem::path before = std::filesystem::current_path();
  f.home.ClearLog();
  SetFieldsChecked(true);
  f.service.ServiceStart();
  EXPECT_EQ(std::filesystem::current_path(), std::filesystem::path(f.home.Dir()));
  EXPECT_FALSE(FieldsChecked());
  f.service.ServicePause();
  EXPECT_FALSE(f.service.TimerEnabled());
  f.service.ServiceContinue();
  EXPECT_TRUE(f.service.TimerEnabled());
  f.service.ServiceStop();
  std::filesystem::current_path(before);
  EXPECT_EQ(f.home.LogLines(),
            (std::vector<std::string>{"TS\t\t", "TS\tskyranks (ver 1.0.0.0)\t",
                                      "TS\tCopyright (c) The skyranks developers. All rights reserved.\t",
                                      "TS\t" SKY_CONTACT_WEB ",\t" SKY_CONTACT_MAIL,
                                      "TS\t=== Start Service ===\t", "TS\t=== Pause Service ===\t",
                                      "TS\t=== Continue Service ===\t", "TS\t=== Stop Service ===\t"}));
}

}  // namespace
}  // namespace sky
