// "GET /metrics": the process metrics (settings/process_metrics.h) and the
// webhooks' (notify/webhook_metrics.h) in the text exposition format,
// UTF-8, with their length.
#pragma once

#include "web/view_call.h"

namespace sky {

void ServeMetrics(const TViewCall& call);

}  // namespace sky
