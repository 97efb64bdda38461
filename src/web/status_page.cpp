#include "web/status_page.h"

#include <fmt/format.h>

#include <exception>

#include "base/datetime.h"
#include "base/paths.h"
#include "base/version.h"
#include "settings/server_list.h"
#include "settings/settings_store.h"
#include "web/admin_guard.h"
#include "web/http_answer.h"
#include "web/shown_figure.h"

namespace sky {

namespace {

constexpr std::string_view kBlue = "<font color = \"$0000FF\">";

const char* const kGroundModeNames[3] = {
    "a)не учитывается",
    " b)суммируется с воздушными килами",
    " c)либо воздушные килы, либо наземные (смотря чего больше)",
};

struct TGroundRatioLabel {
  TGroundKind kind;
  const char* label;
};
constexpr TGroundRatioLabel kGroundRatioLabels[] = {
    {eSAir, "самолет на земле:"}, {eTank, "танк:"}, {eCar, "автомобиль:"}, {eArt, "орудие:"},
    {eAaa, "зенитное орудие:"},   {eWag, "вагон:"}, {eShip, "корабль:"},
};

const char* const kSortieModeTexts[3] = {
    "* Длительность не учитывается (нужны только килы)",
    "* Длительность учитывается + требуются килы",
    "* Длительность учитывается. Килы необязательны",
};

void AddDatabaseLines(std::vector<std::string>& lines) {
  TServerList servers;
  ReadServerList(SettingsFileName(), servers);
  for (const TServerEntry& entry : servers) {
    const std::string text = entry.Host + "; DB = " + entry.Db + "; id = " + entry.Id;
    lines.push_back(entry.Active ? "<li><b>" + text + "</b>" : "<li><i>" + text + "</i>");
  }
}

// The three ground-kill rules with the one in force highlighted; nothing for
// a mode that names none of them.
void AddGroundModeLine(std::vector<std::string>& lines, int32_t mode) {
  switch (mode) {
    case 0:
      AddSettingLine(lines, "учет наземки: " + std::string(kBlue) + "<b>",
                     std::string(kGroundModeNames[0]) + "</b></font>," + kGroundModeNames[1] + "," +
                         kGroundModeNames[2]);
      break;
    case 1:
      AddSettingLine(lines, "учет наземки: ",
                     std::string(kGroundModeNames[0]) + "," + std::string(kBlue) + "<b>" + kGroundModeNames[1] +
                         "</b></font>," + kGroundModeNames[2]);
      break;
    case 2:
      AddSettingLine(lines, "учет наземки: ",
                     std::string(kGroundModeNames[0]) + "," + kGroundModeNames[1] + "," + std::string(kBlue) +
                         "<b>" + kGroundModeNames[2] + "</b></font>");
      break;
    default:
      break;
  }
}

}  // namespace

void AddSettingLine(std::vector<std::string>& lines, std::string_view label, std::string_view value) {
  lines.push_back(std::string(label) + " = " + std::string(value));
}

void SettingsToHTML(std::vector<std::string>& lines, const TSettings& settings) {
  lines.clear();
  lines.push_back("<h3>Обслуживаемые сервера MySQL:</h3>");
  AddDatabaseLines(lines);
  lines.push_back("<br>");
  AddSettingLine(lines, "интервал обновления (мин)", std::to_string(settings.Interval));
  AddSettingLine(lines, "вылет успешный " + std::string(kBlue), settings.SortieEndSuccess + "</font>");
  AddSettingLine(lines, "вылет не засчитывается<font color = \"$FF0000\">", settings.SortieEndSkip + "</font>");
  AddSettingLine(lines, "вылет прерывает стрик<font color = \"$FF0000\">", settings.SortieEndDead + "</font>");
  AddGroundModeLine(lines, settings.BombersMode);
  if (settings.BombersMode > 0) {
    lines.push_back("<hr>");
    lines.push_back("<b>Весовые коэффициенты наземных целей (по отношению к сбитому самолету):</b>");
    for (const TGroundRatioLabel& ratio : kGroundRatioLabels) {
      AddSettingLine(lines, ratio.label,
                     fmt::format("<font color=\"$0000FF\">{}</font>",
                                 fmt::format("{:.15g}", settings.GroundRatio[ratio.kind])));
    }
    lines.push_back("<hr>");
  }
  lines.push_back("<b>Условия боевого вылета:</b> <i>(текущий режим выделен цветом)</i>");
  for (int32_t mode = 0; mode < 3; ++mode) {
    lines.push_back(mode == settings.SortieMode
                        ? std::string(kBlue) + "<b>" + kSortieModeTexts[mode] + "</b></font>"
                        : std::string("<i>") + kSortieModeTexts[mode] + "</i>");
  }
  lines.push_back("<hr>");
  if (settings.SortieMode > 0) {
    AddSettingLine(lines, "Минимальная длительность боевого вылета в минутах: <font color=\"$0000FF\">",
                   std::to_string(settings.SortieDuration) + "</font>");
    lines.push_back("<hr>");
  }
  lines.push_back("<b>Учет сбитых в воздухе бомбардировщиков противника:</b>");
  AddSettingLine(lines, "Коэффициент за сбитый бомбер в воздухе:<font color=\"$0000FF\">",
                 PaddedFigure(settings.AirBomberRatio) + "</font>");
  lines.push_back("<hr>");
}

namespace {

// The page's body: the settings lines (or the error that stopped them), the
// version, the start and the last calculation.
std::string StatusPageBody(const TSettings& settings, const std::string& version_line) {
  std::string page;
  std::vector<std::string> lines;
  try {
    SettingsToHTML(lines, settings);
  } catch (const std::exception& e) {
    page += "Error:<br>" + std::string(e.what()) + "<br>";
  }
  page += version_line + "<br>";
  for (const std::string& line : lines) page += line + "<br>";
  page += "Сервис запущен :" + std::string(kBlue) + FormatDateTime(StartTime()) + "</font>";
  page += "<br>Последний пересчет : ";
  const TDateTime last = LastCalcTime();
  if (last <= kNeverCalculated) {
    page += "<font color = \"$FF0000\">never</font>";
  } else {
    page += std::string(kBlue) + FormatDateTime(last) + "</font>";
  }
  return page;
}

}  // namespace

void ShowConfig(TConnection& connection) {
  ReloadSettings();
  const TSettingsSnapshot settings = CurrentSettings();
  const std::unique_ptr<TVersionInfo> version = TVersionInfo::ForRunningProgram();
  const std::string version_line = "<b>" + version->ProductName() + "</b> (ver " + version->FileVersion() + ")";
  const std::string page = StatusPageBody(*settings, version_line);

  WriteHTTPResp(connection);
  WriteHTMLHeader(connection, "Текущие настройки");
  WriteText(connection, page);
  WriteHTMLEnd(connection);
  WriteLine(connection, "");
}

void ServeConfig(const TViewCall& call) {
  if (const std::optional<TAdminRefusal> refusal = ForeignHostRefusal(call.request.text, *CurrentSettings())) {
    SendRefusal(call.connection, *refusal);
    return;
  }
  ShowConfig(call.connection);
}

}  // namespace sky

