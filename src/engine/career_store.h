// Every pilot's totals of his sorties before his last death, kept from pass
// to pass for one database.
//
// The kills-per-sortie criteria and the career figures of the pilot page
// need, for each pilot, the count and sums of his sorties before his stored
// last death. Those sorties do not change while the table only grows, so a
// pass need not read them again: the store keeps them per pilot, keyed by
// the last death they end at, and the pass moves them forward with the rows
// its walk reads anyway as a pilot's last death moves on.
//
// A kept entry is used only for the same last death it was kept for: a
// pilot whose stored last death differs (a write that did not commit, a
// reset, another program's edit) has his totals read again, alone. Whether
// the table's old rows may have changed is asked at the start of every pass
// (Prepare, see engine/history_check.h); when they may have, or the rules
// that classify sorties or the awards changed, every entry is dropped and
// the pass reads the totals in full, as it does on the first pass.
//
// One store per database entry (`mysql/@id`) for the life of the process
// (KeptCareers); a changed entry (host, port, database, user) empties it.
// The pass that owns the store runs under the service's exclusive access;
// Keep may also be called from another thread (a writer reporting a
// committed write), so every member takes the store's lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>

#include "base/mutex.h"
#include "db/session.h"
#include "engine/history_check.h"
#include "settings/settings.h"
#include "xml/xml_document.h"

namespace sky {

// Counts and sums of a run of a pilot's sorties, as the totals statement
// sums them: eAir, and the seven ground columns of rows that hold all seven
// (a NULL among them leaves the row out of the ground sum). Deaths are the
// rows whose end is in the settings' list of ends that kill.
struct TEarlierSums {
  int64_t count = 0, air = 0, grounds = 0, deaths = 0;
};

class TCareerStore {
 public:
  TCareerStore() = default;
  TCareerStore(const TCareerStore&) = delete;
  TCareerStore& operator=(const TCareerStore&) = delete;

  // At the start of a pass, before any totals are asked. True when the kept
  // entries stand; otherwise they are dropped, a new mark of the table is
  // taken (unless `policy` re-reads on every pass) and the pass reads every
  // pilot's totals. `awards` is the pass's awards document.
  bool Prepare(TdmMySQL& session, const TSettings& settings, const TXmlDocument& awards,
               THistoryClock::time_point now);
  // Why the last Prepare kept or dropped the entries.
  THistoryVerdict LastVerdict() const;

  // The sums of the pilot's sorties below `last_death`, when kept for it.
  std::optional<TEarlierSums> Find(int32_t pilot_id, int32_t last_death) const;
  // The pass's pilots and their sums (pilot -> last death, sums), replacing
  // every entry: pilots gone from the table are dropped with it.
  using TEntries = std::unordered_map<int32_t, std::pair<int32_t, TEarlierSums>>;
  void Replace(TEntries entries);
  // The pilot's last death is now stored as `last_death`, and `sums` are the
  // totals of his sorties below it. Call it only once the write of that last
  // death is known to be committed.
  //
  // Here and in Replace, a last death above the highest id of the last count
  // of the table is not kept: a row inserted late below it would pass the
  // next count as one added at the top, so such a pilot's totals are read
  // again (alone) until a count has seen past his last death.
  void Keep(int32_t pilot_id, int32_t last_death, const TEarlierSums& sums);

  // Everything, the mark included: the next pass reads in full.
  void Forget();
  std::size_t Pilots() const;

 private:
  friend TCareerStore& KeptCareers(const TServerEntry& entry);
  mutable TMutex lock_;
  std::string address_ SKY_GUARDED_BY(lock_);  // the database entry the store is for
  std::string rules_ SKY_GUARDED_BY(lock_);    // what classified the kept sorties
  THistoryMark mark_ SKY_GUARDED_BY(lock_);
  THistoryVerdict verdict_ SKY_GUARDED_BY(lock_) = THistoryVerdict::kFirst;
  TEntries entries_ SKY_GUARDED_BY(lock_);
};

// The policy the settings give (schedule/@check, schedule/@verify).
THistoryPolicy HistoryPolicy(const TSettings& settings);

// The store of the entry's database (its `mysql/@id`) for the life of the
// process, emptied when the entry now names another database.
TCareerStore& KeptCareers(const TServerEntry& entry);
// Empties the store of the database with that id (a reset), if there is one.
void ForgetKeptCareers(const std::string& srvid);

}  // namespace sky
