#include "engine/life_tally.h"

#include <string>

#include "base/encoding.h"
#include "base/text.h"
#include "engine/combat_rules.h"
#include "engine/kill_arithmetic.h"

namespace sky {

void TLifeTally::Add(const TSortie& sortie, bool died) {
  const TKillSet& kills = sortie.Enemy;
  Walked.Sorties += 1;
  Walked.Air += TruncToInt64(kills.Air);
  Walked.Grounds += PureGroundKills(GroundPart(kills));
  LastEnd = sortie.EndTime;
  if (died) {
    Walked.Deaths += 1;
    LifeSorties = 0;
  } else {
    LifeSorties += 1;
  }
}

bool IsDeathEnd(std::string_view stored_end, const TSettings& settings) {
  constexpr std::size_t kSortieEndLimit = 20;
  const std::string end = Utf8Prefix(TrimText(std::string(stored_end)), kSortieEndLimit);
  return InEndList(end, settings.SortieEndDead);
}

}  // namespace sky
