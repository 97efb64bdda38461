// The status page as a client receives it.
#include <gtest/gtest.h>

#include "base/datetime.h"
#include "settings/settings_store.h"
#include "web/http_test_client.h"
#include "web/status_page.h"

namespace sky {
namespace {

// The web tests' settings with these two modes and rules beside them.
test::SettingsDocument WithRules(int bombers_mode, int sortie_mode) {
  test::SettingsDocument document = test::WebSettings("pintowel", 3);
  TSettings& rules = document.settings;
  rules.SortieEndSuccess = "_TKON_";
  rules.SortieEndSkip = "_BAIL_";
  rules.SortieEndDead = "_DIED_";
  rules.BombersMode = bombers_mode;
  rules.GroundRatio = {0.5, 1, 0.2, 0.25, 0.125, 0.1, 2};
  rules.SortieMode = sortie_mode;
  rules.SortieDuration = 20;
  rules.AirBomberRatio = 1.5;
  return document;
}

std::string Page(const std::string& lines, const std::string& last_calculation) {
  return test::HtmlAnswer("Текущие настройки", "<b>skyranks</b> (ver 1.0.0.0)<br>" + lines +
                                                    "Сервис запущен :<font color = \"$0000FF\">" +
                                                    FormatDateTime(StartTime()) + "</font><br>Последний пересчет : " +
                                                    last_calculation) +
         "\r\n";
}

constexpr char kDatabases[] =
    "<h3>Обслуживаемые сервера MySQL:</h3><br>"
    "<li><b>db-one; DB = stats; id = 1</b><br>"
    "<li><i>db-two; DB = другая; id = 2</i><br>"
    "<br><br>"
    "интервал обновления (мин) = 15<br>"
    "вылет успешный <font color = \"$0000FF\"> = _TKON_</font><br>"
    "вылет не засчитывается<font color = \"$FF0000\"> = _BAIL_</font><br>"
    "вылет прерывает стрик<font color = \"$FF0000\"> = _DIED_</font><br>";

constexpr char kRatios[] =
    "<hr><br>"
    "<b>Весовые коэффициенты наземных целей (по отношению к сбитому самолету):</b><br>"
    "самолет на земле: = <font color=\"$0000FF\">0.5</font><br>"
    "танк: = <font color=\"$0000FF\">1</font><br>"
    "автомобиль: = <font color=\"$0000FF\">0.2</font><br>"
    "орудие: = <font color=\"$0000FF\">0.25</font><br>"
    "зенитное орудие: = <font color=\"$0000FF\">0.125</font><br>"
    "вагон: = <font color=\"$0000FF\">0.1</font><br>"
    "корабль: = <font color=\"$0000FF\">2</font><br>"
    "<hr><br>";

constexpr char kBomberRatio[] =
    "<b>Учет сбитых в воздухе бомбардировщиков противника:</b><br>"
    "Коэффициент за сбитый бомбер в воздухе:<font color=\"$0000FF\"> =  1.50</font><br>"
    "<hr><br>";

TEST(AdminStatusPage, ModesZeroBeforeTheFirstCalculation) {
  test::WebServerFixture web;
  web.home.WriteSettings(WithRules(0, 0));
  const std::string expected = Page(
      std::string(kDatabases) +
          "учет наземки: <font color = \"$0000FF\"><b> = a)не учитывается</b></font>, b)суммируется с воздушными "
          "килами, c)либо воздушные килы, либо наземные (смотря чего больше)<br>"
          "<b>Условия боевого вылета:</b> <i>(текущий режим выделен цветом)</i><br>"
          "<font color = \"$0000FF\"><b>* Длительность не учитывается (нужны только килы)</b></font><br>"
          "<i>* Длительность учитывается + требуются килы</i><br>"
          "<i>* Длительность учитывается. Килы необязательны</i><br>"
          "<hr><br>" +
          kBomberRatio,
      "<font color = \"$FF0000\">never</font>");
  EXPECT_EQ(test::Get(web.Port(), "/?cmd=config"), expected);
}

TEST(AdminStatusPage, GroundRatiosDurationAndTheLastCalculation) {
  test::WebServerFixture web;
  web.home.WriteSettings(WithRules(1, 1));
  const TDateTime calculated = EncodeDateTime(2026, 12, 6, 22, 33, 4);
  SetLastCalcTime(calculated);
  const std::string expected = Page(
      std::string(kDatabases) +
          "учет наземки:  = a)не учитывается,<font color = \"$0000FF\"><b> b)суммируется с воздушными "
          "килами</b></font>, c)либо воздушные килы, либо наземные (смотря чего больше)<br>" +
          kRatios +
          "<b>Условия боевого вылета:</b> <i>(текущий режим выделен цветом)</i><br>"
          "<i>* Длительность не учитывается (нужны только килы)</i><br>"
          "<font color = \"$0000FF\"><b>* Длительность учитывается + требуются килы</b></font><br>"
          "<i>* Длительность учитывается. Килы необязательны</i><br>"
          "<hr><br>"
          "Минимальная длительность боевого вылета в минутах: <font color=\"$0000FF\"> = 20</font><br><hr><br>" +
          kBomberRatio,
      "<font color = \"$0000FF\">06.12.2026 22:33:04</font>");
  EXPECT_EQ(test::Get(web.Port(), "/?cmd=config"), expected);
}

TEST(AdminStatusPage, SettingsLinesForOtherModes) {
  test::ProgramHome home;
  home.WriteSettings(WithRules(3, 2));
  std::vector<std::string> lines = {"left over"};
  SettingsToHTML(lines, *CurrentSettings());
  const auto has = [&](const std::string& text) {
    for (const std::string& line : lines) {
      if (line.find(text) != std::string::npos) return true;
    }
    return false;
  };
  EXPECT_FALSE(has("left over"));
  EXPECT_FALSE(has("учет наземки")) << "mode 3 names no rule";
  EXPECT_TRUE(has("корабль:")) << "but being above 0 it shows the ratios";
  EXPECT_TRUE(has("<font color = \"$0000FF\"><b>* Длительность учитывается. Килы необязательны</b></font>"));

  home.WriteSettings(WithRules(2, 0));
  SettingsToHTML(lines, *CurrentSettings());
  EXPECT_TRUE(has("учет наземки:  = a)не учитывается, b)суммируется с воздушными килами,<font color = "
                  "\"$0000FF\"><b> c)либо воздушные килы, либо наземные (смотря чего больше)</b></font>"));
  EXPECT_FALSE(has("Минимальная длительность")) << "mode 0 has no minimum duration";
}

TEST(AdminStatusPage, NoSettingsFileListsNoDatabase) {
  test::ProgramHome home;
  std::vector<std::string> lines;
  SettingsToHTML(lines, TSettings{});
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0], "<h3>Обслуживаемые сервера MySQL:</h3>");
  EXPECT_EQ(lines[1], "<br>");
}

}  // namespace
}  // namespace sky
