// The rank calculation pass over one statistics database.
//
// Award evaluation lives above the engine; the pass receives it as a
// TAwardEvaluator so that the engine does not depend on the awards library.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "db/session.h"
#include "engine/career_store.h"
#include "engine/history_check.h"
#include "engine/pass_progress.h"
#include "engine/life_tally.h"
#include "engine/pass_stop.h"
#include "engine/pilot_sorties.h"
#include "engine/write_observer.h"
#include "engine/sortie.h"
#include "settings/settings.h"
#include "xml/xml_document.h"

namespace sky {

struct TAwardResult {
  int32_t Awards = 0;
  bool WriteIfChanged = true;
};

// The pilot as his awards are evaluated, in the order the evaluation takes
// its inputs.
struct TPilotState {
  int32_t PilotId = 0;
  int32_t StartSortie = 0;   // the sortie of his last death; the walk starts here
  int32_t Rank = 0;          // the rank reached
  int32_t Army = 0;
  int32_t StoredAwards = 0;  // the mask as stored
};

// Evaluates one pilot's awards on the pass's session with the pass's awards
// document: (session, the pilot's sorties, the pilot, settings, awards document).
using TAwardEvaluator = std::function<TAwardResult(TdmMySQL&, TPilotSorties&, const TPilotState&,
                                                   const TSettings&, const TXmlDocument&)>;

// What a pass over one database came to.
struct TDatabasePass {
  bool Reached = false;     // the session opened (LastCalcTime is set then)
  bool Enumerated = false;  // at least one pilot was enumerated
  int32_t PilotsExamined = 0;
  int32_t RowsWritten = 0;  // pilot rows given a new rank, last death or awards
  int64_t SortiesRead = 0;  // sorties the rank walks read
  int64_t Errors = 0;       // pilots left by an error, and an error that ended the pass
  // An error ended the pass early: the pilot columns could not be checked,
  // the awards file could not be read, or the pilot loop broke off.
  bool Failed = false;
  bool Stopped = false;     // a stop request ended it before the last pilot
  // With kept career totals: whether the pass could use them, and why.
  bool KeptTotals = false;
  THistoryVerdict HistoryVerdict = THistoryVerdict::kFirst;
  // Pilots whose totals before their last death were read from the table,
  // and whether one statement streamed the table for them.
  int32_t TotalsRead = 0;
  bool TotalsStreamed = false;
};

// What a pass over one database is given beside the settings and the entry;
// every member may stay empty.
struct TPassOptions {
  // Evaluates each pilot's awards; empty leaves every pilot's awards as stored.
  TAwardEvaluator evaluate_awards;
  // Once requested, ends the pass before the next pilot, with the level-0
  // line kStoppedHeading ("<done> of <all> pilots").
  const TPassStop* stop = nullptr;
  // Where the pass publishes its figures after each pilot (engine/pass_progress.h).
  TPassCounters* progress = nullptr;
  // Told of every rank or awards write that took (engine/write_observer.h).
  TWriteObserver* observer = nullptr;
  // The totals of each pilot's sorties before his last death are taken from
  // there and kept there for the next pass, as far as the checks of
  // engine/history_check.h allow; without it they are read in full.
  TCareerStore* kept = nullptr;
  // Called wherever the pass makes progress: between pilots, after each
  // pause between sorties, and while its last writes are waited for. The
  // service keeps its watchdog fed through it.
  std::function<void()> alive;
};

// Opens a session for the entry and runs the pass. Errors outside the
// per-pilot loop propagate.
TDatabasePass CalculateDatabase(const TSettings& settings, const TServerEntry& entry, const TPassOptions& options);
// The same with an evaluator and a stop only.
TDatabasePass CalculateDatabase(const TSettings& settings, const TServerEntry& entry,
                                const TAwardEvaluator& evaluate_awards, const TPassStop* stop = nullptr);
// The pass on an open session, reading the sorties in batches of pilots
// (engine/sortie_batch.h). Returns the number of pilots enumerated.
int32_t EnumeratePilots(TdmMySQL& session, const TSettings& settings,
                        const TAwardEvaluator& evaluate_awards, const TPassStop* stop = nullptr);

bool UpdateRealRank(TdmMySQL& session, int32_t pilot_id, int32_t last_sortie, int32_t rank);
bool UpdateAwards(TdmMySQL& session, int32_t pilot_id, int32_t awards);

}  // namespace sky
