#include "engine/combat_rules.h"

#include <cmath>

#include "base/log.h"
#include "db/query.h"
#include "engine/kill_arithmetic.h"
#include "engine/sortie.h"
#include "engine/sortie_record.h"

namespace sky {

namespace {

constexpr double kMsPerDay = 86400000.0;
constexpr double kMsPerMinute = 60000.0;

enum TSortieRule { kKillsOnly = 0, kKillsAndDuration = 1, kKillsOrDuration = 2 };

bool RuleAllows(int32_t mode, bool has_kills, bool long_enough) {
  switch (mode) {
    case kKillsOnly: return has_kills;
    case kKillsAndDuration: return has_kills && long_enough;
    case kKillsOrDuration: return has_kills || long_enough;
    default: return false;
  }
}

bool DurationControlled(const TSettings& settings) {
  return settings.SortieMode > 0 && settings.SortieDuration != 0;
}

}  // namespace

bool InEndList(std::string_view end, std::string_view list) {
  return !end.empty() && list.find(end) != std::string_view::npos;
}

bool DurationReached(uint32_t minutes, TDateTime start, TDateTime end) {
  // Compared in whole milliseconds: a flight of exactly the limit reaches it
  // whatever rounding the two day fractions carry. Any number of minutes
  // works, an hour and more included.
  const double elapsed_ms = std::round((end - start) * kMsPerDay);
  return elapsed_ms >= static_cast<double>(minutes) * kMsPerMinute;
}

bool IsCombatSortie(const TSettings& settings, const TSortie& sortie) {
  bool long_enough = true;
  if (DurationControlled(settings)) {
    long_enough = DurationReached(settings.SortieDuration, sortie.StartTime, sortie.EndTime);
  }
  const int64_t kills = EffectiveKills(settings, sortie.Enemy);
  return RuleAllows(settings.SortieMode, kills > 0, long_enough);
}

bool IsCombatRow(const TSettings& settings, const TQuery& row) {
  if (!InEndList(row.FieldByName("SortieEND").AsString(), settings.SortieEndSuccess)) return false;
  const int64_t air = row.FieldByName("eAir").AsInteger();
  int64_t ground = 0;
  if (settings.BombersMode > 0) {
    TGroundKills scratch;
    ground = GetCurrentGroundKills(row, scratch);
  }
  bool long_enough = true;
  if (DurationControlled(settings)) {
    long_enough = DurationReached(settings.SortieDuration, row.FieldByName("starttime").AsDateTime(),
                                  row.FieldByName("endtime").AsDateTime());
    if (long_enough) {
      WriteLog(4, "Вылет длился не меньше установленного лимита");
    } else if (settings.SortieMode == kKillsAndDuration) {
      WriteLog(3,
               "Выбран режим \"Минимальная длительность И наличие килов\", Текущий вылет КОРОЧЕ "
               "лимита и будет пропущен.");
    } else {
      WriteLog(3, "Вылет короче, чем надо, но возможно есть килы ...");
    }
  }
  // Wide enough for any two stored counts, so the sum cannot overflow.
  const bool has_kills = static_cast<__int128>(air) + ground > 0;
  return RuleAllows(settings.SortieMode, has_kills, long_enough);
}

}  // namespace sky
