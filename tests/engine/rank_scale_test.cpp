#include <gtest/gtest.h>

#include "engine/rank_pass.h"
#include "engine/rank_scale.h"
#include "support/program_home.h"

namespace sky::test {
namespace {

TSettings Scale(std::vector<TRankDef> ranks) {
  TSettings settings;
  settings.AirBomberRatio = 1.5;
  settings.GroundRatio = {0.5, 1.0, 0.2, 0.25, 0.5, 0.1, 2.0};
  settings.Ranks = std::move(ranks);
  return settings;
}

TStreak Life(int combat, double air, int current_rank = 0) {
  TStreak streak;
  streak.CombatCount = combat;
  streak.Kills.Air = air;
  streak.CurrentRank = current_rank;
  return streak;
}

TEST(RankScale, ReachesEveryRowUpToTheFirstUnmetOneAndLogsBoth) {
  ProgramHome home;
  home.SetLogLevel(3);
  const TSettings settings =
      Scale({{1, "мл. л-т", 3, 2, 0}, {2, "лейтенант", 5, 3, 0}, {3, "капитан", 6, 4, 0}});
  EXPECT_EQ(ReachedRank(Life(5, 3), settings), 2);
  EXPECT_EQ(home.LogLines(),
            (std::vector<std::string>{
                "TS\tНа звание \"капитан\" не тянем.\tбоевых 5 (надо 6); килов 3 (надо 4)",
                "TS\tВыполнен норматив на звание лейтенант\tБоевых вылетов: 5 Всего килов: 3; Ступень 2"}));
}

TEST(RankScale, RowsAtOrBelowTheCurrentRankAreNotLookedAt) {
  ProgramHome home;
  home.SetLogLevel(3);
  const TSettings settings = Scale({{1, "мл. л-т", 3, 2, 0}, {2, "лейтенант", 5, 3, 0}});
  EXPECT_EQ(ReachedRank(Life(4, 9, 1), settings), 0);
  EXPECT_EQ(home.LogLines(),
            (std::vector<std::string>{
                "TS\tНа звание \"лейтенант\" не тянем.\tбоевых 4 (надо 5); килов 9 (надо 3)"}));
  EXPECT_EQ(ReachedRank(Life(9, 9, 2), settings), 0);  // the top: nothing left to reach
}

TEST(RankScale, OddScales) {
  const std::vector<TRankDef> reversed = {{2, "лейтенант", 5, 3, 0}, {1, "мл. л-т", 3, 2, 0}};
  struct Case {
    const char* what;
    std::vector<TRankDef> ranks;
    TStreak life;
    int reached;
  };
  const Case cases[] = {
      {"an unmet row stops the scan even when a later one is met", reversed, Life(3, 2), 0},
      {"out of order: the last met row", reversed, Life(5, 3), 1},
      {"an empty scale reaches nothing, silently", {}, Life(100, 100), 0},
  };
  for (const Case& c : cases) {
    ProgramHome home;
    home.SetLogLevel(3);
    EXPECT_EQ(ReachedRank(c.life, Scale(c.ranks)), c.reached) << c.what;
    if (c.ranks.empty()) {
      EXPECT_TRUE(home.LogLines().empty()) << c.what;
    }
  }
}

TEST(RankScale, KillThresholdUsesEffectiveKills) {
  const TSettings settings = Scale({{1, "мл. л-т", 1, 2, 0}});
  TStreak streak = Life(1, 1);
  streak.Kills.Car = 4;  // 0.8 of ground is truncated on its own: 1 + 0
  EXPECT_EQ(ReachedRank(streak, settings), 0);
  streak.Kills.Bom = 1;  // the one air kill was a bomber: 1.5 + 0
  EXPECT_EQ(ReachedRank(streak, settings), 0);
  streak.Kills.Air = 2;  // 2.5 + 0
  EXPECT_EQ(ReachedRank(streak, settings), 1);
}

TEST(RankScale, NamesComeFromTheFirstRowWithTheValue) {
  const TSettings settings =
      Scale({{1, "мл. л-т", 3, 2, 0}, {2, "лейтенант", 5, 3, 0}, {2, "другой", 5, 3, 0}});
  EXPECT_EQ(RankName(2, settings), "лейтенант");
  EXPECT_EQ(RankName(0, settings), "Сержант");
  EXPECT_EQ(RankName(7, settings), "Сержант");
}

}  // namespace
}  // namespace sky::test
