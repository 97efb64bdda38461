// XML answers: a document sent with the XML head, and the data packet of any
// statement sent as such a document.
#include <exception>
#include <sstream>
#include <stdexcept>

#include "engine/history.h"
#include "export/packet_text.h"
#include "settings/log.h"
#include "settings/paths.h"
#include "settings/settings.h"
#include "settings/settings_store.h"
#include "web/view_operations.h"
#include "xml/encoding.h"
#include "xml/xml_document.h"

namespace sky {

void SendXMLStream(TConnection& connection, std::string_view document) {
  WriteXMLHead(connection);
  connection.Write(document);
  connection.Disconnect();
}

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
    std::ostringstream packet;
    if (!RunDataSetQuery(sql, packet, entry, &params)) return;
    XmlDocument doc;
    if (!doc.LoadText(packet.str())) throw std::runtime_error("the data packet is not well-formed XML");
    if (!stylesheet.empty()) {
      XmlNode datapacket = doc.SelectFirst("//DATAPACKET");
      if (datapacket.IsNull()) throw std::runtime_error("the data packet has no DATAPACKET element");
      datapacket.InsertBefore(
          doc.CreateProcessingInstruction("xml-stylesheet", "type=\"text/xsl\" href=\"" + stylesheet + "\""));
    }
    SendXMLStream(connection, PacketText(doc));
  } catch (const std::exception& e) {
    WriteLog(0, "ServAnyDataSet", e.what());
  }
}

}  // namespace sky
