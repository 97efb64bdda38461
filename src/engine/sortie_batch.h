// The sorties of many pilots read with few statements.
//
// A pass asks every pilot for the same two things: his rows from the stored
// last death on, and the totals of his sorties before a later death. Asking
// per pilot costs three statements a pilot, and the totals re-read his whole
// career each time. The batch instead
//  - takes the counts and sums of every pilot's sorties before his stored
//    last death from the totals kept between passes (engine/career_store.h)
//    where they are kept for that last death, and reads the others: a few
//    pilots with statements over their own rows, many (the first pass, after
//    a change of the table) with one streamed statement over narrow rows;
//  - fetches the rows of a run of pilots (in the pass's order) with one
//    statement, and serves each pilot's walks from them;
//  - gives the totals before any later sortie as the earlier totals plus the
//    fetched rows below it, summed as the totals statement sums them (a row
//    whose ground columns hold a NULL adds nothing to the ground sum).
// The rows and totals are the ones the per-pilot statements give while the
// database does not change under the pass; on a database in use, each is as
// current as the statement that read it.
//
// Failures: a failed earlier-totals read is logged at the tracing level 10
// only; the totals of the pilots it was to read are then asked for with the
// per-pilot statement (which logs its own failure). A failed fetch is logged
// the same way and FetchFailed() says so: the pass then reads that run's
// pilots with their own statements, so that a real fault surfaces at the
// pilot, and with the text, of the per-pilot way, while a limit of the
// batched statement's own (its length, a long read dropped) costs only
// speed. A From() of a pilot of a failed run raises the fetch's error.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <optional>
#include <unordered_map>
#include <vector>

#include "db/query.h"
#include "db/session.h"
#include "engine/career_store.h"
#include "engine/pilot_sorties.h"
#include "engine/sortie.h"

namespace sky {

// A pilot as the pass starts him: his id and stored last death.
struct TPilotStart {
  int32_t PilotId = 0;
  int32_t LastSortie = 0;
};

class TSortieBatch {
 public:
  explicit TSortieBatch(TdmMySQL& session) : session_(session), rows_(session) {}
  TSortieBatch(const TSortieBatch&) = delete;
  TSortieBatch& operator=(const TSortieBatch&) = delete;

  // Sends nothing when no pilot has a last death yet, or when `kept` holds
  // the totals of every one. Deaths are counted with the settings' list of
  // ends that kill. With `kept`, what was read is kept there too, and the
  // pass's pilots replace what it held.
  void ReadEarlierTotals(const std::vector<TPilotStart>& pilots, const TSettings& settings,
                         TCareerStore* kept = nullptr);

  // Pilots whose earlier totals the last ReadEarlierTotals read from the
  // table, and whether it streamed the table for them.
  std::size_t EarlierRead() const { return earlier_read_; }
  bool EarlierStreamed() const { return earlier_streamed_; }

  // Replaces the fetched rows with those of `pilots`.
  void Fetch(const std::vector<TPilotStart>& pilots);
  bool Fetched(int32_t pilot_id) const { return ranges_.count(pilot_id) != 0; }
  bool FetchFailed() const { return fetch_error_ != nullptr; }
  std::size_t FetchedRows() const { return rows_.RowCount(); }

  using TSums = TEarlierSums;

  // One pilot of the last Fetch; valid while the batch keeps those rows.
  class TPilot final : public TPilotSorties {
   public:
    TPilot(TSortieBatch& batch, TPilotStart start) : batch_(batch), start_(start) {}
    int32_t PilotId() const override { return start_.PilotId; }
    TQuery& From(int32_t first_id) override;
    void TotalsBefore(int32_t upper_id, TPilotTotals& totals) override;
    std::optional<TCareerSums> CareerBefore(int32_t stored_last, const TSettings& settings) override;
    // The sums of his sorties below `upper_id` (at or above his stored last
    // death), deaths included; nullopt when the batch cannot give them.
    std::optional<TEarlierSums> SumsBefore(int32_t upper_id, const TSettings& settings);

   private:
    bool EarlierKnown() const;
    void AddFetchedRows(int32_t upper_id, TSums& sums, const TSettings* settings = nullptr);
    TSortieBatch& batch_;
    TPilotStart start_;
  };

 private:
  struct TRange {
    std::size_t begin = 0, end = 0;
  };
  TdmMySQL& session_;
  TQuery rows_;
  std::vector<int64_t> row_ids_;
  std::unordered_map<int32_t, TRange> ranges_;
  std::exception_ptr fetch_error_;
  // The pilots with a last death whose earlier sums are known; the others
  // ask with their own statements.
  std::unordered_map<int32_t, TSums> earlier_;
  std::size_t earlier_read_ = 0;
  bool earlier_streamed_ = false;
};

}  // namespace sky
