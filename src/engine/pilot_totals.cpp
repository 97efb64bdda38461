#include "engine/pilot_totals.h"

#include <fmt/format.h>

#include "base/log.h"
#include "db/query.h"
#include "engine/pilot_sorties.h"
#include "engine/query_closer.h"
#include "engine/sortie.h"

namespace sky {

void GetPilotTotals(TdmMySQL& session, int32_t pilot_id, int32_t upper_id, TPilotTotals& totals) {
  static constexpr char kTotals[] =
      "select count(id) as SortiesCount, sum(eAir) as eAir, sum(eSAir + eShip + eCar + eTank + "
      "eAaa + eArt + eWag) as eGrounds from sorties where pilotid = {}";
  TQuery& query = session.SQLQueryService;
  try {
    TQueryCloser closer(query);
    query.Close();
    if (upper_id == -1) {
      query.SetText(fmt::format(kTotals, pilot_id));
    } else {
      query.SetText(fmt::format(kTotals, pilot_id) + fmt::format(" and id < {}", upper_id));
    }
    query.Open();
    totals.SortiesCount = static_cast<int32_t>(query.FieldByName("SortiesCount").AsInteger());
    totals.Air = static_cast<int32_t>(query.FieldByName("eAir").AsInteger());
    totals.Grounds = static_cast<int32_t>(query.FieldByName("eGrounds").AsInteger());
  } catch (const std::exception& e) {
    WriteLog(0, "Ошибка вычисления K/S", e.what());
  }
}

std::optional<TCareerSums> ReadCareerBefore(TdmMySQL& session, int32_t pilot_id, int32_t upper_id,
                                            const TSettings& settings) {
  // Grouped by how the sorties ended, so that the deaths are told apart with
  // the settings' list, as the walk tells them.
  TQuery& query = session.SQLQueryService;
  try {
    TQueryCloser closer(query);
    query.Close();
    query.SetText(fmt::format(
        "select cast(SortieEND as binary) as sortie_end, count(id), sum(eAir), "
        "sum(eSAir + eShip + eCar + eTank + eAaa + eArt + eWag) from sorties "
        "where pilotid = {} and id < {} group by sortie_end",
        pilot_id, upper_id));
    query.Open();
    TCareerSums sums;
    for (; !query.Eof(); query.Next()) {
      const int64_t count = query.Field(1).AsInteger();
      sums.Sorties += count;
      sums.Air += query.Field(2).AsInteger();
      sums.Grounds += query.Field(3).AsInteger();
      if (IsDeathEnd(query.Field(0).Text(), settings)) sums.Deaths += count;
    }
    return sums;
  } catch (const std::exception& e) {
    WriteLog(10, "Career totals could not be read:", e.what());
    return std::nullopt;
  }
}

double AirPerSortie(const TPilotTotals& totals) {
  if (totals.SortiesCount == 0) return 0.0;
  return static_cast<double>(totals.Air) / totals.SortiesCount;
}

double GroundsPerSortie(const TPilotTotals& totals) {
  if (totals.SortiesCount == 0) return 0.0;
  return static_cast<double>(totals.Grounds) / totals.SortiesCount;
}

}  // namespace sky
