#include "engine/history_recorder.h"

#include <cmath>

#include "engine/kill_arithmetic.h"
#include "engine/rank_pass.h"
#include "engine/rank_scale.h"

namespace sky {

void THistoryRecorder::Begin(const std::string& callsign, TDateTime first_start) {
  history_.SetAttribute("callsign", callsign);
  StartLife(first_start);
}

void THistoryRecorder::StartLife(TDateTime start) {
  life_ = history_.AppendElement("strik");
  life_.SetAttribute("id", std::to_string(++life_number_));
  life_.SetAttribute("start", FormatDateTime(start));
}

void THistoryRecorder::Sortie(const TSortie& sortie) {
  sortie_ = life_.AppendElement("sortie");
  sortie_.SetAttribute("id", std::to_string(sortie.Id));
  sortie_.SetAttribute("sortieend", sortie.SortieEnd);
  sortie_.SetAttribute("starttime", FormatDateTime(sortie.StartTime));
  sortie_.SetAttribute("endtime", FormatDateTime(sortie.EndTime));
  sortie_.SetAttribute("duration_ok", "1");
  sortie_.SetAttribute("iscombat", "0");
}

void THistoryRecorder::Successful(const TSortie& sortie, bool combat) {
  sortie_.SetAttribute("iscombat", combat ? "1" : "0");
  TXmlNode details = sortie_.AppendElement("details");
  details.SetAttribute("AirKills", std::to_string(TruncToInt64(sortie.Enemy.Air)));
  const double ground = std::trunc(GroundWeightSum(settings_, GroundPart(sortie.Enemy)));
  details.SetAttribute("GroundKills", std::to_string(TruncToInt64(ground)));
  details.SetAttribute("EffectiveKills", std::to_string(QuietEffectiveKills(settings_, sortie.Enemy)));
}

void THistoryRecorder::NewRank(const TSortie& sortie, int32_t rank) {
  TXmlNode new_rank = sortie_.AppendElement("newrank");
  new_rank.SetAttribute("id", std::to_string(rank));
  new_rank.SetAttribute("rankname", RankName(rank, settings_));
  new_rank.SetAttribute("date", FormatDateTime(sortie.EndTime));
}

void THistoryRecorder::LifeEnding(const TStreak& ending) { SetLifeTotals(ending); }

void THistoryRecorder::Died(const TSortie& sortie, const TStreak& streak) {
  sortie_.SetAttribute("isdead", "1");
  life_.SetAttribute("end", FormatDateTime(sortie.EndTime));
  life_.SetAttribute("broken", "1");
  SetCurrentRank(streak);
  // The next life starts with the sortie that ended this one.
  StartLife(sortie.StartTime);
}

void THistoryRecorder::Finish(const TStreak& streak) {
  SetLifeTotals(streak);
  SetCurrentRank(streak);
}

void THistoryRecorder::SetLifeTotals(const TStreak& streak) {
  life_.SetAttribute("combatcount", std::to_string(streak.CombatCount));
  life_.SetAttribute("kills", std::to_string(QuietEffectiveKills(settings_, streak.Kills)));
}

void THistoryRecorder::SetCurrentRank(const TStreak& streak) {
  // Shown only while a higher row of the scale is still ahead (by count).
  const auto rows = static_cast<int64_t>(settings_.Ranks.size());
  if (streak.CurrentRank >= 0 && streak.CurrentRank < rows) {
    life_.SetAttribute("currentrank", RankName(streak.CurrentRank, settings_));
  }
}

}  // namespace sky
