#include "web/history_view.h"

#include <exception>

#include "base/log.h"
#include "base/paths.h"
#include "base/text.h"
#include "engine/history.h"
#include "engine/history_json.h"
#include "http/request_parsing.h"
#include "settings/server_list.h"
#include "settings/settings_store.h"
#include "web/view_answer.h"
#include "web/view_params.h"
#include "xml/xml_document.h"

namespace sky {

void ShowHistoryRequest(const TViewCall& call) {
  static const TNumberParam history_param("history", TNumberParam::TPlacement::kQueryParameter);
  std::optional<std::string> history = history_param.In(call.request.params);
  if (!history) return;
  WriteLog(3, "Запрошена история пилота ", *history);
  const std::string srvid = QuerySrvid(call.request.params);
  // A number too large for a pilot id names no pilot; like a value that is
  // no number at all, it gets no answer.
  std::optional<int32_t> pilot_id = ToInt32(*history);
  if (!pilot_id) return;
  ShowPilotHistory(call, *pilot_id, srvid);
}

namespace {

// The history document of the pilot; without the database, an empty one.
void AssembleHistory(TXmlDocument& doc, int32_t pilot_id, const std::string& srvid) {
  ReloadSettings();
  TSettingsSnapshot settings = CurrentSettings();
  doc.AppendProcessingInstruction("xml-stylesheet", "type=\"text/xsl\" href=\"/xsl/history.xsl\"");
  TXmlNode history = doc.CreateRoot("history");
  TServerEntry entry;
  if (FindServerById(SettingsFileName(), srvid, entry)) {
    BuildPilotHistory(pilot_id, *settings, history, entry);
  } else {
    WriteLog(0, "not connected to MySQL");
  }
}

void SendHistory(const TViewCall& call, TXmlDocument& doc) {
  if (call.format.kind == TAnswerKind::kJson) {
    std::string json;
    WriteHistoryJson(doc.Root(), json);
    SendJsonAnswer(call, json);
  } else {
    SendViewDocument(call, doc.ToText());
  }
}

}  // namespace

void ShowPilotHistory(const TViewCall& call, int32_t pilot_id, const std::string& srvid) {
  // The history walks the pilot's sorties as a pass does, so no pass may
  // write them meanwhile.
  call.service.RunExclusive([&] {
    try {
      TXmlDocument doc;
      AssembleHistory(doc, pilot_id, srvid);
      SendHistory(call, doc);
    } catch (const std::exception& e) {
      WriteLog(0, "ShowHistory", e.what());
    }
  });
}

}  // namespace sky
