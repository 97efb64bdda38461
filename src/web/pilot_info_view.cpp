#include "web/pilot_info_view.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "base/log.h"
#include "base/paths.h"
#include "base/text.h"
#include "engine/history.h"
#include "engine/kill_arithmetic.h"
#include "engine/sortie.h"
#include "export/json_writer.h"
#include "settings/server_list.h"
#include "settings/settings.h"
#include "settings/settings_store.h"
#include "web/http_answer.h"
#include "web/shown_figure.h"
#include "web/view_answer.h"
#include "xml/xml_document.h"

namespace sky {

namespace {

// The figures in the document's order, as its texts ("%5.2f" pads on the left).
using TInfoValues = std::array<std::pair<std::string_view, std::string>, 14>;

TInfoValues InfoValues(const TSettings& settings, int32_t combat_count, const TAirKills& air,
                       const TGroundKills& ground) {
  const double effective_airs = WeightedAirKills(settings, air);
  const double effective_grounds = WeightedGroundKills(settings, ground);
  return {{{"combat_count", std::to_string(combat_count)},
           {"effective_airs", PaddedFigure(effective_airs)},
           {"eAir", PaddedFigure(air.Air)},
           {"eBom", PaddedFigure(air.Bom)},
           {"eSAir", PaddedFigure(ground.SAir)},
           {"eShip", PaddedFigure(ground.Ship)},
           {"eTank", PaddedFigure(ground.Tank)},
           {"eCar", PaddedFigure(ground.Car)},
           {"eArt", PaddedFigure(ground.Art)},
           {"eAaa", PaddedFigure(ground.Aaa)},
           {"eWag", PaddedFigure(ground.Wag)},
           {"pure_ground", std::to_string(PureGroundKills(ground))},
           {"effective_grounds", PaddedFigure(effective_grounds)},
           {"effective_total", PaddedFigure(effective_grounds + effective_airs)}}};
}

// The figures of the request's pilot; nullopt when the view does not take
// the request.
std::optional<TInfoValues> AssemblePilotInfo(const THttpRequest& request) {
  const std::vector<std::string>& params = request.command.params;
  std::optional<std::string> pilot_text = ListValue(params, "pilotid");
  if (!pilot_text) return std::nullopt;
  const int32_t pilot_id = ToInt32(*pilot_text).value_or(0);
  WriteLog(10, "Получение информаци о пилоте", std::to_string(pilot_id));
  TServerEntry entry;
  if (!FindServerById(SettingsFileName(), ListValue(params, "srvid").value_or(""), entry)) {
    WriteLog(0, "not connected to MySQL");
    return std::nullopt;
  }
  TSettingsSnapshot settings = CurrentSettings();
  int32_t combat_count = 0;
  TAirKills air;
  TGroundKills ground;
  if (!PilotStreakStats(pilot_id, *settings, entry, combat_count, air, ground)) return std::nullopt;
  return InfoValues(*settings, combat_count, air, ground);
}

// One JSON object of numbers (the texts without their padding).
std::string InfoJson(const TInfoValues& values) {
  return JsonObjectText([&](TJsonWriter& writer) {
    for (const auto& [name, text] : values) {
      WriteJsonKey(writer, name);
      WriteJsonNumber(writer, TrimText(text));
    }
  });
}

std::string InfoXml(const TInfoValues& values) {
  TXmlDocument doc;
  TXmlNode info = doc.CreateRoot("info");
  for (const auto& [name, text] : values) info.AppendElement(name).SetText(text);
  return doc.ToText();
}

}  // namespace

void ServePilotInfo(const TViewCall& call) {
  const std::optional<TInfoValues> values = AssemblePilotInfo(call.request);
  if (!values) {
    SendDefaultPage(call.connection);
    return;
  }
  SendViewAnswer(call, [&] { return InfoJson(*values); }, [&] { return InfoXml(*values); });
}

}  // namespace sky
