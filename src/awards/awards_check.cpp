#include "awards/awards_check.h"

#include <cstdint>
#include <limits>
#include <map>
#include <stdexcept>
#include <vector>

#include "awards/award_conditions.h"
#include "awards/awards_file.h"
#include "base/log.h"
#include "settings/known_names.h"
#include "xml/xml_document.h"

namespace sky {

namespace {

std::string Slash(std::string_view a, std::string_view b) { return std::string(a) + "/" + std::string(b); }

// What evaluation knows, by element path: the kind of the section a path
// lies in tells the criteria of its conditions.
TKnownNames AwardsNames() {
  std::map<std::string, std::optional<TAwardKind>, std::less<>> elements;
  const std::string root = "/" + std::string(kAwardsElement);
  elements.emplace(root, std::nullopt);
  for (TAwardKind kind : {TAwardKind::kSimple, TAwardKind::kComplex}) {
    const std::string section = Slash(root, KindSection(kind));
    elements.emplace(section, std::nullopt);
    for (std::string_view army : ArmySections()) {
      elements.emplace(Slash(section, army), std::nullopt);
      elements.emplace(Slash(Slash(section, army), kItemElement), std::nullopt);
      elements.emplace(Slash(Slash(Slash(section, army), kItemElement), kConditionElement), kind);
    }
  }
  const std::string item_tail = "/" + std::string(kItemElement);
  return {[elements](std::string_view path) { return elements.count(path) > 0; },
          [elements, root, item_tail](std::string_view path, std::string_view attribute) {
            if (path == root) return attribute == kPreserveOnDeathAttribute;
            if (path.size() > item_tail.size() && path.substr(path.size() - item_tail.size()) == item_tail) {
              for (const TAwardItemAttribute& known : AwardItemAttributes()) {
                if (known.name == attribute) return true;
              }
              return false;
            }
            const auto found = elements.find(path);
            return found != elements.end() && found->second && FindCriterion(*found->second, attribute).has_value();
          }};
}

// One item as read, with its line.
struct TItem {
  long line = 0;
  TAwardItemText text;
  std::optional<int32_t> id, value, depends_on;
};

std::optional<int32_t> IntegerAttribute(const std::string& file, long line, const std::optional<std::string>& text,
                                        std::string_view name, TCheckReport& report) {
  if (!text) return std::nullopt;
  std::optional<int32_t> number = ParseAwardInteger(*text);
  if (!number) report.Problem(file, line, std::string(name) + " \"" + *text + "\" of <item> is not an integer");
  return number;
}

bool SingleBit(int32_t value) { return value > 0 && (value & (value - 1)) == 0; }

TItem ReadItem(const std::string& file, TXmlNode node, TAwardKind kind, TCheckReport& report) {
  TItem item;
  item.line = node.Line();
  item.text = ReadAwardItem(node);
  std::string lacking;
  for (const auto& [name, text] : {std::pair{"id", item.text.Id}, {"name", item.text.Name}, {"value", item.text.Value}}) {
    if (!text) lacking += (lacking.empty() ? "" : ", ") + std::string(name);
  }
  if (!lacking.empty()) report.Problem(file, item.line, "the item lacks " + lacking + ": it is never awarded");
  item.id = IntegerAttribute(file, item.line, item.text.Id, "id", report);
  item.value = IntegerAttribute(file, item.line, item.text.Value, "value", report);
  if (HasDependency(item.text)) {
    item.depends_on = IntegerAttribute(file, item.line, item.text.DependsOn, "dependson", report);
  }
  if (item.value == std::numeric_limits<int32_t>::min()) {
    report.Problem(file, item.line, "value " + *item.text.Value + " is bit 31, the sign of the awards column");
  } else if (item.value && !SingleBit(*item.value)) {
    report.Problem(file, item.line, "value " + *item.text.Value + " is not a single bit (1, 2, 4, ... 1073741824)");
  }
  bool any_condition = false;
  for (TXmlNode condition : node.ChildElements()) {
    if (condition.Name() != kConditionElement) continue;
    any_condition = true;
    for (const auto& [name, threshold] : condition.Attributes()) {
      const std::optional<TCriterionName> criterion = FindCriterion(kind, name);
      if (!criterion || !criterion->reads_number) continue;
      try {
        ReadThreshold(threshold);
      } catch (const std::invalid_argument&) {
        report.Problem(file, condition.Line(),
                       name + " \"" + threshold + "\" of <condition> is not a number: the condition is never met");
      }
    }
  }
  if (!any_condition) report.Warning(file, item.line, "the item has no condition: it is never awarded");
  return item;
}

// The items of one army, both kinds: ids are unique by section, bits by army.
void CheckArmy(const std::string& file, const TXmlDocument& doc, std::string_view army, TCheckReport& report) {
  std::vector<TItem> items;
  int32_t awarded = 0;
  std::map<int32_t, long> first_with_value;
  for (TAwardKind kind : {TAwardKind::kSimple, TAwardKind::kComplex}) {
    const std::string section = std::string(KindSection(kind)) + "/" + std::string(army);
    std::map<int32_t, long> first_with_id;
    const std::string path = kind == TAwardKind::kSimple ? SimpleItemsPath(army) : ComplexItemsPath(army);
    for (TXmlNode node : doc.SelectAll(path)) {
      TItem item = ReadItem(file, node, kind, report);
      if (item.id) {
        if (const auto [at, added] = first_with_id.emplace(*item.id, item.line); !added) {
          report.Problem(file, item.line, "id " + std::to_string(*item.id) + " is also the id of line " +
                                              std::to_string(at->second) + " in " + section +
                                              ": the two items share their conditions");
        }
      }
      if (item.value && SingleBit(*item.value)) {
        awarded |= *item.value;
        if (const auto [at, added] = first_with_value.emplace(*item.value, item.line); !added) {
          report.Warning(file, item.line, "value " + std::to_string(*item.value) + " is also the value of line " +
                                              std::to_string(at->second) + ": the two awards are one bit");
        }
      }
      items.push_back(std::move(item));
    }
  }
  for (const TItem& item : items) {
    if (item.depends_on && (*item.depends_on & ~awarded) != 0) {
      report.Problem(file, item.line, "dependson " + *item.text.DependsOn + " names bits no item of " +
                                          std::string(army) + " awards: " +
                                          std::to_string(*item.depends_on & ~awarded));
    }
  }
}

}  // namespace

void CheckAwardsFile(const std::string& file_name, TCheckReport& report) {
  TLogSilence silence;
  TXmlDocument doc;
  TXmlLoadFailure failure;
  if (!doc.LoadFile(file_name, failure)) {
    report.Problem(file_name, failure.line, "not well-formed XML: " + failure.message);
    return;
  }
  static const TKnownNames kNames = AwardsNames();
  ReportUnknownNames(file_name, doc.Root(), kNames, report);
  if (doc.Root().Name() != kAwardsElement) {
    // Evaluation finds its element anywhere in the document.
    for (TXmlNode awards : doc.SelectAll("//" + std::string(kAwardsElement))) {
      ReportUnknownNames(file_name, awards, kNames, report);
    }
  }
  for (std::string_view army : ArmySections()) CheckArmy(file_name, doc, army, report);
}

}  // namespace sky
