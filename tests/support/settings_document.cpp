#include "support/settings_document.h"

#include "settings/node_values.h"
#include "settings/settings_document.h"
#include "settings/settings_nodes.h"
#include "xml/xml_document.h"

namespace sky::test {

TSettings MissingSettings() {
  TSettings settings;
  for (const TSettingsNode<TSettings>& node : SettingsNodes()) ReadNode(node, std::nullopt, settings);
  return settings;
}

SettingsDocument ServiceSettings(TServerList servers, uint32_t interval, uint16_t admin_port,
                                 const std::string& password, int log_level) {
  SettingsDocument document;
  document.servers = std::move(servers);
  document.settings.Interval = interval;
  document.settings.AdminPort = admin_port;
  document.settings.AdminPassword = password;
  document.settings.LogLevel = log_level;
  return document;
}

std::string SettingsDocument::Bytes() const {
  TXmlDocument doc;
  BuildSettingsDocument(settings, servers, doc);
  if (!queries.empty()) {
    TXmlNode list = doc.Root().AppendElement("queries");
    for (const auto& [qid, file_name] : queries) {
      TXmlNode query = list.AppendElement("query");
      query.SetAttribute("qid", qid);
      query.SetAttribute("fname", file_name);
    }
  }
  return doc.ToText();
}

}  // namespace sky::test
