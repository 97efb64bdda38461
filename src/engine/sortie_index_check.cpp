#include "engine/sortie_index_check.h"

#include <set>
#include <string>

#include "base/log.h"
#include "base/mutex.h"
#include "db/query.h"
#include "engine/query_closer.h"

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

// The databases whose missing index has been reported in this process.
class TWarnedDatabases {
 public:
  bool Contains(const TDatabaseAddress& address) {
    TMutexLock hold(lock_);
    return warned_.count(address) > 0;
  }
  // False when another pass has reported it meanwhile.
  bool Add(const TDatabaseAddress& address) {
    TMutexLock hold(lock_);
    return warned_.insert(address).second;
  }

 private:
  TMutex lock_;
  std::set<TDatabaseAddress> warned_ SKY_GUARDED_BY(lock_);
};

TWarnedDatabases& WarnedDatabases() {
  static TWarnedDatabases warned;
  return warned;
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
    TWarnedDatabases& warned = WarnedDatabases();
    if (warned.Contains(session.Address())) return;
    if (SortiesHavePilotIndex(session) == false && warned.Add(session.Address())) {
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
