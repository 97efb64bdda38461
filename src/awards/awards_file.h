// The awards definition document: its army sections, the path expressions
// that evaluation runs on it, and the reading of one award item.
//
// The document is loaded by the rank pass and only read here. Its layout:
//   awards[@preserve_on_death]
//     simple/{red,blue}/item[@id @name @value @ranks @dependson]/condition[@...]
//     complex/{red,blue}/item[...]/condition[@...]
// Element and attribute names are matched exactly; criterion names (the
// attributes of `condition`) are matched without case by the condition tests.
//
// Several attribute tests compare texts, not numbers: "greater than '0'"
// means the text sorts after "0" byte by byte, so "1", "00" and "a" do and
// "", "0", "-1" and " 1" do not.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "awards/award_criteria.h"
#include "xml/xml_document.h"

namespace sky {

// The names of the document's elements and of its one own attribute, as
// evaluation selects them (the item's attributes are AwardItemAttributes,
// the condition's the criteria of award_criteria.h).
inline constexpr std::string_view kAwardsElement = "awards";
inline constexpr std::string_view kPreserveOnDeathAttribute = "preserve_on_death";
inline constexpr std::string_view kItemElement = "item";
inline constexpr std::string_view kConditionElement = "condition";
// "simple" or "complex".
std::string_view KindSection(TAwardKind kind);
// The army sections, army 1 first.
std::span<const std::string_view> ArmySections();

// "red" for army 1, "blue" for army 2. Any other army writes the level-0
// line "INVALID ARMYID" (detail: the army number) and gives "red".
std::string ArmySection(int32_t army);

// The write-back rule of the document: false (write only when the new mask
// is greater) when awards/@preserve_on_death sorts after "0", true (write
// whenever the mask changed) otherwise.
bool WriteIfChangedRule(const TXmlDocument& awards);

// Path expressions, formed exactly as the evaluation selects them.
std::string SimpleItemsPath(std::string_view section);
std::string SimpleConditionsPath(std::string_view section, int32_t id);
std::string ComplexItemsPath(std::string_view section);
std::string ComplexConditionsPath(std::string_view section, int32_t id);

// True when the text sorts after "0" (byte order, as described above).
bool SortsAfterZero(std::string_view text);

// True when the decimal text of the rank occurs anywhere in `ranks`
// (plain substring search: rank 1 is listed in "10").
bool RankListed(std::string_view ranks, int32_t rank);

// A decimal 32-bit integer (surrounding blanks and a sign allowed);
// nullopt for anything else, including an empty text or an overflow.
std::optional<int32_t> ParseAwardInteger(std::string_view text);

// The attributes of one `item` element as they stand in the file; an absent
// attribute is nullopt, an empty one an empty text.
struct TAwardItemText {
  std::optional<std::string> Id;
  std::optional<std::string> Name;
  std::optional<std::string> Value;
  std::optional<std::string> Ranks;
  std::optional<std::string> DependsOn;
};
TAwardItemText ReadAwardItem(TXmlNode item);

// The attributes of an item, each with the field it is read into.
struct TAwardItemAttribute {
  std::string_view name;
  std::optional<std::string> TAwardItemText::*field;
};
std::span<const TAwardItemAttribute> AwardItemAttributes();

// True when the item carries a dependency: `dependson` present, not empty
// and sorting after "0".
bool HasDependency(const TAwardItemText& item);

}  // namespace sky
