// The leaderboard's order, search and pages over kept pass results.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "web/leaderboard.h"

namespace sky {
namespace {

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
    const TBoardPage page = SelectBoard(results, ParseBoardQuery(c.params));
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
    const TBoardPage page = SelectBoard(results, ParseBoardQuery({c.q}));
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
    const TBoardPage page = SelectBoard(results, ParseBoardQuery(c.params));
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
  const TBoardPage page = SelectBoard(FindPilotResults("empty-board"), ParseBoardQuery({"page=5"}));
  EXPECT_TRUE(page.rows.empty());
  EXPECT_EQ(page.page, 1);
  EXPECT_EQ(page.pages, 1);
  EXPECT_EQ(FindPilotResults("never-passed"), nullptr);
}

}  // namespace
}  // namespace sky
