#include "engine/rank_pass.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

#include <fmt/format.h>

#include "base/log.h"
#include "base/systemd_notify.h"
#include "db/db_error.h"
#include "db/query.h"
#include "engine/career_store.h"
#include "engine/connected_session.h"
#include "engine/kill_arithmetic.h"
#include "engine/pass_reads.h"
#include "engine/pilot_results.h"
#include "engine/pilot_sortie_statements.h"
#include "engine/pilot_table.h"
#include "engine/pilot_writer.h"
#include "engine/query_closer.h"
#include "engine/rank_scale.h"
#include "engine/sortie_batch.h"
#include "engine/sortie_index_check.h"
#include "engine/sortie_walk.h"
#include "engine/write_observer.h"
#include "settings/settings_store.h"

namespace sky {

namespace {

int32_t IntField(const TQuery& row, std::string_view name) {
  return static_cast<int32_t>(row.FieldByName(name).AsInteger());
}

// Loads the awards definitions; false (after the level-0 line) when they
// cannot be had, in which case no pilot is processed.
bool LoadAwardsDocument(const TSettings& settings, TXmlDocument& awards) {
  try {
    if (!awards.LoadFile(settings.AwardsFile)) {
      WriteLog(0, "Awards setting file has NOT been loaded", settings.AwardsFile);
      return false;
    }
  } catch (const std::exception& e) {
    WriteLog(0, "Error loading awards settings file: " + settings.AwardsFile, e.what());
    return false;
  }
  WriteLog(10, "Awards setting file has been loaded", settings.AwardsFile);
  return true;
}

// The pilot's entry in the pass's kept results, filled as his row is
// calculated and added when his calculation ends (a pilot whose rows raised
// an error is left out): the pages show what is stored for him. It holds the
// values as the pass found them; a write changes them once it committed
// (TSettledWrites).
class TKeptResult {
 public:
  TKeptResult(TPilotResults* results, const TQuery& pilot, TPilotSorties& sorties,
              const TLifeTally& tally, const TSettings& settings)
      : results_(results), tally_(tally), settings_(settings) {
    if (results_ == nullptr) return;
    result_.Id = IntField(pilot, "id");
    result_.Callsign = pilot.FieldByName("callsign").AsString();
    result_.Army = IntField(pilot, "ArmyID");
    result_.Rank = IntField(pilot, "realrank");
    result_.Awards = IntField(pilot, "awards");
    career_ = sorties.CareerBefore(IntField(pilot, "lastsortie"), settings);
  }
  TKeptResult(const TKeptResult&) = delete;
  TKeptResult& operator=(const TKeptResult&) = delete;
  void Add() {
    if (results_ == nullptr) return;
    result_.RankName = RankName(result_.Rank, settings_);
    result_.LifeSorties = tally_.LifeSorties;
    result_.LifeCombatSorties = tally_.Life.CombatCount;
    result_.LifeAirKills = WeightedAirKills(settings_, AirPart(tally_.Life.Kills));
    result_.LifeGroundKills = GroundWeightSum(settings_, GroundPart(tally_.Life.Kills));
    TCareerSums career = career_.value_or(TCareerSums{});
    result_.CareerKnown = career_.has_value();
    career.Sorties += tally_.Walked.Sorties;
    career.Deaths += tally_.Walked.Deaths;
    career.Air += tally_.Walked.Air;
    career.Grounds += tally_.Walked.Grounds;
    result_.CareerSorties = static_cast<int32_t>(career.Sorties);
    result_.CareerDeaths = static_cast<int32_t>(career.Deaths);
    result_.CareerAirKills = career.Air;
    result_.CareerGroundKills = career.Grounds;
    if (tally_.LastEnd != 0) result_.LastSortie = FormatIsoDateTime(tally_.LastEnd);
    results_->push_back(std::move(result_));
  }

 private:
  TPilotResults* results_;
  const TLifeTally& tally_;
  const TSettings& settings_;
  TPilotResult result_;
  std::optional<TCareerSums> career_;
};

// Told of a pilot's new last death when its write is handed to the writer:
// the career totals kept between passes move forward with it once the write
// commits (engine/career_store.h).
using TLastDeathWritten = std::function<void(int32_t last_death)>;

// Pilots fetched together: enough rows to save round trips, few enough to
// keep the pass's memory small whatever a pilot's career length.
constexpr std::size_t kBatchRows = 8000;
constexpr std::size_t kBatchPilotsMin = 16;
constexpr std::size_t kBatchPilotsMax = 1000;

// Every pilot row's id and stored last death, by row; a row whose values do
// not read stays empty and fails in its turn, as it would without batches.
std::vector<std::optional<TPilotStart>> ReadPilotStarts(TQuery& pilots) {
  std::vector<std::optional<TPilotStart>> starts;
  starts.reserve(pilots.RowCount());
  for (pilots.First(); !pilots.Eof(); pilots.Next()) {
    try {
      starts.push_back(TPilotStart{IntField(pilots, "id"), IntField(pilots, "lastsortie")});
    } catch (const std::exception&) {
      starts.emplace_back();
    }
  }
  pilots.First();
  return starts;
}

// Plans and fetches the batches as the pilot loop reaches them.
class TBatchPlan {
 public:
  TBatchPlan(TdmMySQL& session, std::vector<std::optional<TPilotStart>> starts,
             bool with_totals, const TSettings& settings, TCareerStore* kept)
      : batch_(session), starts_(std::move(starts)) {
    // A pilot id on two rows of the pilots table would have his sorties
    // fetched twice into one run, and each walked twice: such pilots read
    // their rows with their own statements.
    std::unordered_map<int32_t, int> rows_of_id;
    for (const auto& start : starts_) {
      if (start) ++rows_of_id[start->PilotId];
    }
    for (auto& start : starts_) {
      if (start && rows_of_id[start->PilotId] > 1) start.reset();
    }
    if (with_totals) {
      std::vector<TPilotStart> all;
      for (const auto& start : starts_) {
        if (start) all.push_back(*start);
      }
      batch_.ReadEarlierTotals(all, settings, kept);
    }
  }

  // The batch pilot for pilot row `row`, fetching the next run first when
  // the row is past the current one; nullopt for a row without a start or
  // of a run whose fetch failed, which its own statements read.
  std::optional<TSortieBatch::TPilot> Pilot(std::size_t row) {
    if (row >= starts_.size() || !starts_[row]) return std::nullopt;
    if (row >= run_end_ || row < run_begin_) FetchFrom(row);
    if (batch_.FetchFailed()) return std::nullopt;
    return TSortieBatch::TPilot(batch_, *starts_[row]);
  }

  // The next pilot starts a new run.
  void Refetch() { run_end_ = 0; }

  const TSortieBatch& Batch() const { return batch_; }

 private:
  void FetchFrom(std::size_t row) {
    std::vector<TPilotStart> run;
    std::size_t end = row;
    while (end < starts_.size() && run.size() < run_pilots_) {
      if (starts_[end]) run.push_back(*starts_[end]);
      ++end;
    }
    batch_.Fetch(run);
    run_begin_ = row;
    run_end_ = end;
    // Size the next run after the rows per pilot seen so far.
    fetched_rows_ += batch_.FetchedRows();
    fetched_pilots_ += run.size();
    const std::size_t per_pilot = std::max<std::size_t>(1, fetched_rows_ / std::max<std::size_t>(1, fetched_pilots_));
    run_pilots_ = std::clamp(kBatchRows / per_pilot, kBatchPilotsMin, kBatchPilotsMax);
  }

  TSortieBatch batch_;
  std::vector<std::optional<TPilotStart>> starts_;
  // Rows [run_begin_, run_end_) of the pilot query are fetched.
  std::size_t run_begin_ = 0;
  std::size_t run_end_ = 0;
  std::size_t run_pilots_ = kBatchPilotsMin;
  std::size_t fetched_rows_ = 0;
  std::size_t fetched_pilots_ = 0;
};

}  // namespace

bool UpdateRealRank(TdmMySQL& session, int32_t pilot_id, int32_t last_sortie, int32_t rank) {
  try {
    session.SQLQueryUpdate.ExecSQL(fmt::format("update pilots set {} = {}, {} = {} where id = {}", "realrank",
                                    rank, "lastsortie", last_sortie, pilot_id));
    return true;
  } catch (const std::exception& e) {
    WriteLog(0, "ERROR updating realrank field:", e.what());
    return false;
  }
}

bool UpdateAwards(TdmMySQL& session, int32_t pilot_id, int32_t awards) {
  try {
    session.SQLQueryUpdate.ExecSQL(
               fmt::format("update pilots set {} = {} where id = {}", "awards", awards, pilot_id));
    return true;
  } catch (const std::exception& e) {
    WriteLog(0, "ERROR updating awards:", e.what());
    return false;
  }
}

namespace {

// The pass's figures for the readers of its progress: relaxed stores once
// per pilot, nothing per sortie.
void Publish(const TDatabasePass& pass, TPassCounters* progress) {
  if (progress == nullptr) return;
  progress->pilots_done.store(pass.PilotsExamined, std::memory_order_relaxed);
  progress->sorties_read.store(pass.SortiesRead, std::memory_order_relaxed);
  progress->rows_written.store(pass.RowsWritten, std::memory_order_relaxed);
  progress->errors.store(pass.Errors, std::memory_order_relaxed);
}

// What the pass's writes came to, as the writer hands them back: only a
// committed write counts in RowsWritten and changes what the kept results
// show as stored; a pilot whose write failed counts once in Errors; a pilot
// whose writes were dropped (by a stop, or with a lost connection) is left
// to the next pass. The observer hears of committed writes only.
class TSettledWrites {
 public:
  TSettledWrites(std::size_t rows, TDatabasePass& pass, TPilotResults* results, const TSettings& settings,
                 TWriteObserver* observer, TCareerStore* kept)
      : rows_(rows), pass_(pass), results_(results), settings_(settings), observer_(observer), kept_(kept) {}

  // The totals before the new last death of the pilot of `row`, kept once
  // the rank write that stores that death commits; never when it does not.
  void KeepOnCommit(std::size_t row, int32_t pilot_id, int32_t last_death, const TEarlierSums& sums) {
    rows_.at(row).keep = TKeep{pilot_id, last_death, sums};
  }

  // The pilot of `row` went into the kept results at `index`.
  void Kept(std::size_t row, std::size_t index) { rows_.at(row).kept = static_cast<std::ptrdiff_t>(index); }

  // The pilot of `row` as the pass found him, for the observer. A value that
  // does not read is left out here: his calculation meets it and reports it.
  void Found(const TQuery& pilot) {
    if (observer_ == nullptr) return;
    TRow& row = rows_.at(pilot.RowIndex());
    try {
      row.found = TWrittenValue{.PilotId = IntField(pilot, "id"),
                                .Callsign = pilot.FieldByName("callsign").AsString(),
                                .Army = IntField(pilot, "ArmyID")};
      row.stored_rank = IntField(pilot, "realrank");
      row.stored_awards = IntField(pilot, "awards");
    } catch (const TDbValueError&) {
      row.found.reset();
    }
  }

  // After the writes settled at once: the observer may keep them now.
  void Told() {
    if (observer_ != nullptr && std::exchange(told_, false)) observer_->CommitTold();
  }

  TPilotWriter::TSettle Bind() {
    return [this](const TPilotWrite& write) { Settle(write); };
  }

  // Pilots whose writes were dropped.
  int32_t Dropped() const { return dropped_; }

 private:
  struct TKeep {
    int32_t pilot_id;
    int32_t last_death;
    TEarlierSums sums;
  };
  struct TRow {
    std::ptrdiff_t kept = -1;
    bool written = false;
    bool failed = false;
    bool dropped = false;
    std::optional<TWrittenValue> found;
    int32_t stored_rank = 0;
    int32_t stored_awards = 0;
    std::optional<TKeep> keep;
  };

  void Tell(const TRow& row, const TPilotWrite& write) {
    if (observer_ == nullptr || !row.found) return;
    TWrittenValue value = *row.found;
    if (write.Kind == TPilotWrite::TKind::kRank) {
      // A write that only moves the last death promotes nobody.
      if (write.Value <= row.stored_rank) return;
      value.Before = row.stored_rank;
      value.After = write.Value;
      observer_->RankWritten(value);
    } else {
      if (write.Value == row.stored_awards) return;
      value.Before = row.stored_awards;
      value.After = write.Value;
      observer_->AwardsWritten(value);
    }
    told_ = true;
  }

  void Settle(const TPilotWrite& write) {
    TRow& row = rows_.at(write.Row);
    if (write.Outcome == TPilotWrite::TOutcome::kDropped) {
      if (!std::exchange(row.dropped, true)) ++dropped_;
      return;
    }
    if (write.Outcome != TPilotWrite::TOutcome::kCommitted) {
      if (!std::exchange(row.failed, true)) ++pass_.Errors;
      return;
    }
    if (!std::exchange(row.written, true)) ++pass_.RowsWritten;
    if (write.Kind == TPilotWrite::TKind::kRank && row.keep && row.keep->last_death == write.LastSortie) {
      if (kept_ != nullptr) kept_->Keep(row.keep->pilot_id, row.keep->last_death, row.keep->sums);
      row.keep.reset();
    }
    Tell(row, write);
    if (results_ == nullptr || row.kept < 0) return;
    TPilotResult& kept = (*results_)[static_cast<std::size_t>(row.kept)];
    if (write.Kind == TPilotWrite::TKind::kRank) {
      kept.Rank = write.Value;
      kept.RankName = RankName(write.Value, settings_);
    } else {
      kept.Awards = write.Value;
    }
  }

  std::vector<TRow> rows_;
  TDatabasePass& pass_;
  TPilotResults* results_;
  const TSettings& settings_;
  TWriteObserver* observer_;
  TCareerStore* kept_;
  bool told_ = false;
  int32_t dropped_ = 0;
};

// Published when the pilot is done, however he ends.
struct TPilotDone {
  const TDatabasePass& pass;
  TPassCounters* progress;
  ~TPilotDone() { Publish(pass, progress); }
};

// How a pass reads the sorties and where it writes, beside what its caller
// gave: with `writers` the writes go through connections of their own to
// that entry (engine/pilot_writer.h), otherwise through the session; with
// `results` every pilot's results are kept there.
struct TPassWays {
  TPassReads reads = TPassReads::kBatched;
  const TServerEntry* writers = nullptr;
  TPilotResults* results = nullptr;
};

// The pass on an open session; fills the pass's figures and flags.
class TPilotPass {
 public:
  TPilotPass(TDatabasePass& pass, TdmMySQL& session, const TSettings& settings, TPassOptions options,
             const TPassWays& ways)
      : pass_(pass), session_(session), settings_(settings), options_(std::move(options)), ways_(ways),
        kept_(options_.kept) {}
  TPilotPass(const TPilotPass&) = delete;
  TPilotPass& operator=(const TPilotPass&) = delete;

  void Run() {
    WarnWhenSortiesLackPilotIndex(session_);
    FixNullRanks(session_);

    if (!LoadAwardsDocument(settings_, awards_)) {
      pass_.Failed = true;
      ++pass_.Errors;
      Publish(pass_, options_.progress);
      return;
    }

    TQuery& pilots = session_.SQLQueryPilots;
    TQueryCloser closer(pilots);
    pilots.Close();
    pilots.Open();
    if (options_.progress != nullptr) {
      options_.progress->pilots_total.store(pilots.RowCount(), std::memory_order_relaxed);
    }

    // Debug writes nothing, so it opens no connection for writing.
    const std::unique_ptr<TPilotWriter> writer =
        ways_.writers != nullptr && !settings_.Debug && !pilots.IsEmpty()
            ? std::make_unique<TPilotWriter>(session_, *ways_.writers)
            : std::make_unique<TPilotWriter>(session_);
    writer_ = writer.get();
    TSettledWrites settled(pilots.RowCount(), pass_, ways_.results, settings_, options_.observer, options_.kept);
    const TPilotWriter::TSettle settle = settled.Bind();
    try {
      Loop(pilots, settled, settle);
    } catch (const std::exception& e) {
      // The rest of this database waits for the next cycle; pilots already
      // done keep what was written for them.
      Fail(e.what());
    } catch (...) {
      Fail("unknown error");
    }
    Finish(pilots, settled, settle);
  }

 private:
  void Fail(const char* what) {
    WriteLog(0, "ERROR Enumeration pilots:", what);
    pass_.Failed = true;
    ++pass_.Errors;
  }

  // Every pilot row in turn until the last or a stop; raises what ends the loop.
  void Loop(TQuery& pilots, TSettledWrites& settled, const TPilotWriter::TSettle& settle) {
    std::optional<TBatchPlan> plan;
    const bool with_totals = static_cast<bool>(options_.evaluate_awards) || ways_.results != nullptr;
    // Only the batched way keeps career totals; the other reads each pilot's
    // with his own statement, and what is kept waits for the next batched pass.
    if (ways_.reads != TPassReads::kBatched || !with_totals) kept_ = nullptr;
    if (kept_ != nullptr) {
      pass_.KeptTotals = kept_->Prepare(session_, settings_, awards_, THistoryClock::now());
      pass_.HistoryVerdict = kept_->LastVerdict();
    }
    if (ways_.reads == TPassReads::kBatched) {
      plan.emplace(session_, ReadPilotStarts(pilots), with_totals, settings_, kept_);
      pass_.TotalsRead = static_cast<int32_t>(plan->Batch().EarlierRead());
      pass_.TotalsStreamed = plan->Batch().EarlierStreamed();
    }
    for (; !pilots.Eof(); pilots.Next()) {
      if (options_.stop != nullptr && options_.stop->Requested()) {
        pass_.Stopped = true;
        break;
      }
      ++pass_.PilotsExamined;
      if (options_.alive) options_.alive();
      const TPilotDone done{pass_, options_.progress};
      OnePilot(pilots, plan ? &*plan : nullptr, settled);
      writer_->Collect(settle);
      settled.Told();
    }
  }

  // The pilot row `pilots` stands on, read from his batch when `plan` has him.
  void OnePilot(const TQuery& pilots, TBatchPlan* plan, TSettledWrites& settled) {
    const std::size_t row = pilots.RowIndex();
    TPilotResults* results = ways_.results;
    const std::size_t kept_before = results != nullptr ? results->size() : 0;
    try {
      settled.Found(pilots);
      std::optional<TSortieBatch::TPilot> batched = plan != nullptr ? plan->Pilot(row) : std::nullopt;
      if (batched) {
        // His totals before a new last death are taken now, while the run
        // holds his rows, and kept once the write of that death commits.
        const TLastDeathWritten keep = [&](int32_t last_death) {
          if (kept_ == nullptr) return;
          if (std::optional<TEarlierSums> sums = batched->SumsBefore(last_death, settings_)) {
            settled.KeepOnCommit(row, batched->PilotId(), last_death, *sums);
          }
        };
        // A failed write on the session: the next pilot's rows are read
        // anew, as his own statement would have read them after the failure.
        if (!CalculatePilot(*batched, pilots, &keep)) plan->Refetch();
      } else {
        TPilotSortieStatements statements(session_, IntField(pilots, "id"));
        CalculatePilot(statements, pilots);
      }
      if (results != nullptr && results->size() > kept_before) settled.Kept(row, kept_before);
    } catch (const TDbValueError& e) {
      // A value of this pilot's rows that cannot be read is his alone: he
      // waits until it is mended, the pilots after him are still
      // calculated. Any other error ends the loop.
      WriteLog(0, "ERROR Enumeration pilots:", e.what());
      ++pass_.Errors;
    }
  }

  // One pilot row: the walk, the rank write-back, the awards and their write-back.
  // False when a write-back on the pass's own session failed (and was logged).
  // The sorties his walk read count in the pass's SortiesRead; what his writes
  // came to is settled from the writer.
  bool CalculatePilot(TPilotSorties& sorties, const TQuery& pilot,
                      const TLastDeathWritten* last_death_written = nullptr) {
    const std::size_t row = pilot.RowIndex();
    const int32_t pilot_id = IntField(pilot, "id");
    int32_t last_sortie = IntField(pilot, "lastsortie");
    const int32_t army = IntField(pilot, "ArmyID");
    const int32_t stored_awards = IntField(pilot, "awards");

    WriteLog(2, "", "");
    WriteLog(2, " === Расчет пилота ===", pilot.FieldByName("callsign").AsString());

    TLifeTally tally;
    TPilotResults* results = ways_.results;
    const int32_t reached = WalkPilotLife(sorties, last_sortie, settings_, &pass_.SortiesRead,
                                          results != nullptr ? &tally : nullptr, options_.alive);
    bool written = true;
    TKeptResult kept(results, pilot, sorties, tally, settings_);

    if (!settings_.Debug) {
      const int32_t stored_rank = IntField(pilot, "realrank");
      const int32_t stored_last = IntField(pilot, "lastsortie");
      // The stored rank never goes down and the last death never moves back.
      if (reached > stored_rank || stored_last < last_sortie) {
        written = writer_->Write({.Kind = TPilotWrite::TKind::kRank, .Row = row, .PilotId = pilot_id,
                                  .Value = std::max(reached, stored_rank), .LastSortie = last_sortie});
        if (written && stored_last < last_sortie && last_death_written != nullptr) {
          (*last_death_written)(last_sortie);
        }
      }
    }

    if (!options_.evaluate_awards) {
      kept.Add();
      return written;
    }
    // After a failed write on the pass's own session the session may be gone;
    // from then on the pilot's rows are asked of the server, so that the pass
    // meets the failure where it would have without batches.
    TPilotSortieStatements own_statements(session_, pilot_id);
    TPilotSorties& award_sorties = written ? sorties : own_statements;
    const TPilotState state{pilot_id, last_sortie, reached, army, stored_awards};
    const TAwardResult result = options_.evaluate_awards(session_, award_sorties, state, settings_, awards_);
    if (!settings_.Debug) {
      const bool write = result.WriteIfChanged ? result.Awards != stored_awards
                                               : result.Awards > stored_awards;
      if (write) {
        written = writer_->Write({.Kind = TPilotWrite::TKind::kAwards, .Row = row, .PilotId = pilot_id,
                                  .Value = result.Awards});
      }
    }
    kept.Add();
    return written;
  }

  // The pass ends when its writes are sent. A writing connection lost after
  // the last pilot ends it as one lost among the pilots does.
  void Finish(const TQuery& pilots, TSettledWrites& settled, const TPilotWriter::TSettle& settle) {
    const TPassStop* stop = options_.stop;
    try {
      writer_->Finish(settle, stop, options_.alive);
    } catch (const std::exception& e) {
      if (!pass_.Failed) Fail(e.what());
    }
    settled.Told();
    // A stop that came while the writes were sent ends the pass as one between
    // pilots does; the pilots it came to are those whose writes were not dropped.
    if (pass_.Stopped || (!pass_.Failed && settled.Dropped() > 0 && stop != nullptr && stop->Requested())) {
      pass_.Stopped = true;
      WriteLog(0, kStoppedHeading,
               fmt::format("{} of {} pilots", pass_.PilotsExamined - settled.Dropped(), pilots.RowCount()));
    }
    Publish(pass_, options_.progress);
  }

  TDatabasePass& pass_;
  TdmMySQL& session_;
  const TSettings& settings_;
  const TPassOptions options_;
  const TPassWays ways_;
  TCareerStore* kept_;  // options_.kept while the pass keeps career totals
  TXmlDocument awards_;
  TPilotWriter* writer_ = nullptr;  // Run's, while it runs
};

}  // namespace

int32_t EnumeratePilots(TdmMySQL& session, const TSettings& settings,
                        const TAwardEvaluator& evaluate_awards, TPassReads reads, const TPassStop* stop) {
  TDatabasePass pass;
  TPilotPass(pass, session, settings, {.evaluate_awards = evaluate_awards, .stop = stop}, {.reads = reads}).Run();
  return pass.PilotsExamined;
}

int32_t EnumeratePilots(TdmMySQL& session, const TServerEntry& writers, const TSettings& settings,
                        const TAwardEvaluator& evaluate_awards, const TPassStop* stop) {
  TDatabasePass pass;
  TPilotPass(pass, session, settings, {.evaluate_awards = evaluate_awards, .stop = stop},
             {.reads = TPassReads::kBatched, .writers = &writers})
      .Run();
  return pass.PilotsExamined;
}

int32_t EnumeratePilots(TdmMySQL& session, const TSettings& settings,
                        const TAwardEvaluator& evaluate_awards, const TPassStop* stop) {
  return EnumeratePilots(session, settings, evaluate_awards, TPassReads::kBatched, stop);
}

TDatabasePass CalculateDatabase(const TSettings& settings, const TServerEntry& entry,
                                const TAwardEvaluator& evaluate_awards, const TPassStop* stop) {
  return CalculateDatabase(settings, entry, TPassOptions{.evaluate_awards = evaluate_awards, .stop = stop});
}

TDatabasePass CalculateDatabase(const TSettings& settings, const TServerEntry& entry, const TPassOptions& options) {
  TDatabasePass pass;
  std::unique_ptr<TdmMySQL> session = ConnectSession(entry);
  if (!session) return pass;
  pass.Reached = true;
  WriteLog(0, "Расчет сервера:", entry.Host);

  // One flag for the whole process: after a successful check no database is
  // examined again until the service starts anew.
  if (!FieldsChecked()) SetFieldsChecked(EnsurePilotFields(*session));

  if (FieldsChecked()) {
    TPilotResults results;
    // With a pause between sorties the administrator asked to spare the
    // server: its load is then spread over the pass, one pilot at a time,
    // each write sent on the pass's session and waited for.
    const bool spread = settings.Sleep > 0;
    const TPassReads reads = spread ? TPassReads::kPerPilotStatements : TPassReads::kBatched;
    TPilotPass(pass, *session, settings, options,
               {.reads = reads, .writers = spread ? nullptr : &entry, .results = &results})
        .Run();
    pass.Enumerated = pass.PilotsExamined > 0;
    // Half a pass would show the pilots it did not reach as gone.
    if (!pass.Failed && !pass.Stopped) PublishPilotResults(entry.Id, std::move(results));
  } else {
    pass.Failed = true;
    ++pass.Errors;
    Publish(pass, options.progress);
  }

  SetLastCalcTime(Now());
  return pass;
}

}  // namespace sky
