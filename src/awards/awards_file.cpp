#include "awards/awards_file.h"

#include <fmt/format.h>

#include "base/log.h"
#include "base/text.h"

namespace sky {

namespace {

constexpr std::string_view kArmySections[] = {"red", "blue"};

constexpr TAwardItemAttribute kItemAttributes[] = {
    {"id", &TAwardItemText::Id},       {"name", &TAwardItemText::Name},
    {"value", &TAwardItemText::Value}, {"ranks", &TAwardItemText::Ranks},
    {"dependson", &TAwardItemText::DependsOn},
};

std::string ItemsPath(TAwardKind kind, std::string_view section) {
  return fmt::format("//{}/{}/{}/{}", kAwardsElement, KindSection(kind), section, kItemElement);
}

std::string ConditionsPath(TAwardKind kind, std::string_view section, int32_t id) {
  return fmt::format("{}[@id={}]/{}", ItemsPath(kind, section), id, kConditionElement);
}

}  // namespace

std::string_view KindSection(TAwardKind kind) { return kind == TAwardKind::kSimple ? "simple" : "complex"; }

std::span<const std::string_view> ArmySections() { return kArmySections; }

std::span<const TAwardItemAttribute> AwardItemAttributes() { return kItemAttributes; }

std::string ArmySection(int32_t army) {
  if (army == 1 || army == 2) return std::string(kArmySections[army - 1]);
  WriteLog(0, "INVALID ARMYID", std::to_string(army));
  return std::string(kArmySections[0]);
}

bool WriteIfChangedRule(const TXmlDocument& awards) {
  TXmlNode preserve = awards.SelectFirst(fmt::format("//{}/@{}", kAwardsElement, kPreserveOnDeathAttribute));
  return !(preserve && SortsAfterZero(preserve.Value()));
}

std::string SimpleItemsPath(std::string_view section) { return ItemsPath(TAwardKind::kSimple, section); }

std::string SimpleConditionsPath(std::string_view section, int32_t id) {
  return ConditionsPath(TAwardKind::kSimple, section, id);
}

std::string ComplexItemsPath(std::string_view section) { return ItemsPath(TAwardKind::kComplex, section); }

std::string ComplexConditionsPath(std::string_view section, int32_t id) {
  return ConditionsPath(TAwardKind::kComplex, section, id);
}

bool SortsAfterZero(std::string_view text) {
  // string_view compares bytes as unsigned characters, so Cyrillic text
  // (UTF-8 lead bytes above 0x80) sorts after "0" just as it did in the
  // single-byte file encoding.
  return text > std::string_view("0");
}

bool RankListed(std::string_view ranks, int32_t rank) {
  return ranks.find(std::to_string(rank)) != std::string_view::npos;
}

std::optional<int32_t> ParseAwardInteger(std::string_view text) {
  std::string trimmed = TrimText(text);
  std::string_view digits = trimmed;
  if (!digits.empty() && digits.front() == '+') {
    digits.remove_prefix(1);
    // "+-5" would slip through after the '+' was taken off.
    if (!digits.empty() && digits.front() == '-') return std::nullopt;
  }
  return ToInt32(digits);
}

TAwardItemText ReadAwardItem(TXmlNode item) {
  TAwardItemText text;
  for (const TAwardItemAttribute& attribute : kItemAttributes) text.*attribute.field = item.Attribute(attribute.name);
  return text;
}

bool HasDependency(const TAwardItemText& item) {
  return item.DependsOn && !item.DependsOn->empty() && SortsAfterZero(*item.DependsOn);
}

}  // namespace sky
