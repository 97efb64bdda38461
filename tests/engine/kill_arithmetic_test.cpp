#include <cmath>

#include <gtest/gtest.h>

#include "engine/kill_arithmetic.h"
#include "engine/pilot_totals.h"
#include "engine/sortie.h"
#include "engine/sortie_record.h"
#include "support/program_home.h"

namespace sky::test {
namespace {

TSettings Ratios() {
  TSettings settings;
  settings.AirBomberRatio = 1.5;
  settings.GroundRatio = {0.5, 1.0, 0.2, 0.25, 0.5, 0.1, 2.0};
  return settings;
}

TEST(KillArithmetic, EffectiveKillsOfTheWorkedExamples) {
  const TSettings settings = Ratios();
  TKillSet mixed;
  mixed.Air = 3;
  mixed.Bom = 2;
  mixed.Tank = 1;
  mixed.Car = 3;
  EXPECT_DOUBLE_EQ(WeightedAirKills(settings, AirPart(mixed)), 4.0);
  EXPECT_DOUBLE_EQ(WeightedGroundKills(settings, GroundPart(mixed)), 1.0);
  EXPECT_EQ(EffectiveKills(settings, mixed), 5);

  TKillSet one_bomber;
  one_bomber.Air = 1;
  one_bomber.Bom = 1;
  EXPECT_EQ(EffectiveKills(settings, one_bomber), 1);  // 1.5 truncated

  TKillSet four_cars;
  four_cars.Car = 4;
  EXPECT_EQ(EffectiveKills(settings, four_cars), 0);  // 0.8 is no kill
}

TEST(KillArithmetic, BomberRatioAppliesOnlyAboveOne) {
  TSettings settings = Ratios();
  const TAirKills two_bombers{2, 2};
  settings.AirBomberRatio = 1.0;
  EXPECT_DOUBLE_EQ(WeightedAirKills(settings, two_bombers), 2.0);
  settings.AirBomberRatio = 0.5;
  EXPECT_DOUBLE_EQ(WeightedAirKills(settings, two_bombers), 2.0);
  settings.AirBomberRatio = 2.0;
  EXPECT_DOUBLE_EQ(WeightedAirKills(settings, two_bombers), 4.0);
  EXPECT_DOUBLE_EQ(WeightedAirKills(settings, TAirKills{2, 0}), 2.0);
}

TEST(KillArithmetic, WeightedGroundIsTruncatedAndLoggedAtLevelSeven) {
  ProgramHome home;
  home.SetLogLevel(7);
  TSettings settings = Ratios();
  TGroundKills ground;
  ground.Wag = 9.9;  // 0.99 after the ratio
  EXPECT_DOUBLE_EQ(WeightedGroundKills(settings, ground), 0.0);
  ground.Wag = 10;
  EXPECT_DOUBLE_EQ(WeightedGroundKills(settings, ground), 1.0);
  EXPECT_EQ(home.LogLines(),
            (std::vector<std::string>{
                "TS\tВсего наземных килов (с учетом коэффициентов):\t              0.00 (              0.99)",
                "TS\tВсего наземных килов (с учетом коэффициентов):\t              1.00 (              1.00)"}));

  home.ClearLog();
  home.SetLogLevel(6);
  WeightedGroundKills(settings, ground);
  EXPECT_TRUE(home.LogLines().empty());
}

TEST(KillArithmetic, GroundKillsCountWhateverTheBombersMode) {
  TSettings settings = Ratios();
  settings.BombersMode = 0;
  TKillSet ship;
  ship.Ship = 1;
  EXPECT_EQ(EffectiveKills(settings, ship), 2);
}

TEST(KillArithmetic, PureGroundKillsIgnoreRatiosAndAddKillsAddsEverySlot) {
  TKillSet total;
  TKillSet one;
  one.Air = 1;
  one.Bom = 2;
  one.SAir = 3;
  one.Tank = 4;
  one.Car = 5;
  one.Art = 6;
  one.Aaa = 7;
  one.Wag = 8;
  one.Ship = 9;
  AddKills(total, one);
  AddKills(total, one);
  EXPECT_EQ(PureGroundKills(GroundPart(total)), 2 * (3 + 4 + 5 + 6 + 7 + 8 + 9));
  EXPECT_DOUBLE_EQ(total.Air, 2);
  EXPECT_DOUBLE_EQ(total.Bom, 4);
  EXPECT_DOUBLE_EQ(total.Ship, 18);

  TStreak streak;
  streak.CombatCount = 4;
  streak.Kills = total;
  streak.CurrentRank = 3;
  ResetStreak(streak);
  EXPECT_EQ(streak.CombatCount, 0);
  EXPECT_DOUBLE_EQ(streak.Kills.Air, 0);
  EXPECT_DOUBLE_EQ(streak.Kills.Ship, 0);
  EXPECT_EQ(streak.CurrentRank, 3);  // a death keeps the best rank
}

// Every kind has a ratio and a count of its own, none of them 1, so a fault
// in any one kind's factor, or two kinds' slots swapped, changes a sum.
TEST(KillArithmetic, EachGroundKindIsWeighedByItsOwnRatio) {
  TSettings settings;
  settings.GroundRatio = {0.5, 1.25, 0.2, 0.75, 1.5, 0.1, 2.0};
  const double counts[kGroundKinds] = {3, 4, 10, 8, 2, 30, 5};
  // count x ratio, kind by kind: 1.5, 5, 2, 6, 3, 3, 10.
  const double weighted[kGroundKinds] = {1.5, 5, 2, 6, 3, 3, 10};
  double TKillSet::*const slot[kGroundKinds] = {&TKillSet::SAir, &TKillSet::Tank, &TKillSet::Car,
                                                &TKillSet::Art,  &TKillSet::Aaa,  &TKillSet::Wag,
                                                &TKillSet::Ship};
  TKillSet all;
  for (int kind = 0; kind < kGroundKinds; ++kind) {
    TKillSet alone;
    alone.*slot[kind] = counts[kind];
    all.*slot[kind] = counts[kind];
    EXPECT_DOUBLE_EQ(GroundWeightSum(settings, GroundPart(alone)), weighted[kind]) << "kind " << kind;
    // Half an air kill: the ground sum is cut to whole kills before the two are added.
    alone.Air = 0.5;
    EXPECT_EQ(EffectiveKills(settings, alone), static_cast<int64_t>(std::trunc(weighted[kind])))
        << "kind " << kind;
  }
  EXPECT_DOUBLE_EQ(GroundWeightSum(settings, GroundPart(all)), 30.5);
  EXPECT_EQ(EffectiveKills(settings, all), 30);
}

// The bomber ratio weighs only bombers, only above 1, and the bombers mode
// (which governs the row test) leaves the walk's air arithmetic alone.
TEST(KillArithmetic, BomberRatioWhateverTheBombersMode) {
  struct Case {
    double ratio, air, bombers, weighted;
  };
  const Case cases[] = {
      {1.5, 5, 2, 6}, {3.0, 5, 2, 9}, {1.5, 5, 0, 5}, {1.0, 5, 2, 5}, {0.5, 5, 2, 5}, {2.0, 1, 1, 2},
  };
  for (int bombers_mode : {0, 1, 2}) {
    for (const Case& c : cases) {
      TSettings settings;
      settings.BombersMode = bombers_mode;
      settings.AirBomberRatio = c.ratio;
      EXPECT_DOUBLE_EQ(WeightedAirKills(settings, TAirKills{c.air, c.bombers}), c.weighted)
          << "mode " << bombers_mode << ", ratio " << c.ratio << ", " << c.air << "/" << c.bombers;
    }
  }
}

TEST(KillArithmetic, PerSortieRatiosOfNoSortiesAreZero) {
  EXPECT_DOUBLE_EQ(AirPerSortie(TPilotTotals{}), 0.0);
  EXPECT_DOUBLE_EQ(GroundsPerSortie(TPilotTotals{}), 0.0);
  EXPECT_DOUBLE_EQ(AirPerSortie(TPilotTotals{4, 3, 2}), 0.75);
  EXPECT_DOUBLE_EQ(GroundsPerSortie(TPilotTotals{4, 3, 2}), 0.5);
}

}  // namespace
}  // namespace sky::test
