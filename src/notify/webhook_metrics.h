// The webhooks' counters for the "/metrics" view: by the webhook's place
// in the settings (`webhook`, from 1) and its host, never its address.
// Empty without webhooks, so that the view's answer stays as it was.
#pragma once

#include <string>

namespace sky {

std::string RenderWebhookMetrics();

}  // namespace sky
