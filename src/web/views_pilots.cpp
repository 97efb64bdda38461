// Implements part of web/views.h (ShowPilotList, ShowHistoryRequest) and web/view_operations.h (ShowPilotHistory).
// The pilot list of a database and one pilot's history.
#include <exception>

#include "engine/history.h"
#include "engine/history_json.h"
#include "settings/log.h"
#include "settings/paths.h"
#include "settings/server_list.h"
#include "settings/settings_store.h"
#include "web/request_parsing.h"
#include "web/answer_framing.h"
#include "web/view_answer.h"
#include "web/view_operations.h"
#include "web/view_params.h"
#include "web/views.h"
#include "xml/encoding.h"
#include "xml/xml_document.h"

namespace sky {

namespace {

const TNumberParam& SrvidParam() {
  static const TNumberParam srvid("srvid", TNumberParam::TPlacement::kQueryParameter);
  return srvid;
}

}  // namespace

void ShowPilotList(TConnection& connection, const std::string& params, const TAnswerFormat& format) {
  WriteLog(5, "ShowPilotList");
  ReloadSettings();
  const std::string srvid = SrvidParam().In(params).value_or("1");
  // srvid is digits only, so it can stand in the text as a number.
  const std::string sql =
      "select id,callsign,realrank,armyid," + srvid + " as srvid from pilots where class = 'Human pilot'";
  ServAnyDataSet(connection, sql, {"srvid=" + srvid}, "./xsl/pilotlist.xsl", format);
}

void ShowHistoryRequest(TServiceControl& service, TConnection& connection, const std::string& params,
                        const TAnswerFormat& format) {
  static const TNumberParam history_param("history", TNumberParam::TPlacement::kQueryParameter);
  std::optional<std::string> history = history_param.In(params);
  if (!history) return;
  WriteLog(3, "Запрошена история пилота ", *history);
  const std::string srvid = SrvidParam().In(params).value_or("1");
  // A number too large for a pilot id names no pilot; like a value that is
  // no number at all, it gets no answer.
  std::optional<int32_t> pilot_id = ToInt32(*history);
  if (!pilot_id) return;
  ShowPilotHistory(service, connection, *pilot_id, srvid, format);
}

void ShowPilotHistory(TServiceControl& service, TConnection& connection, int32_t pilot_id,
                      const std::string& srvid, const TAnswerFormat& format) {
  // The history walks the pilot's sorties as a pass does, so no pass may
  // write them meanwhile.
  service.RunExclusive([&] {
    try {
      ReloadSettings();
      TSettingsSnapshot settings = CurrentSettings();
      TXmlDocument doc;
      doc.AppendProcessingInstruction("xml-stylesheet", "type=\"text/xsl\" href=\"/xsl/history.xsl\"");
      TXmlNode history = doc.CreateRoot("history");
      TServerEntry entry;
      if (FindServerById(SettingsFileName(), srvid, entry)) {
        BuildPilotHistory(pilot_id, *settings, history, entry);
      } else {
        WriteLog(0, "not connected to MySQL");
      }
      if (format.kind == TAnswerKind::kJson) {
        std::string json;
        WriteHistoryJson(history, json);
        SendJsonAnswer(connection, format, json);
      } else {
        SendViewDocument(connection, format, doc.ToText());
      }
    } catch (const std::exception& e) {
      WriteLog(0, "ShowHistory", e.what());
    }
  });
}

}  // namespace sky
