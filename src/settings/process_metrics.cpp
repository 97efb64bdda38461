#include "settings/process_metrics.h"

#include <unistd.h>

#include <array>
#include <chrono>
#include <fstream>
#include <utility>

#include "base/metric_family.h"

namespace sky {

namespace {

constexpr std::array kViewNames = {"config", "show", "history", "query", "info",
                                   "file", "metrics", "control", "default", "other", "dashboard",
                                   "top", "pilot"};
constexpr std::array kRefusalNames = {"line_too_long", "too_many_headers", "body_too_large", "request_timeout",
                                      "write_timeout"};
constexpr std::array kRejectionNames = {"conflicting_length", "transfer_encoding", "foreign_host", "foreign_origin",
                                        "locked_out"};

struct TProcessMetrics {
  TProcessMetrics() {
    for (const char* view : kViewNames) requests.With({view});
    for (const char* reason : kRefusalNames) refused.With({reason});
    connection_limit.With();
    for (const char* reason : kRejectionNames) rejected.With({reason});
    lockouts.With();
  }

  const std::vector<std::string> database_labels = {"id", "host", "db"};
  TMetricFamily passes{"skyranks_passes_total", "Calculation passes run over the database.",
                       TMetricType::kCounter, database_labels};
  TMetricFamily failed{"skyranks_passes_failed_total",
                       "Passes that failed: the database was not reached or an error ended the pass.",
                       TMetricType::kCounter, database_labels};
  TMetricFamily duration{"skyranks_last_pass_duration_seconds", "How long the last pass over the database took.",
                         TMetricType::kGauge, database_labels};
  TMetricFamily pilots{"skyranks_last_pass_pilots_examined", "Pilots the last pass examined.",
                       TMetricType::kGauge, database_labels};
  TMetricFamily rows{"skyranks_last_pass_rows_written",
                     "Pilot rows the last pass wrote a new rank, last death or awards into.",
                     TMetricType::kGauge, database_labels};
  TMetricFamily last_success{"skyranks_last_success_timestamp_seconds",
                             "Unix time at which the last successful pass over the database ended (0: none yet).",
                             TMetricType::kGauge, database_labels};
  TMetricFamily requests{"skyranks_http_requests_total",
                         "HTTP requests by the view that took them (other: neither GET nor POST, not answered).",
                         TMetricType::kCounter, {"view"}};
  TMetricFamily refused{"skyranks_http_refused_total",
                        "HTTP requests ended without an answer because they broke a limit.",
                        TMetricType::kCounter, {"reason"}};
  TMetricFamily connection_limit{
      "skyranks_http_connection_limit_reached_total",
      "Times the web server reached its connection limit; new clients then wait in the listen queue.",
      TMetricType::kCounter};
  TMetricFamily rejected{"skyranks_http_rejected_total",
                         "HTTP requests refused with an error answer: ambiguous framing, or admin requests under a "
                         "foreign host name, from another site's page or from a locked-out address.",
                         TMetricType::kCounter, {"reason"}};
  TMetricFamily lockouts{"skyranks_admin_lockouts_total",
                         "Times a client address was locked out of the control commands after wrong passwords.",
                         TMetricType::kCounter};
  TMetricFamily memory{"skyranks_resident_memory_bytes", "Resident memory of the process.", TMetricType::kGauge};

  // In the order they are rendered.
  const std::array<const TMetricFamily*, 12> all = {&passes,       &failed,   &duration, &pilots,
                                                    &rows,         &last_success, &requests, &refused,
                                                    &connection_limit, &rejected, &lockouts, &memory};
};

TProcessMetrics& Metrics() {
  static TProcessMetrics metrics;
  return metrics;
}

// From /proc/self/statm (pages); nothing when it cannot be read.
bool ReadResidentBytes(double& bytes) {
  std::ifstream statm("/proc/self/statm");
  uint64_t size_pages = 0;
  uint64_t resident_pages = 0;
  if (!(statm >> size_pages >> resident_pages)) return false;
  bytes = static_cast<double>(resident_pages) * static_cast<double>(::sysconf(_SC_PAGESIZE));
  return true;
}

}  // namespace

void CountRequest(TWebView view) { Metrics().requests.With({kViewNames[static_cast<std::size_t>(view)]}).Add(); }

void CountRefusal(THttpRefusal reason) {
  Metrics().refused.With({kRefusalNames[static_cast<std::size_t>(reason)]}).Add();
}

void CountConnectionLimitReached() { Metrics().connection_limit.With().Add(); }

void CountRejection(THttpRejection reason) {
  Metrics().rejected.With({kRejectionNames[static_cast<std::size_t>(reason)]}).Add();
}

void CountLockout() { Metrics().lockouts.With().Add(); }

void RecordDatabasePass(const TServerEntry& entry, const TPassFigures& figures) {
  TProcessMetrics& metrics = Metrics();
  const std::vector<std::string> labels = {entry.Id, entry.Host, entry.Db};
  metrics.passes.With(labels).Add();
  TMetricValue& failed = metrics.failed.With(labels);
  TMetricValue& last_success = metrics.last_success.With(labels);
  if (figures.Outcome == TPassOutcome::kFailed) failed.Add();
  if (figures.Outcome == TPassOutcome::kSucceeded) {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    last_success.Set(std::chrono::duration<double>(now).count());
  }
  metrics.duration.With(labels).Set(figures.Seconds);
  metrics.pilots.With(labels).Set(static_cast<double>(figures.PilotsExamined));
  metrics.rows.With(labels).Set(static_cast<double>(figures.RowsWritten));
}

std::string RenderProcessMetrics() {
  TProcessMetrics& metrics = Metrics();
  double resident = 0;
  if (ReadResidentBytes(resident)) metrics.memory.With().Set(resident);
  std::string text;
  for (const TMetricFamily* family : metrics.all) family->Render(text);
  return text;
}

}  // namespace sky
