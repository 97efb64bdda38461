#include <gtest/gtest.h>

#include "base/datetime.h"
#include "engine/combat_rules.h"
#include "engine/sortie.h"

namespace sky::test {
namespace {

TDateTime Start() { return EncodeDateTime(2026, 3, 1, 10, 0, 0); }

TDateTime MinutesLater(int minutes, int seconds = 0) {
  return Start() + (minutes * 60 + seconds) / 86400.0;
}

TSettings Rules(int mode, uint32_t duration) {
  TSettings settings;
  settings.SortieEndSuccess = "_TKON_CRASHED_";
  settings.SortieEndDead = "_DIED_CAPTURED_";
  settings.SortieMode = mode;
  settings.SortieDuration = duration;
  settings.AirBomberRatio = 1.5;
  settings.GroundRatio = {0.5, 1.0, 0.2, 0.25, 0.5, 0.1, 2.0};
  return settings;
}

TSortie Flight(int minutes, double air_kills) {
  TSortie sortie;
  sortie.StartTime = Start();
  sortie.EndTime = MinutesLater(minutes);
  sortie.Enemy.Air = air_kills;
  sortie.SortieEnd = "TKON";
  return sortie;
}

TEST(EndLists, AnyNonEmptySubstringMatches) {
  EXPECT_TRUE(InEndList("TKON", "_TKON_CRASHED_"));
  EXPECT_TRUE(InEndList("KON", "_TKON_CRASHED_"));
  EXPECT_TRUE(InEndList("CRASHED_", "_TKON_CRASHED_"));
  EXPECT_FALSE(InEndList("BAIL", "_TKON_CRASHED_"));
  EXPECT_FALSE(InEndList("tkon", "_TKON_CRASHED_"));
  EXPECT_FALSE(InEndList("", "_TKON_CRASHED_"));
  EXPECT_FALSE(InEndList("", ""));
}

TEST(DurationRule, ReachedAtTheLimitAndNotASecondBefore) {
  struct Case {
    uint32_t limit;
    TDateTime end;
    bool reached;
  };
  const Case cases[] = {
      {15, MinutesLater(15), true},  {15, MinutesLater(14, 59), false},
      {0, Start(), true},            {1, Start() - 1.0, false},  // ends before it starts
      {90, MinutesLater(90), true},  {90, MinutesLater(89), false},
      {60, MinutesLater(61), true},  {4294967295u, MinutesLater(100000), false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DurationReached(c.limit, Start(), c.end), c.reached) << c.limit << " " << c.end;
  }
}

// Mode 0 needs kills, 1 kills and the duration, 2 kills or the duration; a
// limit of 0 is no duration rule; any other mode never counts.
TEST(CombatSortie, TheModeDecides) {
  struct Case {
    int mode;
    uint32_t limit;
    int minutes;
    double kills;
    bool combat;
  };
  const Case cases[] = {
      {0, 15, 1, 1, true},   {0, 15, 60, 0, false},
      {1, 15, 14, 1, false}, {1, 15, 16, 1, true},  {1, 15, 16, 0, false},
      {1, 0, 1, 1, true},    {1, 0, 60, 0, false},  // no limit: as mode 0
      {2, 15, 5, 1, true},   {2, 15, 20, 0, true},  {2, 15, 5, 0, false},
      {2, 0, 0, 0, true},                            // no limit: every sortie
      {3, 15, 60, 5, false}, {3, 0, 60, 5, false},  {-1, 15, 60, 5, false}, {-1, 0, 60, 5, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsCombatSortie(Rules(c.mode, c.limit), Flight(c.minutes, c.kills)), c.combat)
        << "mode " << c.mode << ", limit " << c.limit << ", " << c.minutes << " min, " << c.kills << " kills";
  }
}

TEST(CombatSortie, WeightedKillsDecide) {
  TSettings settings = Rules(0, 15);
  TSortie cars = Flight(30, 0);
  cars.Enemy.Car = 4;  // 0.8 of a kill
  EXPECT_FALSE(IsCombatSortie(settings, cars));
  cars.Enemy.Car = 5;
  EXPECT_TRUE(IsCombatSortie(settings, cars));
}

}  // namespace
}  // namespace sky::test
