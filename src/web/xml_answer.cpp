// Implements part of web/view_operations.h (ServAnyDataSet): the data packet
// of any statement in the format the request chose: the XML packet (as it is
// or made into HTML), or JSON written straight from the rows.
#include <exception>
#include <sstream>
#include <stdexcept>
#include <utility>

#include "db/query.h"
#include "engine/history.h"
#include "export/json_packet.h"
#include "settings/log.h"
#include "settings/paths.h"
#include "settings/server_list.h"
#include "settings/settings.h"
#include "settings/settings_store.h"
#include "web/answer_framing.h"
#include "web/view_answer.h"
#include "web/view_operations.h"
#include "web/view_params.h"
#include "xml/encoding.h"
#include "xml/xml_document.h"

namespace sky {

void ServAnyDataSet(TConnection& connection, const std::string& sql, const std::vector<std::string>& params,
                    const std::string& stylesheet, const TAnswerFormat& format) {
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
    if (format.kind == TAnswerKind::kJson) {
      std::string json;
      if (!RunDataSetQuery(sql, entry, &params, [&json](TQuery& query) { WriteJsonPacket(query, json); })) return;
      SendJsonAnswer(connection, format, json);
      return;
    }
    std::ostringstream stream;
    // The packet writer puts the stylesheet instruction after its declaration.
    if (!RunDataSetQuery(sql, stream, entry, &params, stylesheet)) return;
    SendViewDocument(connection, format, std::move(stream).str());
  } catch (const std::exception& e) {
    WriteLog(0, "ServAnyDataSet", e.what());
  }
}

}  // namespace sky
