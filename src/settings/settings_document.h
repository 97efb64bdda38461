// The document of a new settings file, built from the node tables of
// settings_nodes.h.
#pragma once

#include "settings/settings.h"
#include "xml/xml_document.h"

namespace sky {

// The document of a new file holding the record's values.
void BuildSettingsDocument(const TSettings& settings, TXmlDocument& doc);
// The same naming `servers`, each with every attribute (id, active, port and
// charset too), instead of the record's one entry.
void BuildSettingsDocument(const TSettings& settings, const TServerList& servers, TXmlDocument& doc);

}  // namespace sky
