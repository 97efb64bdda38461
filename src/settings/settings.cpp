// Reading the settings file into a record, and the built-in defaults, both
// by the table of settings_nodes.h.
#include "settings/settings.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

#include "base/log.h"
#include "settings/node_values.h"
#include "settings/settings_document.h"
#include "settings/settings_nodes.h"
#include "settings/webhook_entry.h"

namespace sky {

namespace {

constexpr const char* kMalformedDetail = "the file is not well-formed XML; nothing was read from it";

bool FileExists(const std::string& file_name) {
  std::error_code error;
  return std::filesystem::exists(file_name, error);
}

// The node's text at `path`, nullopt when there is no such node: an
// attribute's value, or an element's text.
template <class Record>
std::optional<std::string> TextAt(const TXmlDocument& doc, const TSettingsNode<Record>& node, std::string_view path) {
  const TXmlNode found = doc.SelectFirst(path);
  if (found.IsNull()) return std::nullopt;
  return node.attribute.empty() ? found.Text() : found.Value();
}

// The scale's rows by index: "/skyranks/ranks/rank[i]" names the i-th rank of
// every `ranks` element, the count is that of all of them.
void ReadRanks(const TXmlDocument& doc, std::string_view element, std::vector<TRankDef>& ranks) {
  const std::size_t count = doc.SelectAll(element).size();
  ranks.resize(count);
  for (std::size_t i = 0; i < count; ++i) {
    const std::string indexed = std::string(element) + "[" + std::to_string(i) + "]";
    for (const TSettingsNode<TRankDef>& column : RankColumns()) {
      ReadNode(column, TextAt(doc, column, NodePath(column, indexed)), ranks[i]);
    }
  }
}

void Echo(TNodeEcho echo, const TSettings& settings) {
  switch (echo) {
    case TNodeEcho::kNone:
      break;
    case TNodeEcho::kStreakConditions:
      WriteLog(3, " = Условия стрика = ");
      WriteLog(3, "вылет засчитан      = ", settings.SortieEndSuccess);
      WriteLog(3, "вылет незасчитан    = ", settings.SortieEndSkip);
      WriteLog(3, "вылет прервал стрик = ", settings.SortieEndDead);
      break;
    case TNodeEcho::kAdministration:
      WriteLog(3, " = Администрирование= ");
      WriteLog(3, "порт = ", std::to_string(settings.AdminPort));
      break;
  }
}

// The rows that are read, in their reading order.
std::vector<const TSettingsNode<TSettings>*> ReadingOrder() {
  std::vector<const TSettingsNode<TSettings>*> rows;
  for (const TSettingsNode<TSettings>& node : SettingsNodes()) {
    if (node.read_order > 0) rows.push_back(&node);
  }
  std::sort(rows.begin(), rows.end(), [](auto a, auto b) { return a->read_order < b->read_order; });
  return rows;
}

}  // namespace

void SetDefaultSettings(TSettings& settings) {
  for (const TSettingsNode<TSettings>& node : SettingsNodes()) {
    if (node.type == TNodeType::kRanks) {
      settings.Ranks.assign(NewFileRanks().begin(), NewFileRanks().end());
    } else if (node.type == TNodeType::kServers) {
      for (const TSettingsNode<TServerEntry>& column : ServerColumns()) {
        if (column.write == TNodeWrite::kRecord) ReadNode(column, std::string(column.fresh), settings.Server);
      }
    } else if (node.write == TNodeWrite::kRecord) {
      ReadNode(node, std::string(node.fresh), settings);
    }
  }
}

bool LoadSettingsFromDocument(TSettings& settings, const TXmlDocument& doc) {
  static const std::vector<const TSettingsNode<TSettings>*> kReadingOrder = ReadingOrder();
  for (const TSettingsNode<TSettings>* node : kReadingOrder) {
    if (node->type == TNodeType::kRanks) {
      ReadRanks(doc, node->element, settings.Ranks);
    } else if (node->type == TNodeType::kWebhooks) {
      settings.Webhooks.clear();
      for (const TXmlNode& element : doc.SelectAll(node->element)) settings.Webhooks.push_back(ReadWebhookElement(element));
    } else {
      ReadNode(*node, TextAt(doc, *node, NodePath(*node)), settings);
    }
    Echo(node->echo, settings);
  }
  return true;
}

void SaveSettings(const std::string& file_name, const TSettings& settings) {
  try {
    TXmlDocument doc;
    BuildSettingsDocument(settings, doc);
    doc.SaveFile(file_name);
  } catch (const std::exception& e) {
    WriteLog(0, "ERROR saving settings to " + file_name, e.what());
  }
}

TSettingsRead ReadSettingsFile(const std::string& file_name, TSettings& settings) {
  if (!FileExists(file_name)) {
    SetDefaultSettings(settings);
    SaveSettings(file_name, settings);
  }
  if (FileExists(file_name)) {
    try {
      TXmlDocument doc;
      if (!doc.LoadFile(file_name)) {
        // Often a file caught half-written by an editor: the values in force
        // stay until the file parses again.
        WriteLog(0, "ERROR reading settings from " + file_name, kMalformedDetail);
        return TSettingsRead::kMalformed;
      }
      LoadSettingsFromDocument(settings, doc);
      return TSettingsRead::kRead;
    } catch (const std::exception& e) {
      WriteLog(0, "ERROR reading settings from " + file_name, e.what());
      return TSettingsRead::kFailed;
    }
  }
  WriteLog(0, "ERROR!!!", "Mising settings file!");
  return TSettingsRead::kFailed;
}

bool ReadSettings(const std::string& file_name, TSettings& settings) {
  return ReadSettingsFile(file_name, settings) == TSettingsRead::kRead;
}

}  // namespace sky
