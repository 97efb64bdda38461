#include "settings/settings_check.h"

#include <filesystem>
#include <map>
#include <set>
#include <span>
#include <stdexcept>
#include <system_error>

#include "base/encoding.h"
#include "base/log.h"
#include "base/text.h"
#include "settings/known_names.h"
#include "settings/node_values.h"
#include "settings/query_files.h"
#include "settings/server_list.h"
#include "settings/settings_nodes.h"
#include "settings/webhook_entry.h"

namespace sky {

namespace fs = std::filesystem;

namespace {

// The row of the table that fills `field`.
template <class Record, class Field>
const TSettingsNode<Record>& NodeOf(std::span<const TSettingsNode<Record>> nodes, Field Record::*field) {
  for (const TSettingsNode<Record>& node : nodes) {
    if (const auto* held = std::get_if<Field Record::*>(&node.field); held != nullptr && *held == field) return node;
  }
  throw std::logic_error("no settings node fills the field");
}

// "/skyranks", the root every row lies in.
std::string RootPath() {
  const std::string_view any = SettingsNodes().front().element;
  return std::string(any.substr(0, any.find('/', 1)));
}

std::string WithoutLeadingZeros(const std::string& digits) {
  const std::size_t first = digits.find_first_not_of('0');
  return first == std::string::npos ? "0" : digits.substr(first);
}

bool EndsWith(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

// The paths and attributes the reader knows, from the tables.
class TSettingsNames {
 public:
  TSettingsNames() {
    for (const TSettingsNode<TSettings>& node : SettingsNodes()) {
      for (std::size_t slash = node.element.find('/', 1); slash != std::string_view::npos;
           slash = node.element.find('/', slash + 1)) {
        attributes_.try_emplace(std::string(node.element.substr(0, slash)));
      }
      std::set<std::string>& names = attributes_[std::string(node.element)];
      if (node.type == TNodeType::kRanks) {
        for (const auto& column : RankColumns()) names.emplace(column.attribute);
      } else if (node.type == TNodeType::kServers) {
        for (const auto& column : ServerColumns()) names.emplace(column.attribute);
      } else if (node.type == TNodeType::kWebhooks) {
        for (const auto& column : WebhookColumns()) names.emplace(column.attribute);
      } else {
        names.emplace(node.attribute);
      }
    }
  }

  TKnownNames Known() const {
    const std::string list = "/" + std::string(kQueryNodes.list);
    const std::string item = list + "/" + std::string(kQueryNodes.item);
    return {[this, list, item](std::string_view path) {
              // The query lookup finds its elements anywhere below the root.
              static const std::string kBelowRoot = RootPath() + "/";
              if (path.substr(0, kBelowRoot.size()) == kBelowRoot &&
                  (EndsWith(path, list) || EndsWith(path, item))) {
                return true;
              }
              return attributes_.count(std::string(path)) > 0;
            },
            [this, item](std::string_view path, std::string_view attribute) {
              if (EndsWith(path, item)) return attribute == kQueryNodes.number || attribute == kQueryNodes.file;
              const auto found = attributes_.find(std::string(path));
              return found != attributes_.end() && !attribute.empty() && found->second.count(std::string(attribute)) > 0;
            }};
  }

 private:
  // Element path -> its attributes ("" for none).
  std::map<std::string, std::set<std::string>, std::less<>> attributes_;
};

// A number that does not read, or a text the reader cuts, of one node of
// `element`.
template <class Record>
void CheckValue(const std::string& file, TXmlNode element, const TSettingsNode<Record>& node, TCheckReport& report) {
  const std::optional<std::string> text = node.attribute.empty() ? std::optional(element.Text())
                                                                 : element.Attribute(node.attribute);
  if (!text) return;
  const std::string what = node.attribute.empty() ? "the text of <" + element.Name() + ">"
                                                  : std::string(node.attribute) + " of <" + element.Name() + ">";
  if (!NodeTextReads(node.type, *text)) {
    report.Problem(file, element.Line(),
                   what + " is not a number: \"" + *text + "\" reads as " + std::string(node.missing));
  } else if (node.limit > 0 && Utf8Length(*text) > node.limit) {
    report.Warning(file, element.Line(),
                   what + " is longer than " + std::to_string(node.limit) + " characters: the rest is not used");
  }
}

bool IsFresh(const std::string& value, std::string_view fresh) { return !fresh.empty() && value == fresh; }

void CheckRanks(const std::string& file, const std::vector<TXmlNode>& ranks, TCheckReport& report) {
  int32_t before = 0;
  bool first = true;
  for (TXmlNode element : ranks) {
    TRankDef rank;
    for (const auto& column : RankColumns()) {
      CheckValue(file, element, column, report);
      ReadNode(column, column.attribute.empty() ? std::optional(element.Text()) : element.Attribute(column.attribute),
               rank);
    }
    if (rank.Value <= before) {
      report.Problem(file, element.Line(),
                     first ? "rank value " + std::to_string(rank.Value) + " is not above 0: it is never reached"
                           : "rank value " + std::to_string(rank.Value) + " is not above the value before it (" +
                                 std::to_string(before) + "): the scale must increase");
    }
    before = rank.Value;
    first = false;
  }
}

void CheckServers(const std::string& file, const std::vector<TXmlNode>& elements, TSettingsCheck& check,
                  TCheckReport& report) {
  const std::string_view fresh_pass = NodeOf(ServerColumns(), &TServerEntry::Pass).fresh;
  std::map<std::string, long> first_with_id;
  bool any_active = false;
  for (TXmlNode element : elements) {
    for (const auto& column : ServerColumns()) CheckValue(file, element, column, report);
    TCheckedServer server{ReadServerElement(element), element.Line()};
    const TServerEntry& entry = server.entry;
    any_active = any_active || entry.Active;
    if (IsFresh(entry.Pass, fresh_pass)) {
      report.Warning(file, server.line,
                     "database " + entry.Id + ": the password is the one every new file gets: change it");
    }
    if (const auto [at, added] = first_with_id.emplace(entry.Id, server.line); !added) {
      report.Warning(file, server.line,
                     "database id " + entry.Id + " is also the id of line " + std::to_string(at->second) +
                         ": views and reset choose the first");
    }
    check.servers.push_back(std::move(server));
  }
  if (!any_active) report.Warning(file, 0, "no active mysql entry: no database is calculated");
}

void CheckQueries(const std::string& file, const std::vector<TXmlNode>& queries, TCheckReport& report) {
  std::map<std::string, long> first_with_number;
  for (TXmlNode query : queries) {
    const long line = query.Line();
    const std::optional<std::string> qid = query.Attribute(kQueryNodes.number);
    const std::optional<std::string> fname = query.Attribute(kQueryNodes.file);
    const std::string number = qid ? TrimText(*qid) : std::string();
    if (!qid) {
      report.Problem(file, line, "query without " + std::string(kQueryNodes.number) + ": it can never be asked for");
    } else if (!AllDigits(number) || number.empty()) {
      report.Problem(file, line, std::string(kQueryNodes.number) + " \"" + *qid +
                                     "\" is not a number: the query can never be asked for");
    } else if (const auto [at, added] = first_with_number.emplace(WithoutLeadingZeros(number), line); !added) {
      report.Warning(file, line, "query " + number + " is also at line " + std::to_string(at->second) +
                                     ": only the first is used");
    }
    if (!fname || TrimText(*fname).empty()) {
      report.Problem(file, line, "query " + number + " names no file (" + std::string(kQueryNodes.file) + ")");
      continue;
    }
    std::error_code error;
    if (!fs::is_regular_file(BesideFile(file, *fname), error)) {
      report.Problem(file, line, "query " + number + ": the file " + *fname + " is missing");
    }
  }
}

// The warnings of the values read.
void CheckRecord(const std::string& file, const TXmlDocument& doc, const TSettings& settings, TCheckReport& report) {
  const auto line_of = [&doc](const TSettingsNode<TSettings>& node) { return doc.SelectFirst(node.element).Line(); };
  const TSettingsNode<TSettings>& password = NodeOf(SettingsNodes(), &TSettings::AdminPassword);
  if (settings.AdminPassword.empty()) {
    report.Warning(file, line_of(password), "the admin password is empty: every control command is refused");
  } else if (IsFresh(settings.AdminPassword, password.fresh)) {
    report.Warning(file, line_of(password), "the admin password is the one every new file gets: change it");
  }
  if (settings.Debug) {
    report.Warning(file, line_of(NodeOf(SettingsNodes(), &TSettings::Debug)),
                   "debug is on: passes calculate but write nothing to the database");
  }
}

}  // namespace

std::string BesideFile(const std::string& file_name, const std::string& name) {
  const fs::path path(name);
  return path.is_absolute() ? name : (fs::path(file_name).parent_path() / path).string();
}

TSettingsCheck CheckSettingsFile(const std::string& file_name, TCheckReport& report) {
  TLogSilence silence;
  TSettingsCheck check;
  std::error_code error;
  if (!fs::exists(file_name, error)) {
    report.Warning(file_name, 0, "missing: the service writes one with the built-in defaults at start");
    SetDefaultSettings(check.settings);
    check.servers.push_back({check.settings.Server, 0});
    check.readable = true;
    return check;
  }
  TXmlDocument doc;
  TXmlLoadFailure failure;
  if (!doc.LoadFile(file_name, failure)) {
    report.Problem(file_name, failure.line, "not well-formed XML: " + failure.message);
    return check;
  }
  check.readable = true;
  static const TSettingsNames kNames;
  ReportUnknownNames(file_name, doc.Root(), kNames.Known(), report);
  for (const TSettingsNode<TSettings>& node : SettingsNodes()) {
    if (node.type == TNodeType::kRanks) {
      CheckRanks(file_name, doc.SelectAll(node.element), report);
    } else if (node.type == TNodeType::kServers) {
      CheckServers(file_name, doc.SelectAll(node.element), check, report);
    } else if (node.type == TNodeType::kWebhooks) {
      // The problem texts never hold the address, only what is wrong with it.
      for (TXmlNode element : doc.SelectAll(node.element)) {
        for (const std::string& problem : WebhookProblems(ReadWebhookElement(element))) {
          report.Problem(file_name, element.Line(), "webhook: " + problem);
        }
      }
    } else if (const TXmlNode element = doc.SelectFirst(node.element); !element.IsNull()) {
      CheckValue(file_name, element, node, report);
    }
  }
  CheckQueries(file_name, doc.SelectAll(QueryElementsPath()), report);
  LoadSettingsFromDocument(check.settings, doc);
  CheckRecord(file_name, doc, check.settings, report);
  check.awards_line = doc.SelectFirst(NodeOf(SettingsNodes(), &TSettings::AwardsFile).element).Line();
  return check;
}

}  // namespace sky
