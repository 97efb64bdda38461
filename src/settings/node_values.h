// A node's text and the record field it fills, converted by the node's type
// (TNodeType, settings/settings_nodes.h) in both directions.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "settings/settings_nodes.h"

namespace sky {

// False when the type takes a number and `text` is not one: the reader then
// writes the conversion line and takes the node's missing value.
bool NodeTextReads(TNodeType type, std::string_view text);

// Sets the row's field from the node's text; nullopt means the node is missing.
template <class Record>
void ReadNode(const TSettingsNode<Record>& node, const std::optional<std::string>& text, Record& record);
// The text the row's field is written as.
template <class Record>
std::string NodeText(const TSettingsNode<Record>& node, const Record& record);

// The XPath of a scalar node, "/skyranks/schedule/@interval"; `element`
// replaces the row's own (the indexed element of a group's column).
template <class Record>
std::string NodePath(const TSettingsNode<Record>& node, std::string_view element = {});

}  // namespace sky
