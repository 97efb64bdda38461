// The configured statistics databases: the `mysql` elements of the settings
// file, listed or looked up by id.
#pragma once

#include <string>
#include <string_view>

#include "settings/settings.h"
#include "xml/xml_document.h"

namespace sky {

// Replaces `list` with one entry per `mysql` element in file order; true when not empty.
bool ReadServerList(const std::string& file_name, TServerList& list);
void ClearServerList(TServerList& list);
// One `mysql` element read as the list reads it.
TServerEntry ReadServerElement(TXmlNode element);
// Fills Host, User, Pass, Db (and the Port/Charset extensions) of `entry`
// from the entry whose id equals `id`, or from the first entry when none has
// it. False (entry unchanged) when the file is missing, malformed or lists no
// database. Any id is safe, quotes included.
bool FindServerById(const std::string& file_name, std::string_view id, TServerEntry& entry);

}  // namespace sky
