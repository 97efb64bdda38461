#include "engine/sortie_index_check.h"

#include <string>

#include "engine/query_closer.h"
#include "settings/log.h"

namespace sky {

namespace {

bool SameNameIgnoringCase(const std::string& a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

}  // namespace

std::optional<bool> SortiesHavePilotIndex(TdmMySQL& session) {
  TQuery& query = session.SQLQueryService;
  try {
    TQueryCloser closer(query);
    query.Close();
    query.SetText("show index from sorties");
    query.Open();
    for (; !query.Eof(); query.Next()) {
      if (query.FieldByName("Seq_in_index").AsInteger() == 1 &&
          SameNameIgnoringCase(query.FieldByName("Column_name").AsString(), "pilotid")) {
        return true;
      }
    }
    return false;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

void WarnWhenSortiesLackPilotIndex(TdmMySQL& session) noexcept {
  try {
    if (SortiesHavePilotIndex(session) == false) {
      WriteLog(0,
               "No index of sorties starts with pilotid: every pilot's walk reads the whole "
               "table. Create one with:",
               kCreateSortiesPilotIndex);
    }
  } catch (...) {
    // The check only advises; the pass itself reports what goes wrong.
  }
}

}  // namespace sky
