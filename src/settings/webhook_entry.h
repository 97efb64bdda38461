// The webhook entries of the settings file (`notify/webhook`): reading one,
// the host an address may be shown by, and what is wrong with an entry.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "settings/settings.h"
#include "xml/xml_document.h"

namespace sky {

// The host of an http(s) address ("hooks.example.org", "127.0.0.1:8080");
// empty when the address is not one.
std::string WebhookHost(std::string_view url);
// What is wrong with the entry, one text each ("format \"xml\" is not json or discord").
std::vector<std::string> WebhookProblems(const TWebhookEntry& entry);

// One `notify/webhook` element read by the webhook columns of settings_nodes.h.
TWebhookEntry ReadWebhookElement(TXmlNode element);

}  // namespace sky
