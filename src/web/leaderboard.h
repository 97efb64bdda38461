// The leaderboard: the kept results of a database's pilots (engine/
// pilot_results.h) ordered, searched and cut into pages.
//
// The board is the pilots of one army, or of both, in the chosen order with
// ties broken by pilot id; each pilot's position is his place on that board
// (1 for the first). A search (part of a callsign, without regard to the case
// of Latin and Cyrillic letters) picks pilots from the board without changing
// their positions; the pages are cut from what it picked. Everything read
// from the request falls back to its default when it is missing, unknown or
// not a number in range.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/mutex.h"
#include "engine/pilot_results.h"

namespace sky {

enum class TBoardSort { kRank, kCallsign, kAirKills, kGroundKills, kSorties, kLife, kLastSortie };

struct TBoardQuery {
  TBoardSort sort = TBoardSort::kRank;
  bool descending = true;  // the sort's own default unless `order` says otherwise
  int32_t army = 0;        // 1 or 2; 0 for both
  std::string search;      // folded (FoldCase); empty for every pilot
  int64_t page = 1;
  int64_t size = 50;
  std::string me;          // a callsign, folded: the page that holds him, his row marked
};

inline constexpr int64_t kBoardPageSize = 50;
inline constexpr int64_t kBoardMaxPageSize = 500;

// From the request's "name=value" lines: sort (rank, callsign, air, ground,
// sorties, life, last), order (asc, desc), army, q, page, size, me. Texts
// are taken as the request's bytes, UTF-8.
TBoardQuery ParseBoardQuery(const std::vector<std::string>& params);

struct TBoardRow {
  int64_t position = 0;
  const TPilotResult* pilot = nullptr;
  bool me = false;
};

struct TBoardPage {
  std::vector<TBoardRow> rows;
  int64_t matching = 0;  // pilots the search picked
  int64_t page = 1;      // the page given: past the last one, the last one
  int64_t pages = 1;     // at least 1, also when nothing matched
  int64_t size = kBoardPageSize;
};

// The orders of the boards asked for lately, each kept for the set of
// results it was made from (and given up with them), so that the requests
// between two passes sort nothing. The server owns one; safe to use from any
// number of threads.
class TBoardOrders {
 public:
  using TOrder = std::vector<const TPilotResult*>;

  std::shared_ptr<const TOrder> Order(const std::shared_ptr<const TPilotResults>& results, const TBoardQuery& query)
      SKY_EXCLUDES(lock_);

 private:
  // A kept order does not keep its results alive: once a pass has replaced
  // them and the last request using them has ended, it is given up.
  struct TKeptOrder {
    std::weak_ptr<const TPilotResults> results;
    TBoardSort sort;
    bool descending;
    int32_t army;
    std::shared_ptr<const TOrder> order;
  };
  static constexpr std::size_t kKeptOrders = 16;

  TMutex lock_;
  std::vector<TKeptOrder> orders_ SKY_GUARDED_BY(lock_);  // the most recently used last
};

// The rows point into `results`, which the caller holds while it uses them.
TBoardPage SelectBoard(TBoardOrders& orders, const std::shared_ptr<const TPilotResults>& results,
                       const TBoardQuery& query);

// The name of a sort as the request gives it, for links and documents.
std::string_view BoardSortName(TBoardSort sort);

}  // namespace sky
