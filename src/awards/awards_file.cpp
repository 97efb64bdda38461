#include "awards/awards_file.h"

#include <charconv>
#include <fmt/format.h>

#include "settings/log.h"
#include "xml/encoding.h"

namespace sky {

std::string ArmySection(int32_t army) {
  if (army == 1) return "red";
  if (army == 2) return "blue";
  WriteLog(0, "INVALID ARMYID", std::to_string(army));
  return "red";
}

bool WriteIfChangedRule(const TXmlDocument& awards) {
  TXmlNode preserve = awards.SelectFirst("//awards/@preserve_on_death");
  return !(preserve && SortsAfterZero(preserve.Value()));
}

std::string SimpleItemsPath(std::string_view section) {
  return fmt::format("//awards/simple/{}/item", section);
}

std::string SimpleConditionsPath(std::string_view section, int32_t id) {
  return fmt::format("//awards/simple/{}/item[@id={}]/condition", section, id);
}

std::string ComplexItemsPath(std::string_view section) {
  return fmt::format("//awards/complex/{}/item", section);
}

std::string ComplexConditionsPath(std::string_view section, int32_t id) {
  return fmt::format("//awards/complex/{}/item[@id={}]/condition", section, id);
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
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  if (digits.empty()) return std::nullopt;
  int32_t value = 0;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  // "+-5" would slip through from_chars after the '+' was taken off.
  if (digits.front() == '-' && trimmed.front() == '+') return std::nullopt;
  return value;
}

TAwardItemText ReadAwardItem(TXmlNode item) {
  TAwardItemText text;
  text.Id = item.Attribute("id");
  text.Name = item.Attribute("name");
  text.Value = item.Attribute("value");
  text.Ranks = item.Attribute("ranks");
  text.DependsOn = item.Attribute("dependson");
  return text;
}

bool HasDependency(const TAwardItemText& item) {
  return item.DependsOn && !item.DependsOn->empty() && SortsAfterZero(*item.DependsOn);
}

}  // namespace sky
