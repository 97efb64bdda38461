// The settings file described once: one row per node it holds.
//
// A row gives the node's place (element path and attribute, or the element's
// own text), its type, the value a reader takes when the node is missing,
// the value a new file is written with, the comment written before its
// element in a new file, its length limit and the record field it fills.
// Reading the file (LoadSettingsFromDocument, the server list), the defaults
// (SetDefaultSettings) and the new file (BuildSettingsDocument) all walk these
// tables; no other code names a node of the file. The configured queries,
// which are neither in the record nor in a new file, have their names in
// kQueryNodes, for the query lookup and the check alike.
//
// Values are held as the text the file would hold and converted by the
// node's type, so a missing node, a new file and a hand-edited file go
// through one conversion.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "settings/settings.h"

namespace sky {

// How a node's text becomes a value. Numbers accept "." or "," and blanks
// around them; a text that is not a number writes the level-0 conversion
// line and reads as the missing value.
enum class TNodeType {
  kFlag,     // on only for the text "1" exactly
  kSwitch,   // on unless the text is not empty and does not start with '1'
  kInt,      // the whole part kept to its low 32 bits; an unsigned field holds -1 as 4294967295,
             // a 16-bit one holds the value modulo 65536
  kPort,     // blank is missing; else the whole part modulo 65536; beyond 64 bits is missing
  kRatio,    // a floating point number
  kText,     // the text cut to `limit` characters; empty is missing
  kName,     // the text without blanks around it; blank is missing
  kRanks,    // the rank scale: one `rank` element per row, columns in RankColumns()
  kServers,  // the databases: one `mysql` element each, columns in ServerColumns()
  kWebhooks, // the webhooks: one `webhook` element each, columns in WebhookColumns()
};

// What a new file holds for the node.
enum class TNodeWrite {
  kRecord,  // the record's value; the defaults set the field to `fresh`
  kFresh,   // always `fresh`, whatever the record holds; the defaults leave the field alone
  kNever,   // nothing: the node is an extension the administrator adds
};

// Log lines written after a node is read: the settings echo at level 3.
enum class TNodeEcho { kNone, kStreakConditions, kAdministration };

template <class Record>
using TNodeField = std::variant<std::monostate, bool Record::*, int32_t Record::*, uint32_t Record::*,
                                uint16_t Record::*, double Record::*, std::string Record::*,
                                std::array<double, kGroundKinds> Record::*>;

template <class Record>
struct TSettingsNode {
  std::string_view element = {};         // "/skyranks/schedule"; empty for a group's column
  std::string_view attribute = {};       // empty: the element's own text
  TNodeType type = TNodeType::kText;
  std::string_view missing = {};         // read when the node is absent
  std::string_view fresh = {};           // written into a new file
  std::string_view comment = {};         // lines ('\n' between) before the element, from the row creating it
  std::string_view parent_comment = {};  // lines before the parent element, from the row creating it
  std::size_t limit = 0;                 // characters, for kText; 0 for none
  TNodeWrite write = TNodeWrite::kRecord;
  int read_order = 0;                    // the order of reading (conversion lines follow it); 0: not read
  TNodeEcho echo = TNodeEcho::kNone;
  TNodeField<Record> field = {};
  int index = 0;                         // the element of an array field
};

// The configured queries: `queries` elements anywhere in the file, each with
// `query` elements naming a query number and the file of its statement.
struct TQueryNodes {
  std::string_view list = "queries";
  std::string_view item = "query";
  std::string_view number = "qid";
  std::string_view file = "fname";
};
inline constexpr TQueryNodes kQueryNodes{};
// In file order: the new file's order of elements and attributes.
std::span<const TSettingsNode<TSettings>> SettingsNodes();
std::span<const TSettingsNode<TRankDef>> RankColumns();
std::span<const TSettingsNode<TServerEntry>> ServerColumns();
std::span<const TSettingsNode<TWebhookEntry>> WebhookColumns();
// The rank scale of a new file.
std::span<const TRankDef> NewFileRanks();

}  // namespace sky
