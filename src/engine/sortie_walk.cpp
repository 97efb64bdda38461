// The sortie walk shared by the rank pass and the pilot history.
#include "engine/sortie_walk.h"

#include <chrono>
#include <string>
#include <thread>

#include "db/query.h"
#include "engine/combat_rules.h"
#include "engine/history.h"
#include "engine/history_recorder.h"
#include "engine/kill_arithmetic.h"
#include "engine/life_tally.h"
#include "engine/pilot_sortie_statements.h"
#include "engine/pilot_sorties.h"
#include "engine/rank_pass.h"
#include "engine/rank_scale.h"
#include "engine/sortie_record.h"
#include "settings/log.h"
#include "settings/systemd_notify.h"

namespace sky {

namespace {

// Walks the rows `sorties` stands on to their end; `recorder` is set in
// history mode only. Adds the sorties read to `sorties_read` when given.
int32_t Walk(TQuery& sorties, int32_t& last_sortie, const TSettings& settings,
             THistoryRecorder* recorder, int64_t* sorties_read = nullptr,
             TLifeTally* tally = nullptr) {
  const bool history_mode = recorder != nullptr;
  TStreak streak;
  ResetStreak(streak);
  streak.CurrentRank = 0;
  int32_t result = 0;
  int64_t read = 0;

  for (; !sorties.Eof(); sorties.Next()) {
    const TSortie sortie = ReadSortie(sorties);
    ++read;
    const std::string text =
        "SortieID = " + std::to_string(sortie.Id) + " SortieEND = " + sortie.SortieEnd;
    if (recorder) recorder->Sortie(sortie);

    if (InEndList(sortie.SortieEnd, settings.SortieEndSuccess)) {
      // Every successful sortie adds its kills, combat or not.
      AddKills(streak.Kills, sortie.Enemy);
      const bool combat = IsCombatSortie(settings, sortie);
      if (combat) ++streak.CombatCount;
      if (recorder) recorder->Successful(sortie, combat);
      if (combat) {
        const int32_t reached = ReachedRank(streak, settings);
        if (streak.CurrentRank < reached) {
          streak.CurrentRank = reached;
          result = reached;
          WriteLog(3, "Новое звание!!!: ",
                   RankName(reached, settings) + " (" + std::to_string(reached) + ") " + text +
                       " at " + FormatDateTime(sortie.EndTime));
          if (recorder) recorder->NewRank(sortie, reached);
        }
      } else {
        WriteLog(3, "Вылет не засчитан. Либо нет килов, либо слишком короткий.", text);
      }
      if (tally) tally->Add(sortie, false);
    } else if (InEndList(sortie.SortieEnd, settings.SortieEndDead)) {
      if (tally) tally->Add(sortie, true);
      if (recorder) recorder->LifeEnding(streak);
      // The best rank survives death; only the life's totals start again.
      ResetStreak(streak);
      last_sortie = sortie.Id;
      WriteLog(3, "", "");
      WriteLog(3, "Вылет пропущен. Пилот мертв.", text);
      if (recorder) recorder->Died(sortie, streak);
    } else {
      if (tally) tally->Add(sortie, false);
      if (sortie.SortieEnd.empty() || InEndList(sortie.SortieEnd, settings.SortieEndSkip)) {
        WriteLog(3, "Вылет пропущен. Пилот либо прыгнул, либо еще чего.", text);
      }
    }

    if (!history_mode && settings.Sleep > 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(settings.Sleep));
      NotifyAlive();
    }
  }

  if (recorder) recorder->Finish(streak);
  if (tally) tally->Life = streak;
  if (sorties_read != nullptr) *sorties_read += read;
  return result;
}

}  // namespace

int32_t WalkPilotSorties(TdmMySQL& session, int32_t pilot_id, int32_t& last_sortie,
                         const TSettings& settings, bool history_mode, TXmlNode history) {
  TPilotSortieStatements statements(session, pilot_id);
  // A history covers the whole career; a pass re-walks the current life only.
  TQuery& sorties = statements.From(history_mode ? 0 : last_sortie);
  if (!history_mode) return Walk(sorties, last_sortie, settings, nullptr);

  THistoryRecorder recorder(history, settings);
  const TDateTime first_start = sorties.Eof() ? 0 : sorties.FieldByName("starttime").AsDateTime();
  recorder.Begin(GetPilotCallsign(session, pilot_id), first_start);
  return Walk(sorties, last_sortie, settings, &recorder);
}

int32_t WalkPilotLife(TPilotSorties& sorties, int32_t& last_sortie, const TSettings& settings,
                      int64_t* sorties_read, TLifeTally* tally) {
  return Walk(sorties.From(last_sortie), last_sortie, settings, nullptr, sorties_read, tally);
}

}  // namespace sky
