#include "notify/webhook_metrics.h"

#include "base/metric_family.h"
#include "notify/notifier.h"

namespace sky {

std::string RenderWebhookMetrics() {
  const std::vector<TWebhookStatus> statuses = WebhookStatuses();
  if (statuses.empty()) return {};
  const std::vector<std::string> labels = {"webhook", "host"};
  TMetricFamily queued{"skyranks_webhook_events_queued", "Events waiting in the outbox for the webhook.",
                       TMetricType::kGauge, labels};
  TMetricFamily delivered{"skyranks_webhook_events_delivered_total", "Events the webhook took (a 2xx answer).",
                          TMetricType::kCounter, labels};
  TMetricFamily failed{"skyranks_webhook_events_failed_total",
                       "Events given up undelivered: too old, or dropped from a full outbox.", TMetricType::kCounter,
                       labels};
  TMetricFamily attempts{"skyranks_webhook_attempts_failed_total",
                         "Sending attempts that failed: no connection, a time-out or an answer other than 2xx.",
                         TMetricType::kCounter, labels};
  for (std::size_t n = 0; n < statuses.size(); ++n) {
    const std::vector<std::string> values = {std::to_string(n + 1), statuses[n].host};
    queued.With(values).Set(static_cast<double>(statuses[n].queued));
    delivered.With(values).Set(static_cast<double>(statuses[n].delivered));
    failed.With(values).Set(static_cast<double>(statuses[n].failed));
    attempts.With(values).Set(static_cast<double>(statuses[n].attempts_failed));
  }
  std::string text;
  for (const TMetricFamily* family : {&queued, &delivered, &failed, &attempts}) family->Render(text);
  return text;
}

}  // namespace sky
