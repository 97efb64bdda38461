#include "engine/rank_pass.h"

#include <algorithm>

#include <fmt/format.h>

#include "engine/connected_session.h"
#include "engine/pilot_table.h"
#include "engine/query_closer.h"
#include "engine/sortie_index_check.h"
#include "settings/log.h"
#include "settings/settings_store.h"

namespace sky {

namespace {

void ExecUpdate(TdmMySQL& session, std::string sql) {
  TQuery& query = session.SQLQueryUpdate;
  query.Close();
  query.SetText(std::move(sql));
  query.ExecSQL();
}

int32_t IntField(const TQuery& row, std::string_view name) {
  return static_cast<int32_t>(row.FieldByName(name).AsInteger());
}

// Loads the awards definitions; false (after the level-0 line) when they
// cannot be had, in which case no pilot is processed.
bool LoadAwardsDocument(const TSettings& settings, XmlDocument& awards) {
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

// One pilot row: the walk, the rank write-back, the awards and their write-back.
void CalculatePilot(TdmMySQL& session, const TQuery& pilot, const TSettings& settings,
                    const XmlDocument& awards, const TAwardEvaluator& evaluate_awards) {
  const int32_t pilot_id = IntField(pilot, "id");
  int32_t last_sortie = IntField(pilot, "lastsortie");
  const int32_t army = IntField(pilot, "ArmyID");
  const int32_t stored_awards = IntField(pilot, "awards");

  WriteLog(2, "", "");
  WriteLog(2, " === Расчет пилота ===", pilot.FieldByName("callsign").AsString());

  const int32_t reached = WalkPilotSorties(session, pilot_id, last_sortie, settings, false, XmlNode());

  if (!settings.Debug) {
    const int32_t stored_rank = IntField(pilot, "realrank");
    const int32_t stored_last = IntField(pilot, "lastsortie");
    // The stored rank never goes down and the last death never moves back.
    if (reached > stored_rank || stored_last < last_sortie) {
      UpdateRealRank(session, pilot_id, last_sortie, std::max(reached, stored_rank));
    }
  }

  if (!evaluate_awards) return;
  const TAwardResult result = evaluate_awards(session, pilot_id, last_sortie, reached, army,
                                              stored_awards, settings, awards);
  if (!settings.Debug) {
    const bool write = result.WriteIfChanged ? result.Awards != stored_awards
                                             : result.Awards > stored_awards;
    if (write) UpdateAwards(session, pilot_id, result.Awards);
  }
}

}  // namespace

bool UpdateRealRank(TdmMySQL& session, int32_t pilot_id, int32_t last_sortie, int32_t rank) {
  try {
    ExecUpdate(session, fmt::format("update pilots set {} = {}, {} = {} where id = {}", "realrank",
                                    rank, "lastsortie", last_sortie, pilot_id));
    return true;
  } catch (const std::exception& e) {
    WriteLog(0, "ERROR updating realrank field:", e.what());
    return false;
  }
}

bool UpdateAwards(TdmMySQL& session, int32_t pilot_id, int32_t awards) {
  try {
    ExecUpdate(session,
               fmt::format("update pilots set {} = {} where id = {}", "awards", awards, pilot_id));
    return true;
  } catch (const std::exception& e) {
    WriteLog(0, "ERROR updating awards:", e.what());
    return false;
  }
}

int32_t EnumeratePilots(TdmMySQL& session, const TSettings& settings,
                        const TAwardEvaluator& evaluate_awards) {
  WarnWhenSortiesLackPilotIndex(session);
  FixNullRanks(session);

  XmlDocument awards;
  if (!LoadAwardsDocument(settings, awards)) return 0;

  TQuery& pilots = session.SQLQueryPilots;
  TQueryCloser closer(pilots);
  pilots.Close();
  pilots.Open();

  int32_t count = 0;
  try {
    for (; !pilots.Eof(); pilots.Next()) {
      ++count;
      CalculatePilot(session, pilots, settings, awards, evaluate_awards);
    }
  } catch (const std::exception& e) {
    // The rest of this database waits for the next cycle; pilots already
    // done keep what was written for them.
    WriteLog(0, "ERROR Enumeration pilots:", e.what());
  } catch (...) {
    WriteLog(0, "ERROR Enumeration pilots:", "unknown error");
  }
  return count;
}

bool CalculateDatabase(const TSettings& settings, const TServerEntry& entry,
                       const TAwardEvaluator& evaluate_awards) {
  std::unique_ptr<TdmMySQL> session = ConnectSession(entry);
  if (!session) return false;
  WriteLog(0, "Расчет сервера:", entry.Host);

  // One flag for the whole process: after a successful check no database is
  // examined again until the service starts anew.
  if (!FieldsChecked()) SetFieldsChecked(EnsurePilotFields(*session));

  bool enumerated = false;
  if (FieldsChecked()) enumerated = EnumeratePilots(*session, settings, evaluate_awards) > 0;

  SetLastCalcTime(Now());
  return enumerated;
}

}  // namespace sky
