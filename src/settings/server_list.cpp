// The configured databases: the `mysql` elements of the settings file, read
// by the server columns of settings_nodes.h.
#include "settings/server_list.h"

#include <filesystem>
#include <string>
#include <system_error>

#include "settings/node_values.h"
#include "settings/settings.h"
#include "settings/settings_nodes.h"

namespace sky {

namespace {

// The settings file parsed, or false when it is missing or not well-formed.
bool LoadServerFile(const std::string& file_name, TXmlDocument& doc) {
  std::error_code error;
  if (!std::filesystem::exists(file_name, error)) return false;
  return doc.LoadFile(file_name);
}

std::vector<TXmlNode> ServerElements(const TXmlDocument& doc) {
  for (const TSettingsNode<TSettings>& node : SettingsNodes()) {
    if (node.type == TNodeType::kServers) return doc.SelectAll(node.element);
  }
  return {};
}

TServerEntry ReadServer(TXmlNode element, TServerEntry entry) {
  for (const TSettingsNode<TServerEntry>& column : ServerColumns()) {
    ReadNode(column, element.Attribute(column.attribute), entry);
  }
  return entry;
}

}  // namespace

TServerEntry ReadServerElement(TXmlNode element) { return ReadServer(element, {}); }

void ClearServerList(TServerList& list) { list.clear(); }

bool ReadServerList(const std::string& file_name, TServerList& list) {
  ClearServerList(list);
  TXmlDocument doc;
  if (!LoadServerFile(file_name, doc)) return false;
  for (const TXmlNode& element : ServerElements(doc)) list.push_back(ReadServerElement(element));
  return !list.empty();
}

bool FindServerById(const std::string& file_name, std::string_view id, TServerEntry& entry) {
  TXmlDocument doc;
  if (!LoadServerFile(file_name, doc)) return false;
  // The id is compared as a value, never pasted into a path expression, so
  // any text (quotes included) is safe. No match falls back to the first entry.
  const std::vector<TXmlNode> servers = ServerElements(doc);
  if (servers.empty()) return false;
  TXmlNode found = servers.front();
  for (const TXmlNode& server : servers) {
    if (server.Attribute("id") == id) {
      found = server;
      break;
    }
  }
  // Only where to connect is taken: the caller's id and switch stay.
  TServerEntry read = ReadServer(found, entry);
  read.Id = std::move(entry.Id);
  read.Active = entry.Active;
  entry = std::move(read);
  return true;
}

}  // namespace sky
