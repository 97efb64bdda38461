#include "web/data_set_answer.h"

#include <exception>
#include <sstream>
#include <stdexcept>
#include <utility>

#include "base/log.h"
#include "base/paths.h"
#include "base/text.h"
#include "db/query.h"
#include "engine/history.h"
#include "export/json_packet.h"
#include "http/request_parsing.h"
#include "settings/server_list.h"
#include "settings/settings.h"
#include "settings/settings_store.h"
#include "web/view_answer.h"
#include "xml/xml_document.h"

namespace sky {

void ServAnyDataSet(const TViewCall& call, const std::string& sql, const std::vector<std::string>& params,
                    const std::string& stylesheet) {
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
    if (call.format.kind == TAnswerKind::kJson) {
      std::string json;
      if (!RunDataSetQuery(sql, entry, &params, [&json](TQuery& query) { WriteJsonPacket(query, json); })) return;
      SendJsonAnswer(call, json);
      return;
    }
    std::ostringstream stream;
    // The packet writer puts the stylesheet instruction after its declaration.
    if (!RunDataSetQuery(sql, stream, entry, &params, stylesheet)) return;
    SendViewDocument(call, std::move(stream).str());
  } catch (const std::exception& e) {
    WriteLog(0, "ServAnyDataSet", e.what());
  }
}

}  // namespace sky
