#include "engine/pilot_results.h"

#include <map>
#include <utility>

#include "base/encoding.h"
#include "base/mutex.h"

namespace sky {

namespace {

TMutex g_lock;
std::map<std::string, std::shared_ptr<const TPilotResults>> g_results SKY_GUARDED_BY(g_lock);

}  // namespace

void PublishPilotResults(const std::string& srvid, TPilotResults results) {
  for (TPilotResult& pilot : results) pilot.FoldedCallsign = FoldCase(pilot.Callsign);
  auto published = std::make_shared<const TPilotResults>(std::move(results));
  TMutexLock hold(g_lock);
  g_results[srvid] = std::move(published);
}

std::shared_ptr<const TPilotResults> FindPilotResults(const std::string& srvid) {
  TMutexLock hold(g_lock);
  const auto found = g_results.find(srvid);
  return found == g_results.end() ? nullptr : found->second;
}

}  // namespace sky
