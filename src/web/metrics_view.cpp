// The process metrics for a monitoring system to scrape: no password, since
// they hold no secret (databases appear by id, host and name, as the status
// page shows them), and cheap, since they are only read.
#include "web/metrics_view.h"

#include "http/http_response.h"
#include "notify/webhook_metrics.h"
#include "settings/process_metrics.h"

namespace sky {

void ServeMetrics(const TViewCall& call) {
  TypedResponse("text/plain; version=0.0.4", RenderProcessMetrics() + RenderWebhookMetrics()).Send(call.connection);
}

}  // namespace sky
