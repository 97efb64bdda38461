// The leaderboard's order, search and pages over kept pass results.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "web/leaderboard.h"

namespace sky {
namespace {

// The orders a server keeps, shared by the tests as by a server's requests.
TBoardOrders& Orders() {
  static TBoardOrders orders;
  return orders;
}

// Pilots 1..n; values chosen so that every key has ties.
std::shared_ptr<const TPilotResults> Results() {
  struct TRow {
    const char* callsign;
    int army, rank, sorties;
    int64_t air, ground;
    double life;
    const char* last;
  };
  const TRow rows[] = {
      {"Сокол", 1, 3, 10, 5, 1, 2, "2026-01-02T10:00:00"},   {"ёжик", 2, 3, 12, 5, 0, 0, "2026-01-03T10:00:00"},
      {"Bear", 1, 1, 10, 9, 4, 5, ""},                        {"bear_2", 2, 0, 1, 0, 0, 0, "2025-12-31T23:59:59"},
      {"' or 1=1 --", 1, 5, 3, 1, 1, 1, "2026-01-01T00:00:00"}, {"<b>Ace</b>", 2, 1, 40, 20, 2, 0, "2026-01-02T10:00:00"},
  };
  TPilotResults results;
  int id = 0;
  for (const TRow& row : rows) {
    TPilotResult pilot;
    pilot.Id = ++id;
    pilot.Callsign = row.callsign;
    pilot.Army = row.army;
    pilot.Rank = row.rank;
    pilot.CareerSorties = row.sorties;
    pilot.CareerAirKills = row.air;
    pilot.CareerGroundKills = row.ground;
    pilot.LifeAirKills = row.life;
    pilot.LastSortie = row.last;
    results.push_back(pilot);
  }
  PublishPilotResults("board-test", std::move(results));
  return FindPilotResults("board-test");
}

std::vector<int> Ids(const TBoardPage& page) {
  std::vector<int> ids;
  for (const TBoardRow& row : page.rows) ids.push_back(row.pilot->Id);
  return ids;
}

TEST(Leaderboard, EachSortWithTiesBrokenById) {
  const auto results = Results();
  const struct {
    std::vector<std::string> params;
    std::vector<int> ids;
  } cases[] = {
      {{}, {5, 1, 2, 3, 6, 4}},
      {{"sort=rank", "order=asc"}, {4, 3, 6, 1, 2, 5}},
      {{"sort=callsign"}, {5, 6, 3, 4, 2, 1}},
      {{"sort=air"}, {6, 3, 1, 2, 5, 4}},
      {{"sort=ground"}, {3, 6, 1, 5, 2, 4}},
      {{"sort=sorties"}, {6, 2, 1, 3, 5, 4}},
      {{"sort=life"}, {3, 1, 5, 2, 4, 6}},
      {{"sort=last"}, {2, 1, 6, 5, 4, 3}},
      {{"sort=nonsense", "order=sideways"}, {5, 1, 2, 3, 6, 4}},
      {{"army=2"}, {2, 6, 4}},
      {{"army=3"}, {5, 1, 2, 3, 6, 4}},
  };
  for (const auto& c : cases) {
    const TBoardPage page = SelectBoard(Orders(), results, ParseBoardQuery(c.params));
    EXPECT_EQ(Ids(page), c.ids) << ::testing::PrintToString(c.params);
    for (std::size_t i = 0; i < page.rows.size(); ++i) EXPECT_EQ(page.rows[i].position, static_cast<int64_t>(i) + 1);
  }
}

TEST(Leaderboard, SearchKeepsPositionsAndTakesWhatPilotsType) {
  const auto results = Results();
  const struct {
    const char* q;
    std::vector<int> ids;
    std::vector<int64_t> positions;
  } cases[] = {
      {"q=СОК", {1}, {2}},
      {"q=%D0%81%D0%96", {2}, {3}},   // "ЁЖ" from a UTF-8 page
      {"q=%D1%EE%EA", {1}, {2}},      // "Сок" from a Windows-1251 page
      {"q=bear", {3, 4}, {4, 6}},
      {"q=' or 1=1", {5}, {1}},
      {"q=<b>", {6}, {5}},
      {"q=zzz", {}, {}},
  };
  for (const auto& c : cases) {
    const TBoardPage page = SelectBoard(Orders(), results, ParseBoardQuery({c.q}));
    EXPECT_EQ(Ids(page), c.ids) << c.q;
    std::vector<int64_t> positions;
    for (const TBoardRow& row : page.rows) positions.push_back(row.position);
    EXPECT_EQ(positions, c.positions) << c.q;
    EXPECT_EQ(page.pages, 1);
  }
}

TEST(Leaderboard, PagesAndMyPosition) {
  const auto results = Results();
  const struct {
    std::vector<std::string> params;
    std::vector<int> ids;
    int64_t page, pages, size;
    int me;  // the marked pilot, 0 for none
  } cases[] = {
      {{"size=4"}, {5, 1, 2, 3}, 1, 2, 4, 0},
      {{"size=4", "page=2"}, {6, 4}, 2, 2, 4, 0},
      {{"size=4", "page=99"}, {6, 4}, 2, 2, 4, 0},
      {{"size=4", "page=0"}, {5, 1, 2, 3}, 1, 2, 4, 0},
      {{"size=0"}, {5, 1, 2, 3, 6, 4}, 1, 1, 50, 0},
      {{"size=10000"}, {5, 1, 2, 3, 6, 4}, 1, 1, 500, 0},
      {{"size=2", "me=BEAR_2"}, {6, 4}, 3, 3, 2, 4},
      {{"size=2", "page=3", "me=%d0%a1%d0%be%d0%ba%d0%be%d0%bb"}, {5, 1}, 1, 3, 2, 1},
      {{"size=2", "me=nobody", "page=2"}, {2, 3}, 2, 3, 2, 0},
  };
  for (const auto& c : cases) {
    const TBoardPage page = SelectBoard(Orders(), results, ParseBoardQuery(c.params));
    const std::string where = ::testing::PrintToString(c.params);
    EXPECT_EQ(Ids(page), c.ids) << where;
    EXPECT_EQ(page.page, c.page) << where;
    EXPECT_EQ(page.pages, c.pages) << where;
    EXPECT_EQ(page.size, c.size) << where;
    for (const TBoardRow& row : page.rows) {
      EXPECT_EQ(row.me, row.pilot->Id == c.me) << where;
      EXPECT_EQ(row.position, (page.page - 1) * page.size + (&row - page.rows.data()) + 1) << where;
    }
  }
}

TEST(Leaderboard, AnEmptyBoardHasOnePageWithoutRows) {
  PublishPilotResults("empty-board", {});
  const TBoardPage page = SelectBoard(Orders(), FindPilotResults("empty-board"), ParseBoardQuery({"page=5"}));
  EXPECT_TRUE(page.rows.empty());
  EXPECT_EQ(page.page, 1);
  EXPECT_EQ(page.pages, 1);
  EXPECT_EQ(FindPilotResults("never-passed"), nullptr);
}

TEST(Leaderboard, PagesCutOneBoardWhateverTheOrderArmyOrSearch) {
  const auto results = Results();
  for (const char* sort : {"rank", "callsign", "air", "ground", "sorties", "life", "last"}) {
    for (const char* order : {"asc", "desc"}) {
      for (const char* filter : {"army=0", "army=1", "q=e"}) {
        const std::vector<std::string> base = {std::string("sort=") + sort, std::string("order=") + order, filter};
        std::vector<std::string> whole = base;
        whole.push_back("size=500");
        const TBoardPage all = SelectBoard(Orders(), results, ParseBoardQuery(whole));
        std::vector<int64_t> positions;
        std::vector<int> ids;
        for (int64_t n = 1; n <= 4; ++n) {
          std::vector<std::string> paged = base;
          paged.insert(paged.end(), {"size=2", "page=" + std::to_string(n)});
          const TBoardPage page = SelectBoard(Orders(), results, ParseBoardQuery(paged));
          if (page.page != n) break;  // past the last page: the last page again
          for (const TBoardRow& row : page.rows) {
            positions.push_back(row.position);
            ids.push_back(row.pilot->Id);
          }
        }
        std::vector<int64_t> all_positions;
        for (const TBoardRow& row : all.rows) all_positions.push_back(row.position);
        EXPECT_EQ(ids, Ids(all)) << ::testing::PrintToString(base);
        EXPECT_EQ(positions, all_positions) << ::testing::PrintToString(base);
        EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
      }
    }
  }
}

// Results replaced while readers page through them: every page a reader
// gets comes from one set whole, never from two.
TEST(Leaderboard, ReadersNeverSeeHalfAPass) {
  auto generation = [](int g) {
    TPilotResults results;
    for (int id = 1; id <= 300 + g % 7; ++id) {
      TPilotResult pilot;
      pilot.Id = id;
      pilot.Callsign = "P" + std::to_string(id);
      pilot.Army = 1 + id % 2;
      pilot.Rank = g;
      pilot.CareerSorties = g;
      pilot.CareerAirKills = id % 13;
      results.push_back(pilot);
    }
    return results;
  };
  PublishPilotResults("swapped", generation(0));
  std::atomic<bool> done = false;
  std::atomic<int> mixed = 0, reads = 0;
  std::vector<std::thread> readers;
  for (int r = 0; r < 3; ++r) {
    readers.emplace_back([&, r] {
      const char* sorts[] = {"sort=air", "sort=rank", "sort=callsign"};
      while (!done) {
        const auto results = FindPilotResults("swapped");
        const TBoardPage page = SelectBoard(Orders(), results, ParseBoardQuery({sorts[r], "size=500"}));
        const int g = page.rows.front().pilot->Rank;
        bool whole = page.matching == 300 + g % 7;
        for (const TBoardRow& row : page.rows) whole = whole && row.pilot->Rank == g && row.pilot->CareerSorties == g;
        mixed += !whole;
        ++reads;
      }
    });
  }
  for (int g = 1; g <= 200; ++g) PublishPilotResults("swapped", generation(g));
  while (reads < 50) std::this_thread::yield();
  done = true;
  for (std::thread& reader : readers) reader.join();
  EXPECT_EQ(mixed, 0);
  EXPECT_EQ(FindPilotResults("swapped")->front().Rank, 200);
}

}  // namespace
}  // namespace sky
