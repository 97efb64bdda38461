#include "engine/pilot_results.h"

#include <map>
#include <mutex>
#include <utility>

#include "base/encoding.h"

namespace sky {

namespace {

std::mutex g_lock;  // guards g_results
std::map<std::string, std::shared_ptr<const TPilotResults>> g_results;

}  // namespace

void PublishPilotResults(const std::string& srvid, TPilotResults results) {
  for (TPilotResult& pilot : results) pilot.FoldedCallsign = FoldCase(pilot.Callsign);
  auto published = std::make_shared<const TPilotResults>(std::move(results));
  std::lock_guard<std::mutex> hold(g_lock);
  g_results[srvid] = std::move(published);
}

std::shared_ptr<const TPilotResults> FindPilotResults(const std::string& srvid) {
  std::lock_guard<std::mutex> hold(g_lock);
  const auto found = g_results.find(srvid);
  return found == g_results.end() ? nullptr : found->second;
}

}  // namespace sky
