// The settings document as a new file is written: the table's nodes in its
// order, each element with the comments of the row that creates it.
#include "settings/settings_document.h"

#include <map>
#include <string>

#include "settings/node_values.h"
#include "settings/settings.h"
#include "settings/settings_nodes.h"

namespace sky {

namespace {

// Appends each '\n'-separated line of `lines` as a comment.
template <class Parent>
void AppendComments(Parent& parent, std::string_view lines) {
  while (!lines.empty()) {
    const std::size_t end = lines.find('\n');
    parent.AppendComment(lines.substr(0, end));
    lines = end == std::string_view::npos ? std::string_view() : lines.substr(end + 1);
  }
}

// Builds the document top-down: an element is created, after its comments,
// by the first row that lies in it.
class TDocumentBuilder {
 public:
  explicit TDocumentBuilder(TXmlDocument& doc) : doc_(doc) {}

  // The element at `path` ("/skyranks/rules/sortie"), created when missing.
  TXmlNode Element(std::string_view path, std::string_view comment, std::string_view parent_comment) {
    if (auto found = elements_.find(std::string(path)); found != elements_.end()) return found->second;
    const std::size_t slash = path.rfind('/');
    const std::string_view name = path.substr(slash + 1);
    TXmlNode created;
    if (slash == 0) {
      AppendComments(doc_, comment);
      created = doc_.CreateRoot(name);
    } else {
      TXmlNode parent = Element(path.substr(0, slash), parent_comment, {});
      AppendComments(parent, comment);
      created = parent.AppendElement(name);
    }
    elements_.emplace(std::string(path), created);
    return created;
  }

 private:
  TXmlDocument& doc_;
  std::map<std::string, TXmlNode, std::less<>> elements_;
};

// Whether a group's element gets all its columns from the record, or what
// a new file holds.
enum class TColumns { kNewFile, kAll };

// The row's value as the element's attribute or text: the record's, or the
// fixed text a new file holds.
template <class Record>
void SetNode(TXmlNode element, const TSettingsNode<Record>& node, const Record& record, TColumns columns) {
  const std::string text = columns == TColumns::kNewFile && node.write == TNodeWrite::kFresh
                               ? std::string(node.fresh)
                               : NodeText(node, record);
  if (node.attribute.empty()) {
    element.SetText(text);
  } else {
    element.SetAttribute(node.attribute, text);
  }
}

// One element of a group (a rank, a database).
template <class Record>
void AppendRow(TXmlNode parent, std::string_view name, std::span<const TSettingsNode<Record>> columns,
               const Record& record, TColumns which) {
  TXmlNode element = parent.AppendElement(name);
  for (const TSettingsNode<Record>& column : columns) {
    if (which == TColumns::kAll || column.write != TNodeWrite::kNever) SetNode(element, column, record, which);
  }
}

void Build(const TSettings& settings, const TServerList* servers, TXmlDocument& doc) {
  doc.Clear();
  TDocumentBuilder builder(doc);
  for (const TSettingsNode<TSettings>& node : SettingsNodes()) {
    if (node.write == TNodeWrite::kNever) continue;
    if (node.type == TNodeType::kRanks || node.type == TNodeType::kServers) {
      const std::size_t slash = node.element.rfind('/');
      TXmlNode parent = builder.Element(node.element.substr(0, slash), node.parent_comment, {});
      AppendComments(parent, node.comment);
      const std::string_view name = node.element.substr(slash + 1);
      if (node.type == TNodeType::kRanks) {
        for (const TRankDef& rank : settings.Ranks) AppendRow(parent, name, RankColumns(), rank, TColumns::kNewFile);
      } else if (servers == nullptr) {
        // A new file names one database: the record's.
        AppendRow(parent, name, ServerColumns(), settings.Server, TColumns::kNewFile);
      } else {
        for (const TServerEntry& server : *servers) AppendRow(parent, name, ServerColumns(), server, TColumns::kAll);
      }
      continue;
    }
    SetNode(builder.Element(node.element, node.comment, node.parent_comment), node, settings, TColumns::kNewFile);
  }
}

}  // namespace

void BuildSettingsDocument(const TSettings& settings, TXmlDocument& doc) { Build(settings, nullptr, doc); }

void BuildSettingsDocument(const TSettings& settings, const TServerList& servers, TXmlDocument& doc) {
  Build(settings, &servers, doc);
}

}  // namespace sky
