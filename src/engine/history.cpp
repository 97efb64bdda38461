#include "engine/history.h"

#include <fmt/format.h>

#include "base/log.h"
#include "db/query.h"
#include "engine/combat_rules.h"
#include "engine/connected_session.h"
#include "engine/query_closer.h"
#include "engine/rank_pass.h"
#include "engine/sortie_record.h"
#include "engine/sortie_walk.h"
#include "export/dataset_xml.h"

namespace sky {

void BuildPilotHistory(int32_t pilot_id, const TSettings& settings, TXmlNode history,
                       const TServerEntry& entry) {
  std::unique_ptr<TdmMySQL> session = ConnectSession(entry);
  if (!session) return;
  int32_t scratch_last_sortie = 0;
  WalkPilotSorties(*session, pilot_id, scratch_last_sortie, settings, true, history);
}

bool PilotStreakStats(int32_t pilot_id, const TSettings& settings, const TServerEntry& entry,
                      int32_t& combat_count, TAirKills& air, TGroundKills& ground) {
  std::unique_ptr<TdmMySQL> session = ConnectSession(entry);
  if (!session) return false;
  return GetStreakStats(*session, pilot_id, settings, combat_count, air, ground);
}

bool GetStreakStats(TdmMySQL& session, int32_t pilot_id, const TSettings& settings,
                    int32_t& combat_count, TAirKills& air, TGroundKills& ground) {
  TQuery& sorties = session.SQLQueryCheckPilot;
  try {
    TQueryCloser closer(sorties);
    sorties.Close();
    sorties.ParamByName("p_pilot_id").SetInteger(pilot_id);
    sorties.ParamByName("p_last_sortie").SetInteger(GetLastSortie(session, pilot_id));
    sorties.Open();
    for (; !sorties.Eof(); sorties.Next()) {
      // Dead and skipped sorties add nothing to the life's statistics.
      if (!InEndList(sorties.FieldByName("SortieEND").AsString(), settings.SortieEndSuccess)) {
        continue;
      }
      if (IsCombatRow(settings, sorties)) ++combat_count;
      GetCurrentGroundKills(sorties, ground);
      GetCurrentAirKills(sorties, air);
    }
    return true;
  } catch (const std::exception& e) {
    WriteLog(0, "", e.what());
    return false;
  }
}

int32_t GetLastSortie(TdmMySQL& session, int32_t pilot_id) {
  TQuery& query = session.SQLQueryService;
  try {
    TQueryCloser closer(query);
    query.Close();
    query.SetText(fmt::format("select lastsortie from pilots where id = {}", pilot_id));
    query.Open();
    if (query.Eof()) return 0;
    return static_cast<int32_t>(query.FieldByName("lastsortie").AsInteger());
  } catch (const std::exception& e) {
    WriteLog(0, "Ошибка получения lastsortie", e.what());
    return 0;
  }
}

std::string GetPilotCallsign(TdmMySQL& session, int32_t pilot_id) {
  TQuery& query = session.SQLQueryGetPilot;
  try {
    TQueryCloser closer(query);
    query.Close();
    query.ParamByName("pilot_id").SetInteger(pilot_id);
    query.Open();
    if (query.Eof()) return {};
    return query.FieldByName("callsign").AsString();
  } catch (const std::exception&) {
    // The callsign only decorates the history; a failure leaves it empty.
    return {};
  }
}

bool RunDataSetQuery(const std::string& sql, std::ostream& out, const TServerEntry& entry,
                     const std::vector<std::string>* params, std::optional<std::string_view> answer_stylesheet) {
  return RunDataSetQuery(sql, entry, params,
                         [&](TQuery& query) { SaveDataSetXML(query, out, answer_stylesheet); });
}

bool RunDataSetQuery(const std::string& sql, const TServerEntry& entry, const std::vector<std::string>* params,
                     const TRowsWriter& write) {
  std::unique_ptr<TdmMySQL> session = ConnectSession(entry);
  if (!session) return false;
  return RunAnyDataSet(*session, sql, params, write);
}

}  // namespace sky
