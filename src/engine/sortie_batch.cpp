#include "engine/sortie_batch.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>

#include <fmt/format.h>

#include "base/log.h"
#include "base/text.h"
#include "db/db_error.h"
#include "db/field.h"
#include "db/query.h"
#include "engine/life_tally.h"
#include "engine/pilot_totals.h"

namespace sky {
namespace {

// The grouping columns are integers by the table's definition; anything else
// is a table this program cannot batch.
int64_t ParseInteger(std::optional<std::string_view> text) {
  if (!text || text->empty()) return 0;
  if (std::optional<int64_t> value = ParseDecimal<int64_t>(*text)) return *value;
  throw TDbError("'" + std::string(*text) + "' is not a valid integer value");
}

// Up to this share of the pilots with a last death (one in kOwnRowsShare),
// those whose totals are not kept read their own rows, kOwnRowsPilots to a
// statement; more read the table in one stream, which is cheaper than that
// many lookups of scattered rows.
constexpr std::size_t kOwnRowsShare = 4;
constexpr std::size_t kOwnRowsPilots = 200;

// The same sums as the per-pilot totals statement: count(id), sum(eAir)
// and the sum of the seven ground columns added in the server.
constexpr char kEarlierColumns[] =
    "select pilotid, id, eAir, eSAir + eShip + eCar + eTank + eAaa + eArt + eWag, SortieEND from sorties";

// A few pilots read only their own rows (pilot -> stored last death),
// through the index on pilotid, kOwnRowsPilots to a statement.
void StreamOwnRows(TdmMySQL& session, const std::unordered_map<int32_t, int32_t>& to_read,
                   const std::function<void(const TdmMySQL::TRowValues&)>& add) {
  std::string sql;
  std::size_t in_statement = 0;
  for (auto pilot = to_read.begin(); pilot != to_read.end();) {
    if (!sql.empty()) sql += " union all ";
    fmt::format_to(std::back_inserter(sql), "{} where pilotid = {} and id < {}", kEarlierColumns, pilot->first,
                   pilot->second);
    ++pilot;
    if (++in_statement == kOwnRowsPilots || pilot == to_read.end()) {
      session.StreamRows(sql, add);
      sql.clear();
      in_statement = 0;
    }
  }
}

}  // namespace

void TSortieBatch::ReadEarlierTotals(const std::vector<TPilotStart>& pilots, const TSettings& settings,
                                     TCareerStore* kept) {
  earlier_.clear();
  earlier_read_ = 0;
  earlier_streamed_ = false;
  std::unordered_map<int32_t, int32_t> to_read;  // pilot -> stored last death
  std::size_t with_death = 0;
  int32_t highest = 0;
  for (const TPilotStart& pilot : pilots) {
    if (pilot.LastSortie <= 0) continue;
    ++with_death;
    if (kept != nullptr) {
      if (std::optional<TSums> sums = kept->Find(pilot.PilotId, pilot.LastSortie)) {
        earlier_.emplace(pilot.PilotId, *sums);
        continue;
      }
    }
    to_read[pilot.PilotId] = pilot.LastSortie;
    highest = std::max(highest, pilot.LastSortie);
  }
  if (!to_read.empty()) {
    std::unordered_map<int32_t, TSums> read;
    for (const auto& [pilot_id, last] : to_read) read.emplace(pilot_id, TSums{});
    const auto add = [&](const TdmMySQL::TRowValues& row) {
      const auto found = to_read.find(static_cast<int32_t>(ParseInteger(row[0])));
      if (found == to_read.end()) return;
      if (!row[1] || ParseInteger(row[1]) >= found->second) return;
      TSums& sums = read[found->first];
      sums.count += 1;
      if (row[2]) sums.air += ParseInteger(row[2]);
      if (row[3]) sums.grounds += ParseInteger(row[3]);
      if (row[4] && IsDeathEnd(*row[4], settings)) sums.deaths += 1;
    };
    try {
      if (kept == nullptr || to_read.size() * kOwnRowsShare > with_death) {
        earlier_streamed_ = true;
        session_.StreamRows(fmt::format("{} where id < {}", kEarlierColumns, highest), add);
      } else {
        StreamOwnRows(session_, to_read, add);
      }
      earlier_read_ = read.size();
      earlier_.merge(read);
    } catch (const std::exception& e) {
      // Each of these pilots then asks with his own statement, which reports
      // the failure where the pass would have met it.
      WriteLog(10, "Batched read of earlier totals failed; totals are read per pilot:", e.what());
    }
  }
  if (kept != nullptr) {
    TCareerStore::TEntries entries;
    for (const TPilotStart& pilot : pilots) {
      if (pilot.LastSortie <= 0) continue;
      const auto found = earlier_.find(pilot.PilotId);
      if (found != earlier_.end()) entries[pilot.PilotId] = {pilot.LastSortie, found->second};
    }
    kept->Replace(std::move(entries));
  }
}

void TSortieBatch::Fetch(const std::vector<TPilotStart>& pilots) {
  rows_.Close();
  row_ids_.clear();
  ranges_.clear();
  fetch_error_ = nullptr;
  if (pilots.empty()) return;
  for (const TPilotStart& pilot : pilots) ranges_[pilot.PilotId] = TRange{};

  std::string sql;
  for (const TPilotStart& pilot : pilots) {
    if (!sql.empty()) sql += " union all ";
    fmt::format_to(std::back_inserter(sql), "select * from sorties where pilotid = {} and id >= {}",
                   pilot.PilotId, pilot.LastSortie);
  }
  // No order by: sorting the union makes the server copy every row into a
  // temporary table and read it again. Each part reads its pilot's rows
  // along the pilot index, so they come in ascending id, one pilot after
  // the other; that is checked below, and a run that comes otherwise is
  // read pilot by pilot.
  try {
    rows_.SetText(std::move(sql));
    rows_.Open();
    const TField pilot_field = rows_.FieldByName("pilotid");
    const TField id_field = rows_.FieldByName("id");
    row_ids_.reserve(rows_.RowCount());
    int64_t current = 0;
    for (std::size_t i = 0; !rows_.Eof(); rows_.Next(), ++i) {
      const int64_t pilot = pilot_field.AsInteger();
      const int64_t id = id_field.AsInteger();
      const auto range = ranges_.find(static_cast<int32_t>(pilot));
      if (i == 0 || pilot != current) {
        current = pilot;
        if (range != ranges_.end()) {
          if (range->second.end != 0) throw TDbError("the rows of a pilot came apart");
          range->second.begin = i;
        }
      } else if (id <= row_ids_.back()) {
        throw TDbError("the rows of a pilot came out of order");
      }
      row_ids_.push_back(id);
      if (range != ranges_.end()) range->second.end = i + 1;
    }
  } catch (const std::exception& e) {
    WriteLog(10, "Batched read of sorties failed; its pilots are read one by one:", e.what());
    rows_.Close();
    row_ids_.clear();
    fetch_error_ = std::current_exception();
  }
}

TQuery& TSortieBatch::TPilot::From(int32_t first_id) {
  if (batch_.fetch_error_) std::rethrow_exception(batch_.fetch_error_);
  if (first_id < start_.LastSortie) {
    // The pass only walks forward from the stored last death.
    throw TDbError("sorties before the fetched ones were asked for");
  }
  const TRange range = batch_.ranges_.at(start_.PilotId);
  const auto ids_begin = batch_.row_ids_.begin();
  const auto first = std::lower_bound(ids_begin + static_cast<std::ptrdiff_t>(range.begin),
                                      ids_begin + static_cast<std::ptrdiff_t>(range.end),
                                      static_cast<int64_t>(first_id));
  batch_.rows_.SetWindow(static_cast<std::size_t>(first - ids_begin), range.end);
  return batch_.rows_;
}

void TSortieBatch::TPilot::TotalsBefore(int32_t upper_id, TPilotTotals& totals) {
  if (!EarlierKnown() || upper_id < start_.LastSortie || batch_.fetch_error_) {
    GetPilotTotals(batch_.session_, start_.PilotId, upper_id, totals);
    return;
  }
  TSums sums;
  if (start_.LastSortie > 0) sums = batch_.earlier_.at(start_.PilotId);
  try {
    AddFetchedRows(upper_id, sums);
  } catch (const std::exception&) {
    // A value the server sums but this reader refuses: ask the server.
    GetPilotTotals(batch_.session_, start_.PilotId, upper_id, totals);
    return;
  }
  totals.SortiesCount = static_cast<int32_t>(sums.count);
  totals.Air = static_cast<int32_t>(sums.air);
  totals.Grounds = static_cast<int32_t>(sums.grounds);
}

std::optional<TCareerSums> TSortieBatch::TPilot::CareerBefore(int32_t /*stored_last*/,
                                                              const TSettings& settings) {
  if (start_.LastSortie <= 0) return TCareerSums{};
  if (!EarlierKnown()) return ReadCareerBefore(batch_.session_, start_.PilotId, start_.LastSortie, settings);
  const TSums& sums = batch_.earlier_.at(start_.PilotId);
  return TCareerSums{sums.count, sums.deaths, sums.air, sums.grounds};
}

std::optional<TEarlierSums> TSortieBatch::TPilot::SumsBefore(int32_t upper_id, const TSettings& settings) {
  if (!EarlierKnown() || upper_id < start_.LastSortie || batch_.fetch_error_) return std::nullopt;
  TSums sums;
  if (start_.LastSortie > 0) sums = batch_.earlier_.at(start_.PilotId);
  try {
    AddFetchedRows(upper_id, sums, &settings);
  } catch (const std::exception&) {
    return std::nullopt;
  }
  return sums;
}

bool TSortieBatch::TPilot::EarlierKnown() const {
  return start_.LastSortie <= 0 || batch_.earlier_.count(start_.PilotId) != 0;
}

void TSortieBatch::TPilot::AddFetchedRows(int32_t upper_id, TSums& sums, const TSettings* settings) {
  TQuery& rows = batch_.rows_;
  const TRange range = batch_.ranges_.at(start_.PilotId);
  rows.SetWindow(range.begin, range.end);
  static constexpr const char* kGroundColumns[] = {"eSAir", "eShip", "eCar", "eTank",
                                                   "eAaa",  "eArt",  "eWag"};
  for (std::size_t i = range.begin; i < range.end && batch_.row_ids_[i] < upper_id; ++i, rows.Next()) {
    sums.count += 1;
    sums.air += rows.FieldByName("eAir").AsInteger();
    int64_t grounds = 0;
    bool all_present = true;
    for (const char* column : kGroundColumns) {
      const TField field = rows.FieldByName(column);
      if (field.IsNull()) all_present = false;
      grounds += field.AsInteger();
    }
    if (all_present) sums.grounds += grounds;
    if (settings != nullptr && IsDeathEnd(rows.FieldByName("SortieEND").Text(), *settings)) sums.deaths += 1;
  }
}

}  // namespace sky
