#include "engine/career_store.h"

#include <map>
#include <memory>

#include <fmt/format.h>

namespace sky {

namespace {

// Everything that decides how a sortie is classified and which awards it
// can earn. The kept sums depend only on the list of ends that kill; the
// rest is taken in so that any change of the rules brings one full read.
// Nullopt for awards that cannot be written out, and so not compared: they
// bring a full read on every pass.
std::optional<std::string> RulesText(const TSettings& settings, const TXmlDocument& awards) {
  std::string text = fmt::format("{}\n{}\n{}\n{} {} {} {}", settings.SortieEndSuccess, settings.SortieEndSkip,
                                 settings.SortieEndDead, settings.SortieMode, settings.SortieDuration,
                                 settings.BombersMode, settings.AirBomberRatio);
  for (double ratio : settings.GroundRatio) fmt::format_to(std::back_inserter(text), " {}", ratio);
  for (const TRankDef& rank : settings.Ranks) {
    fmt::format_to(std::back_inserter(text), "\n{} {} {} {} {}", rank.Value, rank.SortiesLimit, rank.AirKills,
                   rank.GndKills, rank.Name);
  }
  text += "\n" + settings.AwardsFile + "\n";
  try {
    return text + awards.ToCompactText();
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

std::string AddressText(const TServerEntry& entry) {
  return fmt::format("{}\n{}\n{}\n{}\n{}", entry.Host, entry.Port, entry.Db, entry.User, entry.Charset);
}

}  // namespace

bool TCareerStore::Prepare(TdmMySQL& session, const TSettings& settings, const TXmlDocument& awards,
                           THistoryClock::time_point now) {
  const THistoryPolicy policy = HistoryPolicy(settings);
  std::optional<std::string> rules = RulesText(settings, awards);
  TMutexLock hold(lock_);
  THistoryVerdict verdict = THistoryVerdict::kFirst;
  if (mark_.valid && (!rules || *rules != rules_)) {
    verdict = THistoryVerdict::kRulesChanged;
  } else {
    verdict = CheckHistory(session, mark_, policy, now);
  }
  verdict_ = verdict;
  if (verdict == THistoryVerdict::kUnchanged) return true;

  entries_.clear();
  rules_ = rules.value_or(std::string());
  mark_ = THistoryMark{};
  // Reading on every pass needs no mark: nothing is kept for the next one.
  if (policy.verify_every.count() > 0) MarkHistory(session, mark_, now);
  return false;
}

THistoryVerdict TCareerStore::LastVerdict() const {
  TMutexLock hold(lock_);
  return verdict_;
}

std::optional<TEarlierSums> TCareerStore::Find(int32_t pilot_id, int32_t last_death) const {
  TMutexLock hold(lock_);
  const auto found = entries_.find(pilot_id);
  if (found == entries_.end() || found->second.first != last_death) return std::nullopt;
  return found->second.second;
}

void TCareerStore::Replace(TEntries entries) {
  TMutexLock hold(lock_);
  entries_.clear();
  if (!mark_.valid) return;
  for (auto& [pilot_id, entry] : entries) {
    if (entry.first <= mark_.counted_highest) entries_.emplace(pilot_id, entry);
  }
}

void TCareerStore::Keep(int32_t pilot_id, int32_t last_death, const TEarlierSums& sums) {
  TMutexLock hold(lock_);
  if (!mark_.valid || last_death > mark_.counted_highest) return;
  entries_[pilot_id] = {last_death, sums};
}

void TCareerStore::Forget() {
  TMutexLock hold(lock_);
  entries_.clear();
  rules_.clear();
  mark_ = THistoryMark{};
  verdict_ = THistoryVerdict::kFirst;
}

std::size_t TCareerStore::Pilots() const {
  TMutexLock hold(lock_);
  return entries_.size();
}

THistoryPolicy HistoryPolicy(const TSettings& settings) {
  return {std::chrono::minutes(settings.HistoryCheck), std::chrono::hours(settings.HistoryVerify)};
}

namespace {

TMutex g_lock;
std::map<std::string, std::unique_ptr<TCareerStore>> g_stores SKY_GUARDED_BY(g_lock);

}  // namespace

TCareerStore& KeptCareers(const TServerEntry& entry) {
  TCareerStore* store = nullptr;
  {
    TMutexLock hold(g_lock);
    std::unique_ptr<TCareerStore>& slot = g_stores[entry.Id];
    if (!slot) slot = std::make_unique<TCareerStore>();
    store = slot.get();
  }
  const std::string address = AddressText(entry);
  TMutexLock hold(store->lock_);
  if (store->address_ != address) {
    store->address_ = address;
    store->entries_.clear();
    store->rules_.clear();
    store->mark_ = THistoryMark{};
  }
  return *store;
}

void ForgetKeptCareers(const std::string& srvid) {
  TCareerStore* store = nullptr;
  {
    TMutexLock hold(g_lock);
    const auto found = g_stores.find(srvid);
    if (found == g_stores.end()) return;
    store = found->second.get();
  }
  store->Forget();
}

}  // namespace sky
