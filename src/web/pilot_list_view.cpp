#include "web/pilot_list_view.h"

#include "base/log.h"
#include "settings/settings_store.h"
#include "web/data_set_answer.h"
#include "web/view_params.h"

namespace sky {

void ShowPilotList(const TViewCall& call) {
  WriteLog(5, "ShowPilotList");
  ReloadSettings();
  const std::string srvid = QuerySrvid(call.request.params);
  // srvid is digits only, so it can stand in the text as a number.
  const std::string sql =
      "select id,callsign,realrank,armyid," + srvid + " as srvid from pilots where class = 'Human pilot'";
  ServAnyDataSet(call, sql, {"srvid=" + srvid}, "./xsl/pilotlist.xsl");
}

}  // namespace sky
