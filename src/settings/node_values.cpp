// Every node type's reading rule, and the text a record's value is written as.
#include "settings/node_values.h"

#include <charconv>
#include <cmath>
#include <stdexcept>
#include <type_traits>

#include "base/encoding.h"
#include "base/text.h"
#include "settings/settings_nodes.h"
#include "settings/value_readers.h"

namespace sky {

namespace {

using TNodeValue = std::variant<bool, int64_t, double, std::string>;

// The value of a text the file holds, or nullopt when the text reads as the
// node's missing value.
std::optional<TNodeValue> FromText(TNodeType type, std::size_t limit, std::string_view text) {
  try {
    switch (type) {
      case TNodeType::kFlag:
        return text == "1";
      case TNodeType::kSwitch:
        return text.empty() || text.front() == '1';
      case TNodeType::kInt:
        return int64_t{TextToInt32(text)};
      case TNodeType::kPort: {
        if (TrimText(text).empty()) return std::nullopt;
        const double value = TextToFloat(text);
        if (!(std::fabs(value) < 9.2e18)) return std::nullopt;
        return static_cast<int64_t>(value);
      }
      case TNodeType::kRatio:
        return TextToFloat(text);
      case TNodeType::kText: {
        std::string cut = limit == 0 ? std::string(text) : Utf8Prefix(text, limit);
        if (cut.empty()) return std::nullopt;
        return cut;
      }
      case TNodeType::kName: {
        std::string trimmed = TrimText(text);
        if (trimmed.empty()) return std::nullopt;
        return trimmed;
      }
      case TNodeType::kRanks:
      case TNodeType::kServers:
      case TNodeType::kWebhooks:
        break;
    }
  } catch (const std::invalid_argument&) {
    // Not a number: the conversion has written its line.
  }
  return std::nullopt;
}

template <class Record>
TNodeValue MissingValue(const TSettingsNode<Record>& node) {
  if (std::optional<TNodeValue> value = FromText(node.type, node.limit, node.missing)) return *std::move(value);
  return std::string(node.missing);
}

// Shortest text that reads back as the same double: 0.5, 0.25, 2.
std::string RatioText(double value) {
  char buffer[64];
  const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return error == std::errc() ? std::string(buffer, end) : std::string("0");
}

}  // namespace

bool NodeTextReads(TNodeType type, std::string_view text) {
  switch (type) {
    case TNodeType::kInt:
    case TNodeType::kRatio:
      return ReadDecimal(text).has_value();
    case TNodeType::kPort:
      return TrimText(text).empty() || ReadDecimal(text).has_value();
    default:
      return true;
  }
}

template <class Record>
void ReadNode(const TSettingsNode<Record>& node, const std::optional<std::string>& text, Record& record) {
  std::optional<TNodeValue> read = text ? FromText(node.type, node.limit, *text) : std::nullopt;
  const TNodeValue value = read ? *std::move(read) : MissingValue(node);
  std::visit(
      [&](auto field) {
        using Field = decltype(field);
        if constexpr (std::is_same_v<Field, std::monostate>) {
          return;
        } else {
          using Held = std::remove_reference_t<decltype(record.*field)>;
          if constexpr (std::is_same_v<Held, std::array<double, kGroundKinds>>) {
            (record.*field)[static_cast<std::size_t>(node.index)] = std::get<double>(value);
          } else if constexpr (std::is_same_v<Held, bool> || std::is_same_v<Held, double> ||
                               std::is_same_v<Held, std::string>) {
            record.*field = std::get<Held>(value);
          } else {
            // The field's width does the wrapping: -1 is 4294967295 unsigned.
            record.*field = static_cast<Held>(std::get<int64_t>(value));
          }
        }
      },
      node.field);
}

template <class Record>
std::string NodeText(const TSettingsNode<Record>& node, const Record& record) {
  return std::visit(
      [&](auto field) -> std::string {
        using Field = decltype(field);
        if constexpr (std::is_same_v<Field, std::monostate>) {
          return {};
        } else {
          using Held = std::remove_cvref_t<decltype(record.*field)>;
          if constexpr (std::is_same_v<Held, std::array<double, kGroundKinds>>) {
            return RatioText((record.*field)[static_cast<std::size_t>(node.index)]);
          } else if constexpr (std::is_same_v<Held, bool>) {
            return record.*field ? "1" : "0";
          } else if constexpr (std::is_same_v<Held, double>) {
            return RatioText(record.*field);
          } else if constexpr (std::is_same_v<Held, std::string>) {
            return record.*field;
          } else {
            return std::to_string(record.*field);
          }
        }
      },
      node.field);
}

template <class Record>
std::string NodePath(const TSettingsNode<Record>& node, std::string_view element) {
  std::string path(element.empty() ? node.element : element);
  if (!node.attribute.empty()) path += "/@" + std::string(node.attribute);
  return path;
}

#define SKY_NODE_FUNCTIONS(Record)                                                                       \
  template void ReadNode(const TSettingsNode<Record>&, const std::optional<std::string>&, Record&);     \
  template std::string NodeText(const TSettingsNode<Record>&, const Record&);                            \
  template std::string NodePath(const TSettingsNode<Record>&, std::string_view);

SKY_NODE_FUNCTIONS(TSettings)
SKY_NODE_FUNCTIONS(TRankDef)
SKY_NODE_FUNCTIONS(TServerEntry)
SKY_NODE_FUNCTIONS(TWebhookEntry)

#undef SKY_NODE_FUNCTIONS

}  // namespace sky
