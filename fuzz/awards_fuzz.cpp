// The parts of award evaluation that need no database, on arbitrary awards
// documents: the write-back rule, the item and condition selections of both
// armies, the reading of items, and the number readers. The integer reader
// agrees with a plain reference parse.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "awards/award_conditions.h"
#include "awards/awards_file.h"
#include "base/log.h"
#include "fuzz_check.h"
#include "xml/xml_document.h"

using namespace sky;

namespace {

bool Blank(char c) { return static_cast<unsigned char>(c) <= 0x20; }

// Blanks around, one optional sign, at least one digit, nothing else.
std::optional<int32_t> ReferenceInteger(std::string_view text) {
  while (!text.empty() && Blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && Blank(text.back())) text.remove_suffix(1);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > int64_t{1} << 32) return std::nullopt;
  }
  if (negative) value = -value;
  if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
    return std::nullopt;
  return static_cast<int32_t>(value);
}

void ReadItems(const TXmlDocument& doc, const std::string& items_path, bool complex, std::string_view section) {
  for (TXmlNode item : doc.SelectAll(items_path)) {
    const TAwardItemText text = ReadAwardItem(item);
    (void)HasDependency(text);
    if (text.Ranks) (void)RankListed(*text.Ranks, 3);
    const std::optional<int32_t> id = text.Id ? ParseAwardInteger(*text.Id) : std::nullopt;
    if (!id) continue;
    const std::string conditions =
        complex ? ComplexConditionsPath(section, *id) : SimpleConditionsPath(section, *id);
    for (TXmlNode condition : doc.SelectAll(conditions)) {
      for (const auto& [name, value] : condition.Attributes()) {
        try {
          (void)ReadThreshold(value);
        } catch (const std::invalid_argument&) {
        }
      }
    }
  }
}

}  // namespace

// Conversion errors are logged; the log file is not what is tested here.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  SetLogThreshold(-1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  TXmlDocument doc;
  doc.LoadText(text);
  (void)WriteIfChangedRule(doc);
  for (int32_t army : {1, 2}) {
    const std::string section = ArmySection(army);
    ReadItems(doc, SimpleItemsPath(section), false, section);
    ReadItems(doc, ComplexItemsPath(section), true, section);
  }

  const std::string_view head = text.substr(0, 40);
  FUZZ_CHECK(ParseAwardInteger(head) == ReferenceInteger(head));
  (void)SortsAfterZero(head);
  try {
    (void)ReadThreshold(head);
  } catch (const std::invalid_argument&) {
  }
  return 0;
}
