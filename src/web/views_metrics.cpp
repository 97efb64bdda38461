// Implements part of web/views.h (ServeMetrics).
// The process metrics for a monitoring system to scrape: no password, since
// they hold no secret (databases appear by id, host and name, as the status
// page shows them), and cheap, since they are only read.
#include "notify/webhook_metrics.h"
#include "settings/process_metrics.h"
#include "web/views.h"

namespace sky {

void ServeMetrics(TConnection& connection) {
  const std::string body = RenderProcessMetrics() + RenderWebhookMetrics();
  connection.Write("HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Type: text/plain; version=0.0.4\r\n"
                   "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body);
}

}  // namespace sky
