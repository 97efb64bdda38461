// A pass's writes beside the statistics program's own transactions on
// `pilots`: a row held by another session holds up that pilot's write only,
// every earlier one is committed and seen by others; updating an earlier
// pilot while the pass waits gives no deadlock; a writing connection killed
// ends the pass with the earlier pilots kept, and the next pass completes.
// Only committed writes count in the pass's figures and kept results.
#include <algorithm>
#include <chrono>
#include <future>
#include <thread>

#include "engine/engine_fixture.h"
#include "engine/pilot_results.h"
#include "engine/rank_pass.h"
#include "engine/rank_scale.h"
#include "settings/settings_store.h"

namespace sky::test {
namespace {

using namespace std::chrono_literals;

constexpr int kPilots = 24;

class PassWrites : public EngineDbTest {
 protected:
  void SetUp() override {
    EngineDbTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    SetFieldsChecked(true);
    // Each pilot reaches rank 1 at sortie <id>04 and dies at <id>05.
    for (int pilot = 1; pilot <= kPilots; ++pilot) {
      AddPilot(pilot, "pilot" + std::to_string(pilot));
      const int base = pilot * 100;
      std::vector<TestSortie> rows = {{.id = base + 1, .eAir = 1}, {.id = base + 2, .eAir = 1},
                                      {.id = base + 3},            {.id = base + 4, .eAir = 1},
                                      {.id = base + 5, .end = "DIED"}};
      for (TestSortie& row : rows) {
        row.pilot = pilot;
        row.start_minute = (row.id % 100) * 60;
      }
      AddSorties(rows);
    }
    entry_ = db_->Entry();
    entry_.Id = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    home_.SetLogLevel(0);
  }

  // Runs a pass on a thread of its own, which waits at the first pilot until
  // Resume(): the test takes its locks after the pass has fixed null ranks
  // and read the pilots, as the statistics program would in mid-pass.
  void StartPass() {
    pass_ = std::async(std::launch::async, [this] {
      TDbThreadScope scope;
      bool waited = false;
      TAwardEvaluator evaluator = [&](TdmMySQL&, TPilotSorties&, const TPilotState& pilot, const TSettings&,
                                      const TXmlDocument&) {
        if (!waited) {
          waited = true;
          at_first_.set_value();
          resume_.get_future().wait();
        }
        return TAwardResult{pilot.StoredAwards, true};
      };
      return CalculateDatabase(settings_, entry_, evaluator);
    });
    at_first_.get_future().wait();
  }
  void Resume() { resume_.set_value(); }
  TDatabasePass EndOfPass() {
    EXPECT_EQ(pass_.wait_for(120s), std::future_status::ready);
    return pass_.get();
  }

  // A session of the test that holds pilot `id`'s row in an open transaction.
  std::unique_ptr<TdmMySQL> Hold(int id) const {
    auto holder = std::make_unique<TdmMySQL>();
    EXPECT_TRUE(ConnectDatabase(*holder, db_->Entry()));
    holder->SQLQueryService.ExecSQL("begin");
    holder->SQLQueryService.ExecSQL(fmt::format("update pilots set callsign = callsign where id = {}", id));
    return holder;
  }

  // The connection whose rank write of pilot `id` is waiting on the server,
  // once it is; 0 when none shows within a minute.
  std::string WaitingWriteOf(int id) const {
    const auto until = std::chrono::steady_clock::now() + 60s;
    const std::string query = fmt::format(
        "select coalesce(max(id), 0) from information_schema.processlist where db = '{}' "
        "and info like 'update pilots set realrank = % where id = {}'",
        db_->Name(), id);
    while (std::chrono::steady_clock::now() < until) {
      const std::string connection = db_->Value(query);
      if (connection != "0") return connection;
      std::this_thread::sleep_for(10ms);
    }
    return "0";
  }

  // Pilots below `id` whose rank is written, once all of them are; the count
  // seen last when they are not within a minute.
  int WrittenBelow(int id) const {
    const auto until = std::chrono::steady_clock::now() + 60s;
    int written = 0;
    while (std::chrono::steady_clock::now() < until) {
      written = std::stoi(db_->Value(
          fmt::format("select count(*) from pilots where id < {} and realrank = 1 and lastsortie = id * 100 + 5", id)));
      if (written == id - 1) break;
      std::this_thread::sleep_for(10ms);
    }
    return written;
  }

  int WrittenRows() const { return std::stoi(db_->Value("select count(*) from pilots where realrank = 1")); }

  std::vector<std::string> ErrorLines() const {
    std::vector<std::string> lines = Log();
    std::erase_if(lines, [](const std::string& line) { return line.find("ERROR") == std::string::npos; });
    return lines;
  }

  TServerEntry entry_;
  std::promise<void> at_first_;
  std::promise<void> resume_;
  std::future<TDatabasePass> pass_;
};

TEST_F(PassWrites, ARowHeldElsewhereHoldsUpThatPilotOnlyAndEveryEarlierOneIsSeenWritten) {
  StartPass();
  const auto holder = Hold(kPilots);
  Resume();
  ASSERT_NE(WaitingWriteOf(kPilots), "0");
  EXPECT_EQ(WrittenBelow(kPilots), kPilots - 1) << "seen by a third session while the last row is held";
  EXPECT_EQ(pass_.wait_for(0s), std::future_status::timeout) << "the pass waits for its last write";

  holder->SQLQueryService.ExecSQL("commit");
  const TDatabasePass pass = EndOfPass();
  EXPECT_FALSE(pass.Failed);
  EXPECT_EQ(pass.RowsWritten, kPilots);
  EXPECT_EQ(WrittenRows(), kPilots);
  EXPECT_TRUE(ErrorLines().empty());
  const auto kept = FindPilotResults(entry_.Id);
  ASSERT_TRUE(kept);
  EXPECT_TRUE(std::all_of(kept->begin(), kept->end(), [](const TPilotResult& pilot) { return pilot.Rank == 1; }));
}

TEST_F(PassWrites, UpdatingAnEarlierPilotWhileThePassWaitsGivesNoDeadlock) {
  StartPass();
  const auto other = Hold(2);
  Resume();
  ASSERT_NE(WaitingWriteOf(2), "0");
  // A transaction of the statistics program that holds pilot 2 and then
  // updates pilot 1, which the pass has written already.
  EXPECT_NO_THROW(other->SQLQueryService.ExecSQL("update pilots set callsign = callsign where id = 1"));
  other->SQLQueryService.ExecSQL("commit");
  const TDatabasePass pass = EndOfPass();
  EXPECT_FALSE(pass.Failed);
  EXPECT_EQ(WrittenRows(), kPilots);
  EXPECT_TRUE(ErrorLines().empty());
}

TEST_F(PassWrites, AKilledWritingConnectionEndsThePassAndTheNextPassCompletesIt) {
  constexpr int kHeld = kPilots / 2;
  StartPass();
  const auto holder = Hold(kHeld);
  Resume();
  const std::string writer = WaitingWriteOf(kHeld);
  ASSERT_NE(writer, "0");
  EXPECT_EQ(WrittenBelow(kHeld), kHeld - 1);
  db_->Exec("KILL CONNECTION " + writer);
  holder->SQLQueryService.ExecSQL("rollback");

  const TDatabasePass pass = EndOfPass();
  EXPECT_TRUE(pass.Failed);
  EXPECT_EQ(Stored(kHeld), "0:0:0");
  EXPECT_EQ(pass.RowsWritten, WrittenRows()) << "only committed writes count";
  EXPECT_LT(WrittenRows(), kPilots);
  const std::vector<std::string> errors = ErrorLines();
  ASSERT_EQ(errors.size(), 2u);
  EXPECT_TRUE(errors[0].starts_with("TS\tERROR updating realrank field:\t")) << errors[0];
  EXPECT_TRUE(errors[1].starts_with("TS\tERROR Enumeration pilots:\t")) << errors[1];
  EXPECT_FALSE(FindPilotResults(entry_.Id)) << "a failed pass publishes no results";

  const TDatabasePass next = CalculateDatabase(settings_, entry_, TAwardEvaluator{});
  EXPECT_FALSE(next.Failed);
  EXPECT_EQ(WrittenRows(), kPilots);
  EXPECT_EQ(next.RowsWritten + pass.RowsWritten, kPilots);
}

// A write the server refuses is not counted as written, and the kept
// results show what is stored.
TEST_F(PassWrites, ARefusedWriteCountsAsAnErrorAndLeavesTheKeptRankAsStored) {
  db_->Exec(
      "create trigger refuse_two before update on pilots for each row "
      "if new.id = 2 then signal sqlstate '45000' set message_text = 'pilot 2 is locked'; end if");
  const TDatabasePass pass = CalculateDatabase(settings_, entry_, TAwardEvaluator{});
  EXPECT_FALSE(pass.Failed);
  EXPECT_EQ(pass.RowsWritten, kPilots - 1);
  EXPECT_EQ(pass.Errors, 1);
  EXPECT_EQ(ErrorLines(), (std::vector<std::string>{"TS\tERROR updating realrank field:\tpilot 2 is locked"}));
  const auto kept = FindPilotResults(entry_.Id);
  ASSERT_TRUE(kept);
  ASSERT_EQ(kept->size(), static_cast<std::size_t>(kPilots));
  EXPECT_EQ(kept->at(0).Rank, 1);
  EXPECT_EQ(kept->at(1).Rank, 0);
  EXPECT_EQ(kept->at(1).RankName, RankName(0, settings_));
}

}  // namespace
}  // namespace sky::test
