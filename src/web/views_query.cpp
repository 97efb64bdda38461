// Implements part of web/views.h (ServeQuery, ServePilotInfo).
// Configured queries and one pilot's statistics.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <utility>

#include "engine/history.h"
#include "engine/kill_arithmetic.h"
#include "engine/sortie.h"
#include "export/json_writer.h"
#include "settings/log.h"
#include "settings/paths.h"
#include "settings/query_files.h"
#include "settings/server_list.h"
#include "settings/settings.h"
#include "settings/settings_store.h"
#include "web/answer_framing.h"
#include "web/view_answer.h"
#include "web/view_operations.h"
#include "web/view_params.h"
#include "web/views.h"
#include "xml/encoding.h"
#include "xml/xml_document.h"

namespace sky {

namespace {

// A query file is Windows-1251 text like every file the service reads; one
// that starts with a UTF-8 byte order mark is taken as UTF-8.
std::optional<std::string> ReadQueryFile(const std::string& file_name) {
  std::filesystem::path path(file_name);
  if (path.is_relative()) path = std::filesystem::path(ProgramDirectory()) / path;
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  static constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
  if (bytes.starts_with(kUtf8Bom)) return bytes.substr(kUtf8Bom.size());
  return Cp1251ToUtf8(bytes);
}

std::string Fixed52(double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%5.2f", value);
  return buffer;
}

using TInfoValues = std::pair<std::string_view, std::string>[14];

// Appends the statistics as one JSON object of numbers (the texts without
// their padding).
void WriteInfoJson(const TInfoValues& values, std::string& json) {
  TJsonSink sink(json);
  TJsonWriter writer(sink);
  writer.StartObject();
  for (const auto& [name, text] : values) {
    WriteJsonKey(writer, name);
    WriteJsonNumber(writer, TrimText(text));
  }
  writer.EndObject();
}

}  // namespace

bool ServeQuery(TConnection& connection, const std::vector<std::string>& params, const TAnswerFormat& format) {
  const std::optional<std::string> file_name =
      FindQueryFile(SettingsFileName(), ListValue(params, "qid").value_or(""));
  if (!file_name) return false;
  WriteLog(10, "Файл с запросом =", *file_name);
  std::optional<std::string> sql = ReadQueryFile(*file_name);
  if (!sql) return false;
  ServAnyDataSet(connection, *sql, params, "", format);
  return true;
}

bool ServePilotInfo(TConnection& connection, const std::vector<std::string>& params, const TAnswerFormat& format) {
  std::optional<std::string> pilot_text = ListValue(params, "pilotid");
  if (!pilot_text) return false;
  const int32_t pilot_id = ToInt32(*pilot_text).value_or(0);
  WriteLog(10, "Получение информаци о пилоте", std::to_string(pilot_id));
  TServerEntry entry;
  if (!FindServerById(SettingsFileName(), ListValue(params, "srvid").value_or(""), entry)) {
    WriteLog(0, "not connected to MySQL");
    return false;
  }
  TSettingsSnapshot settings = CurrentSettings();
  int32_t combat_count = 0;
  TAirKills air;
  TGroundKills ground;
  if (!PilotStreakStats(pilot_id, *settings, entry, combat_count, air, ground)) return false;

  const double effective_airs = WeightedAirKills(*settings, air);
  const double effective_grounds = WeightedGroundKills(*settings, ground);
  // In the document's order, as its texts ("%5.2f" pads on the left).
  const TInfoValues values = {
      {"combat_count", std::to_string(combat_count)},
      {"effective_airs", Fixed52(effective_airs)},
      {"eAir", Fixed52(air.Air)},
      {"eBom", Fixed52(air.Bom)},
      {"eSAir", Fixed52(ground.SAir)},
      {"eShip", Fixed52(ground.Ship)},
      {"eTank", Fixed52(ground.Tank)},
      {"eCar", Fixed52(ground.Car)},
      {"eArt", Fixed52(ground.Art)},
      {"eAaa", Fixed52(ground.Aaa)},
      {"eWag", Fixed52(ground.Wag)},
      {"pure_ground", std::to_string(PureGroundKills(ground))},
      {"effective_grounds", Fixed52(effective_grounds)},
      {"effective_total", Fixed52(effective_grounds + effective_airs)},
  };
  if (format.kind == TAnswerKind::kJson) {
    std::string json;
    WriteInfoJson(values, json);
    SendJsonAnswer(connection, format, json);
    return true;
  }
  TXmlDocument doc;
  TXmlNode info = doc.CreateRoot("info");
  for (const auto& [name, text] : values) info.AppendElement(name).SetText(text);
  SendViewDocument(connection, format, doc.ToText());
  return true;
}

}  // namespace sky
