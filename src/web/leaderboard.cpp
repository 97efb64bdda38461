#include "web/leaderboard.h"

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

#include "base/encoding.h"
#include "base/text.h"
#include "web/form_fields.h"
#include "http/request_parsing.h"
#include "web/view_params.h"

namespace sky {

namespace {

struct TSortName {
  std::string_view name;
  TBoardSort sort;
  bool descending;  // the sort's default order
};

constexpr std::array<TSortName, 7> kSorts = {{
    {"rank", TBoardSort::kRank, true},
    {"callsign", TBoardSort::kCallsign, false},
    {"air", TBoardSort::kAirKills, true},
    {"ground", TBoardSort::kGroundKills, true},
    {"sorties", TBoardSort::kSorties, true},
    {"life", TBoardSort::kLife, true},
    {"last", TBoardSort::kLastSortie, true},
}};

// A text typed by a pilot, as his browser sent it: URL-encoded, from a page
// in Windows-1251 or in UTF-8.
std::string TypedText(std::string_view raw) {
  std::string text = UrlDecode(raw);
  if (!IsValidUtf8(text)) text = Cp1251ToUtf8(text);
  return FoldCase(TrimText(text));
}

std::optional<int64_t> Number(const std::vector<std::string>& params, std::string_view name) {
  const std::optional<std::string> text = ListValue(params, name);
  return text ? ParseDecimal<int64_t>(TrimText(*text)) : std::nullopt;
}

// -1, 0 or 1 as `a` comes before, with or after `b` in ascending order of the key.
int CompareKey(const TPilotResult& a, const TPilotResult& b, TBoardSort sort) {
  auto three_way = [](const auto& x, const auto& y) { return x < y ? -1 : (y < x ? 1 : 0); };
  switch (sort) {
    case TBoardSort::kRank:
      return three_way(a.Rank, b.Rank);
    case TBoardSort::kCallsign:
      return three_way(a.FoldedCallsign, b.FoldedCallsign);
    case TBoardSort::kAirKills:
      return three_way(a.CareerAirKills, b.CareerAirKills);
    case TBoardSort::kGroundKills:
      return three_way(a.CareerGroundKills, b.CareerGroundKills);
    case TBoardSort::kSorties:
      return three_way(a.CareerSorties, b.CareerSorties);
    case TBoardSort::kLife:
      return three_way(a.LifeAirKills + a.LifeGroundKills, b.LifeAirKills + b.LifeGroundKills);
    case TBoardSort::kLastSortie:
      return three_way(a.LastSortie, b.LastSortie);
  }
  return 0;
}

}  // namespace

// The pilots of the board in its order, made once per set of results.
std::shared_ptr<const TBoardOrders::TOrder> TBoardOrders::Order(const std::shared_ptr<const TPilotResults>& results,
                                                                const TBoardQuery& query) {
  {
    TMutexLock hold(lock_);
    std::erase_if(orders_, [](const TKeptOrder& kept) { return kept.results.expired(); });
    for (auto kept = orders_.begin(); kept != orders_.end(); ++kept) {
      if (kept->results.lock() == results && kept->sort == query.sort && kept->descending == query.descending &&
          kept->army == query.army) {
        std::rotate(kept, kept + 1, orders_.end());
        return orders_.back().order;
      }
    }
  }
  auto order = std::make_shared<TOrder>();
  order->reserve(results->size());
  for (const TPilotResult& pilot : *results) {
    if (query.army == 0 || pilot.Army == query.army) order->push_back(&pilot);
  }
  std::stable_sort(order->begin(), order->end(), [&](const TPilotResult* a, const TPilotResult* b) {
    const int compared = CompareKey(*a, *b, query.sort);
    if (compared != 0) return query.descending ? compared > 0 : compared < 0;
    return a->Id < b->Id;
  });
  TMutexLock hold(lock_);
  if (orders_.size() == kKeptOrders) orders_.erase(orders_.begin());
  orders_.push_back({results, query.sort, query.descending, query.army, order});
  return order;
}

std::string_view BoardSortName(TBoardSort sort) {
  for (const TSortName& entry : kSorts) {
    if (entry.sort == sort) return entry.name;
  }
  return kSorts[0].name;
}

TBoardQuery ParseBoardQuery(const std::vector<std::string>& params) {
  TBoardQuery query;
  const std::string sort = AsciiLower(TrimText(ListValue(params, "sort").value_or("")));
  for (const TSortName& entry : kSorts) {
    if (entry.name == sort) query.sort = entry.sort;
  }
  query.descending = kSorts[static_cast<std::size_t>(query.sort)].descending;
  const std::string order = AsciiLower(TrimText(ListValue(params, "order").value_or("")));
  if (order == "asc") query.descending = false;
  if (order == "desc") query.descending = true;
  if (const std::optional<int64_t> army = Number(params, "army"); army == 1 || army == 2) {
    query.army = static_cast<int32_t>(*army);
  }
  query.search = TypedText(ListValue(params, "q").value_or(""));
  query.me = TypedText(ListValue(params, "me").value_or(""));
  if (const std::optional<int64_t> page = Number(params, "page"); page && *page >= 1) query.page = *page;
  if (const std::optional<int64_t> size = Number(params, "size"); size && *size >= 1) {
    query.size = std::min(*size, kBoardMaxPageSize);
  }
  return query;
}

TBoardPage SelectBoard(TBoardOrders& orders, const std::shared_ptr<const TPilotResults>& results,
                       const TBoardQuery& query) {
  const std::shared_ptr<const TBoardOrders::TOrder> ordered = orders.Order(results, query);
  const TBoardOrders::TOrder& board = *ordered;
  auto picked = [&](std::size_t i) {
    return query.search.empty() || board[i]->FoldedCallsign.find(query.search) != std::string::npos;
  };

  // Only the rows of the page are made: a page of 50 over 20,000 pilots
  // copies 50 rows, not the board. The first walk counts what the search
  // picks and finds "me" among it; the second (needed only with a search)
  // finds the page's rows.
  int64_t matching = 0;
  std::optional<int64_t> me_at;  // among the picked
  if (query.search.empty() && query.me.empty()) {
    matching = static_cast<int64_t>(board.size());
  } else {
    for (std::size_t i = 0; i < board.size(); ++i) {
      if (!picked(i)) continue;
      if (!me_at && !query.me.empty() && board[i]->FoldedCallsign == query.me) me_at = matching;
      ++matching;
    }
  }

  TBoardPage page;
  page.size = query.size;
  page.matching = matching;
  page.pages = std::max<int64_t>(1, (page.matching + page.size - 1) / page.size);
  page.page = me_at ? *me_at / page.size + 1 : std::min(query.page, page.pages);
  const int64_t first = (page.page - 1) * page.size;
  const int64_t end = std::min(matching, first + page.size);
  int64_t n = 0;  // picked rows before board[i]
  for (std::size_t i = query.search.empty() ? static_cast<std::size_t>(first) : 0; i < board.size() && n < end; ++i) {
    if (query.search.empty()) {
      n = static_cast<int64_t>(i);  // every row is picked
    } else if (!picked(i)) {
      continue;
    }
    if (n >= first) page.rows.push_back({static_cast<int64_t>(i) + 1, board[i], me_at == n});
    ++n;
  }
  return page;
}

}  // namespace sky
