// Implements part of web/view_operations.h (ServAnyDataSet): the data packet
// of any statement, sent as an XML answer.
#include <exception>
#include <sstream>
#include <stdexcept>
#include <utility>

#include "engine/history.h"
#include "export/packet_text.h"
#include "settings/log.h"
#include "settings/paths.h"
#include "settings/settings.h"
#include "settings/settings_store.h"
#include "web/answer_framing.h"
#include "web/view_operations.h"
#include "web/view_params.h"
#include "xml/encoding.h"
#include "xml/xml_document.h"

namespace sky {

void ServAnyDataSet(TConnection& connection, const std::string& sql,
                    const std::vector<std::string>& params, const std::string& stylesheet) {
  try {
    const std::string srvid = TrimText(ListValue(params, "srvid").value_or(""));
    TServerEntry entry;
    const bool found = FindServerById(SettingsFileName(), srvid, entry);
    ReloadSettings();
    if (!found) {
      // No database is configured at all: the same outcome as one that is down.
      WriteLog(0, "not connected to MySQL");
      return;
    }
    std::ostringstream stream;
    if (!RunDataSetQuery(sql, stream, entry, &params)) return;
    std::string packet = std::move(stream).str();
    // The packet goes out as parsing it, adding the instruction and writing
    // it again would give; for the writer's plain packets that is its own
    // text with one line more, so the document is only built for the rest.
    if (!AddStylesheetToPacket(packet, stylesheet)) packet = PacketWithStylesheet(packet, stylesheet);
    SendXMLStream(connection, packet);
  } catch (const std::exception& e) {
    WriteLog(0, "ServAnyDataSet", e.what());
  }
}

}  // namespace sky
