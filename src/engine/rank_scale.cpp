#include "engine/rank_scale.h"

#include <string>

#include <fmt/format.h>

#include "base/log.h"
#include "engine/kill_arithmetic.h"
#include "engine/rank_pass.h"

namespace sky {

int32_t ReachedRank(const TStreak& streak, const TSettings& settings) {
  const int64_t kills = EffectiveKills(settings, streak.Kills);
  const int32_t combat = streak.CombatCount;
  int32_t reached = 0;
  std::string reached_name;
  // Rows are taken in file order; the first one above the current rank that
  // the life does not meet ends the scan, so a rank is only reached together
  // with the rows before it.
  for (const TRankDef& rank : settings.Ranks) {
    if (rank.Value <= streak.CurrentRank) continue;
    if (rank.SortiesLimit > combat || rank.AirKills > kills) {
      WriteLog(3, "На звание \"" + rank.Name + "\" не тянем.",
               fmt::format("боевых {} (надо {}); килов {} (надо {})", combat, rank.SortiesLimit,
                           kills, rank.AirKills));
      break;
    }
    reached = rank.Value;
    reached_name = rank.Name;
  }
  if (reached > 0 && streak.CurrentRank < reached) {
    WriteLog(3, "Выполнен норматив на звание " + reached_name,
             fmt::format("Боевых вылетов: {} Всего килов: {}; Ступень {}", combat, kills, reached));
  }
  return reached;
}

std::string RankName(int32_t value, const TSettings& settings) {
  for (const TRankDef& rank : settings.Ranks) {
    if (rank.Value == value) return rank.Name;
  }
  return "Сержант";
}

}  // namespace sky
