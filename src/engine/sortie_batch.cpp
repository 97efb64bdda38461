#include "engine/sortie_batch.h"

#include <algorithm>
#include <optional>
#include <string>

#include <fmt/format.h>

#include "xml/encoding.h"

namespace sky {
namespace {

// The grouping columns are integers by the table's definition; anything else
// is a table this program cannot batch.
int64_t ParseInteger(std::optional<std::string_view> text) {
  if (!text || text->empty()) return 0;
  if (std::optional<int64_t> value = ParseDecimal<int64_t>(*text)) return *value;
  throw TDbError("'" + std::string(*text) + "' is not a valid integer value");
}

}  // namespace

void TSortieBatch::ReadEarlierTotals(const std::vector<TPilotStart>& pilots,
                                     const TSettings& settings) {
  earlier_.clear();
  earlier_read_ = false;
  int32_t highest = 0;
  for (const TPilotStart& pilot : pilots) {
    if (pilot.LastSortie <= 0) continue;
    earlier_.emplace(pilot.PilotId, TSums{});
    highest = std::max(highest, pilot.LastSortie);
  }
  if (earlier_.empty()) {
    earlier_read_ = true;
    return;
  }
  std::unordered_map<int32_t, int32_t> last_sortie;
  for (const TPilotStart& pilot : pilots) {
    if (pilot.LastSortie > 0) last_sortie[pilot.PilotId] = pilot.LastSortie;
  }
  try {
    // The same sums as the per-pilot totals statement: count(id), sum(eAir)
    // and the sum of the seven ground columns added in the server.
    session_.StreamRows(
        fmt::format("select pilotid, id, eAir, eSAir + eShip + eCar + eTank + eAaa + eArt + eWag, "
                    "SortieEND from sorties where id < {}",
                    highest),
        [&](const TdmMySQL::TRowValues& row) {
          const auto found = last_sortie.find(static_cast<int32_t>(ParseInteger(row[0])));
          if (found == last_sortie.end()) return;
          if (!row[1] || ParseInteger(row[1]) >= found->second) return;
          TSums& sums = earlier_[found->first];
          sums.count += 1;
          if (row[2]) sums.air += ParseInteger(row[2]);
          if (row[3]) sums.grounds += ParseInteger(row[3]);
          if (row[4] && IsDeathEnd(*row[4], settings)) sums.deaths += 1;
        });
    earlier_read_ = true;
  } catch (const std::exception&) {
    // Each pilot then asks with his own statement, which reports the failure
    // where the pass would have met it.
    earlier_.clear();
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
  sql += " order by pilotid, id";
  try {
    rows_.SetText(std::move(sql));
    rows_.Open();
    const TField pilot_field = rows_.FieldByName("pilotid");
    const TField id_field = rows_.FieldByName("id");
    row_ids_.reserve(rows_.RowCount());
    int64_t current = 0;
    for (std::size_t i = 0; !rows_.Eof(); rows_.Next(), ++i) {
      const int64_t pilot = pilot_field.AsInteger();
      row_ids_.push_back(id_field.AsInteger());
      if (i == 0 || pilot != current) {
        current = pilot;
        const auto range = ranges_.find(static_cast<int32_t>(pilot));
        if (range != ranges_.end()) range->second.begin = i;
      }
      const auto range = ranges_.find(static_cast<int32_t>(pilot));
      if (range != ranges_.end()) range->second.end = i + 1;
    }
  } catch (const std::exception&) {
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
  const bool earlier_known = start_.LastSortie <= 0 || batch_.earlier_read_;
  if (!earlier_known || upper_id < start_.LastSortie || batch_.fetch_error_) {
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

std::optional<TCareerSums> TSortieBatch::TPilot::CareerBefore() const {
  if (start_.LastSortie <= 0) return TCareerSums{};
  if (!batch_.earlier_read_) return std::nullopt;
  const TSums& sums = batch_.earlier_.at(start_.PilotId);
  return TCareerSums{sums.count, sums.deaths, sums.air, sums.grounds};
}

void TSortieBatch::TPilot::AddFetchedRows(int32_t upper_id, TSums& sums) {
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
  }
}

}  // namespace sky
