#include "engine/history_json.h"

#include <span>
#include <string_view>

#include "base/text.h"
#include "export/json_writer.h"

namespace sky {

namespace {

enum class TValueKind { kInteger, kText, kDateTime, kFlag };

struct TAttributeShape {
  std::string_view name;
  TValueKind kind;
};

// Child elements: under `key`, an array of all of them or (single) the
// first one, null when there is none.
struct TChildShape {
  std::string_view element;
  std::string_view key;
  bool single;
};

struct TElementShape {
  std::string_view element;
  std::span<const TAttributeShape> attributes;
  std::span<const TChildShape> children;
};

using enum TValueKind;
constexpr TAttributeShape kHistory[] = {{"callsign", kText}};
constexpr TAttributeShape kLife[] = {{"id", kInteger},          {"start", kDateTime}, {"end", kDateTime},
                                     {"broken", kFlag},         {"combatcount", kInteger},
                                     {"kills", kInteger},       {"currentrank", kText}};
constexpr TAttributeShape kSortie[] = {{"id", kInteger},       {"sortieend", kText}, {"starttime", kDateTime},
                                       {"endtime", kDateTime}, {"duration_ok", kFlag}, {"iscombat", kFlag},
                                       {"isdead", kFlag}};
constexpr TAttributeShape kDetails[] = {{"AirKills", kInteger}, {"GroundKills", kInteger}, {"EffectiveKills", kInteger}};
constexpr TAttributeShape kNewRank[] = {{"id", kInteger}, {"rankname", kText}, {"date", kDateTime}};

constexpr TChildShape kHistoryChildren[] = {{"strik", "lives", false}};
constexpr TChildShape kLifeChildren[] = {{"sortie", "sorties", false}};
constexpr TChildShape kSortieChildren[] = {{"details", "details", true}, {"newrank", "newrank", true}};

constexpr TElementShape kShapes[] = {
    {"history", kHistory, kHistoryChildren}, {"strik", kLife, kLifeChildren}, {"sortie", kSortie, kSortieChildren},
    {"details", kDetails, {}},               {"newrank", kNewRank, {}},
};

const TElementShape& ShapeOf(std::string_view element) {
  for (const TElementShape& shape : kShapes) {
    if (shape.element == element) return shape;
  }
  throw TXmlError("the history has no element " + std::string(element));
}

// "dd.mm.yyyy hh:nn:ss" (or the date alone) as ISO 8601; another shape
// stays as it is.
std::string ShownDateTimeAsIso(const std::string& text) {
  if ((text.size() != 10 && text.size() != 19) || text[2] != '.' || text[5] != '.' ||
      !AllDigits(text.substr(0, 2)) || !AllDigits(text.substr(3, 2)) || !AllDigits(text.substr(6, 4))) {
    return text;
  }
  std::string iso = text.substr(6, 4) + "-" + text.substr(3, 2) + "-" + text.substr(0, 2);
  if (text.size() == 10) return iso;
  return text[10] == ' ' ? iso + "T" + text.substr(11) : text;
}

void WriteAttribute(TJsonWriter& writer, TXmlNode element, const TAttributeShape& shape) {
  WriteJsonKey(writer, shape.name);
  const std::optional<std::string> value = element.Attribute(shape.name);
  if (shape.kind == kFlag) {
    writer.Bool(value == "1");
  } else if (!value) {
    writer.Null();
  } else if (shape.kind == kInteger) {
    WriteJsonNumber(writer, *value);
  } else if (shape.kind == kDateTime) {
    WriteJsonText(writer, ShownDateTimeAsIso(*value));
  } else {
    WriteJsonText(writer, *value);
  }
}

void WriteElement(TJsonWriter& writer, TXmlNode element) {
  const TElementShape& shape = ShapeOf(element.Name());
  writer.StartObject();
  for (const TAttributeShape& attribute : shape.attributes) WriteAttribute(writer, element, attribute);
  const std::vector<TXmlNode> children = element.ChildElements();
  for (const TChildShape& child : shape.children) {
    WriteJsonKey(writer, child.key);
    if (!child.single) writer.StartArray();
    bool written = false;
    for (TXmlNode node : children) {
      if (node.Name() != child.element || (child.single && written)) continue;
      WriteElement(writer, node);
      written = true;
    }
    if (!child.single) {
      writer.EndArray();
    } else if (!written) {
      writer.Null();
    }
  }
  writer.EndObject();
}

}  // namespace

void WriteHistoryJson(TXmlNode history, std::string& out) {
  TJsonSink sink(out);
  TJsonWriter writer(sink);
  WriteElement(writer, history);
}

}  // namespace sky
