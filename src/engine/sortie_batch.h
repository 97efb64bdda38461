// The sorties of many pilots read with few statements.
//
// A pass asks every pilot for the same two things: his rows from the stored
// last death on, and the totals of his sorties before a later death. Asking
// per pilot costs three statements a pilot, and the totals re-read his whole
// career each time. The batch instead
//  - reads, once per pass, the counts and sums of every pilot's sorties before
//    his stored last death with one streamed statement over narrow rows;
//  - fetches the rows of a run of pilots (in the pass's order) with one
//    statement, and serves each pilot's walks from them;
//  - gives the totals before any later sortie as the earlier totals plus the
//    fetched rows below it, summed as the totals statement sums them (a row
//    whose ground columns hold a NULL adds nothing to the ground sum).
// The rows and totals are the ones the per-pilot statements give while the
// database does not change under the pass; on a database in use, each is as
// current as the statement that read it.
//
// Failures: a failed earlier-totals read is not reported by itself; every
// pilot's totals are then asked for with the per-pilot statement (which logs
// its own failure). A failed fetch is raised at the first From() of a pilot of
// that run, so that the pass fails at the pilot where it would have failed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <optional>
#include <unordered_map>
#include <vector>

#include "db/session.h"
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

  // Sends nothing when no pilot has a last death yet. Deaths are counted
  // with the settings' list of ends that kill.
  void ReadEarlierTotals(const std::vector<TPilotStart>& pilots, const TSettings& settings);

  // Replaces the fetched rows with those of `pilots`.
  void Fetch(const std::vector<TPilotStart>& pilots);
  bool Fetched(int32_t pilot_id) const { return ranges_.count(pilot_id) != 0; }
  std::size_t FetchedRows() const { return rows_.RowCount(); }

  struct TSums {
    int64_t count = 0, air = 0, grounds = 0, deaths = 0;
  };

  // One pilot of the last Fetch; valid while the batch keeps those rows.
  class TPilot final : public TPilotSorties {
   public:
    TPilot(TSortieBatch& batch, TPilotStart start) : batch_(batch), start_(start) {}
    int32_t PilotId() const override { return start_.PilotId; }
    TQuery& From(int32_t first_id) override;
    void TotalsBefore(int32_t upper_id, TPilotTotals& totals) override;
    std::optional<TCareerSums> CareerBefore() const override;

   private:
    void AddFetchedRows(int32_t upper_id, TSums& sums);
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
  bool earlier_read_ = false;                    // earlier_ holds every pilot's sums
  std::unordered_map<int32_t, TSums> earlier_;   // pilots with a last death only
};

}  // namespace sky
