// The sortie walk shared by the rank pass and the pilot history.
#include "engine/sortie_walk.h"

#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "base/log.h"
#include "base/systemd_notify.h"
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

namespace sky {

namespace {

// What a walk fills and whom it tells, beside the rows and the settings:
// `recorder` is set in history mode only; the sorties read are added to
// `sorties_read`; `alive` hears after each pause between sorties.
struct TWalkOutputs {
  THistoryRecorder* recorder = nullptr;
  int64_t* sorties_read = nullptr;
  TLifeTally* tally = nullptr;
  const std::function<void()>* alive = nullptr;
};

// One walk over the rows of one pilot.
class TWalk {
 public:
  TWalk(int32_t& last_sortie, const TSettings& settings, const TWalkOutputs& outputs)
      : last_sortie_(last_sortie), settings_(settings), out_(outputs) {
    ResetStreak(streak_);
    streak_.CurrentRank = 0;
  }

  // Walks the rows `sorties` stands on to their end; the highest rank reached.
  int32_t Run(TQuery& sorties) {
    const bool history_mode = out_.recorder != nullptr;
    int64_t read = 0;
    for (; !sorties.Eof(); sorties.Next()) {
      const TSortie sortie = ReadSortie(sorties);
      ++read;
      Sortie(sortie);
      if (!history_mode && settings_.Sleep > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(settings_.Sleep));
        if (out_.alive != nullptr && *out_.alive) (*out_.alive)();
      }
    }
    if (out_.recorder) out_.recorder->Finish(streak_);
    if (out_.tally) out_.tally->Life = streak_;
    if (out_.sorties_read != nullptr) *out_.sorties_read += read;
    return result_;
  }

 private:
  void Sortie(const TSortie& sortie) {
    const std::string text = "SortieID = " + std::to_string(sortie.Id) + " SortieEND = " + sortie.SortieEnd;
    THistoryRecorder* recorder = out_.recorder;
    if (recorder) recorder->Sortie(sortie);

    if (InEndList(sortie.SortieEnd, settings_.SortieEndSuccess)) {
      Successful(sortie, text);
    } else if (InEndList(sortie.SortieEnd, settings_.SortieEndDead)) {
      if (out_.tally) out_.tally->Add(sortie, true);
      if (recorder) recorder->LifeEnding(streak_);
      // The best rank survives death; only the life's totals start again.
      ResetStreak(streak_);
      last_sortie_ = sortie.Id;
      WriteLog(3, "", "");
      WriteLog(3, "Вылет пропущен. Пилот мертв.", text);
      if (recorder) recorder->Died(sortie, streak_);
    } else {
      if (out_.tally) out_.tally->Add(sortie, false);
      if (sortie.SortieEnd.empty() || InEndList(sortie.SortieEnd, settings_.SortieEndSkip)) {
        WriteLog(3, "Вылет пропущен. Пилот либо прыгнул, либо еще чего.", text);
      }
    }
  }

  void Successful(const TSortie& sortie, const std::string& text) {
    THistoryRecorder* recorder = out_.recorder;
    // Every successful sortie adds its kills, combat or not.
    AddKills(streak_.Kills, sortie.Enemy);
    const bool combat = IsCombatSortie(settings_, sortie);
    if (combat) ++streak_.CombatCount;
    if (recorder) recorder->Successful(sortie, combat);
    if (combat) {
      const int32_t reached = ReachedRank(streak_, settings_);
      if (streak_.CurrentRank < reached) {
        streak_.CurrentRank = reached;
        result_ = reached;
        WriteLog(3, "Новое звание!!!: ",
                 RankName(reached, settings_) + " (" + std::to_string(reached) + ") " + text + " at " +
                     FormatDateTime(sortie.EndTime));
        if (recorder) recorder->NewRank(sortie, reached);
      }
    } else {
      WriteLog(3, "Вылет не засчитан. Либо нет килов, либо слишком короткий.", text);
    }
    if (out_.tally) out_.tally->Add(sortie, false);
  }

  int32_t& last_sortie_;
  const TSettings& settings_;
  const TWalkOutputs out_;
  TStreak streak_;
  int32_t result_ = 0;
};

}  // namespace

int32_t WalkPilotSorties(TdmMySQL& session, int32_t pilot_id, int32_t& last_sortie,
                         const TSettings& settings, bool history_mode, TXmlNode history) {
  TPilotSortieStatements statements(session, pilot_id);
  // A history covers the whole career; a pass re-walks the current life only.
  TQuery& sorties = statements.From(history_mode ? 0 : last_sortie);
  if (!history_mode) return TWalk(last_sortie, settings, {}).Run(sorties);

  THistoryRecorder recorder(history, settings);
  const TDateTime first_start = sorties.Eof() ? 0 : sorties.FieldByName("starttime").AsDateTime();
  recorder.Begin(GetPilotCallsign(session, pilot_id), first_start);
  return TWalk(last_sortie, settings, {.recorder = &recorder}).Run(sorties);
}

int32_t WalkPilotLife(TPilotSorties& sorties, int32_t& last_sortie, const TSettings& settings,
                      int64_t* sorties_read, TLifeTally* tally, const std::function<void()>& alive) {
  const TWalkOutputs outputs{.sorties_read = sorties_read, .tally = tally, .alive = &alive};
  return TWalk(last_sortie, settings, outputs).Run(sorties.From(last_sortie));
}

}  // namespace sky
