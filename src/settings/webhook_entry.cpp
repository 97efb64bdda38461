#include "settings/webhook_entry.h"

#include <string>
#include <vector>

#include "settings/node_values.h"
#include "settings/settings.h"
#include "settings/settings_nodes.h"

namespace sky {

namespace {

bool StartsWith(std::string_view text, std::string_view head) { return text.substr(0, head.size()) == head; }

// The comma-separated names of `list`, blanks around them dropped.
std::vector<std::string> ListItems(std::string_view list) {
  std::vector<std::string> items;
  std::size_t from = 0;
  while (from <= list.size()) {
    const std::size_t comma = std::min(list.find(',', from), list.size());
    std::string_view item = list.substr(from, comma - from);
    while (!item.empty() && item.front() == ' ') item.remove_prefix(1);
    while (!item.empty() && item.back() == ' ') item.remove_suffix(1);
    items.emplace_back(item);
    from = comma + 1;
  }
  return items;
}

}  // namespace

TWebhookEntry ReadWebhookElement(TXmlNode element) {
  TWebhookEntry entry;
  for (const TSettingsNode<TWebhookEntry>& column : WebhookColumns()) {
    ReadNode(column, element.Attribute(column.attribute), entry);
  }
  return entry;
}

std::string WebhookHost(std::string_view url) {
  std::string_view rest;
  if (StartsWith(url, "https://")) {
    rest = url.substr(8);
  } else if (StartsWith(url, "http://")) {
    rest = url.substr(7);
  } else {
    return {};
  }
  rest = rest.substr(0, rest.find_first_of("/?#"));
  // Credentials before an '@' are as secret as the path.
  if (const std::size_t at = rest.rfind('@'); at != std::string_view::npos) rest = rest.substr(at + 1);
  for (const char c : rest) {
    if (static_cast<unsigned char>(c) <= ' ' || c == '"' || c == '<' || c == '>' || c == '\\') return {};
  }
  return std::string(rest);
}

std::vector<std::string> WebhookProblems(const TWebhookEntry& entry) {
  std::vector<std::string> problems;
  if (entry.Url.empty()) {
    problems.push_back("url is missing: nothing is sent");
  } else if (WebhookHost(entry.Url).empty()) {
    problems.push_back("url is not an http:// or https:// address with a host: nothing is sent");
  }
  if (entry.Format != "json" && entry.Format != "discord") {
    problems.push_back("format \"" + entry.Format + "\" is not json or discord: nothing is sent");
  }
  for (const std::string& event : ListItems(entry.Events)) {
    if (event != "rank" && event != "award") {
      problems.push_back("events: \"" + event + "\" is not rank or award");
    }
  }
  if (entry.Lang != "ru" && entry.Lang != "en") {
    problems.push_back("lang \"" + entry.Lang + "\" is not ru or en: the texts are in Russian");
  }
  return problems;
}

}  // namespace sky
