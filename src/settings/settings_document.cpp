// Implements part of settings/settings.h (the new file's document).
// The settings document as a new file is written: every element with its
// comment, in a fixed order.
#include <charconv>
#include <string>

#include "settings/settings.h"

namespace sky {

namespace {

// Shortest text that reads back as the same double: 0.5, 0.25, 2.
std::string RatioText(double value) {
  char buffer[64];
  const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return error == std::errc() ? std::string(buffer, end) : std::string("0");
}

constexpr const char* kGroundKindNames[kGroundKinds] = {"eSAir", "eTank", "eCar", "eArt", "eAaa", "eWag", "eShip"};
constexpr const char* kGroundKindComments[kGroundKinds] = {
    "Самолет на земле", "Танк", "Машинка", "Пушка", "Зенитное орудие", "Вагон и маленькая тележка", "Корабль"};

}  // namespace

void BuildSettingsDocument(const TSettings& settings, TXmlDocument& doc) {
  doc.Clear();
  doc.AppendComment("Настройки для расчета званий и наград пилотов");
  doc.AppendComment(
      "Если значение атрибута \"debug\" не ноль, то расчет идти будет, но писаться в бд ничего не будет");
  TXmlNode root = doc.CreateRoot("skyranks");
  root.SetAttribute("debug", "0");

  root.AppendComment("Параметры сервера MySQL");
  TXmlNode mysql = root.AppendElement("mysql");
  mysql.SetAttribute("id", "1");
  mysql.SetAttribute("active", "1");
  mysql.SetAttribute("host", settings.Server.Host);
  mysql.SetAttribute("user", settings.Server.User);
  mysql.SetAttribute("pass", settings.Server.Pass);
  mysql.SetAttribute("db", settings.Server.Db);

  root.AppendComment("Интервал пересчета званий в минутах");
  TXmlNode schedule = root.AppendElement("schedule");
  schedule.SetAttribute("interval", std::to_string(settings.Interval));
  schedule.SetAttribute("sleep", std::to_string(settings.Sleep));

  root.AppendComment("TCP порт для администрирования");
  TXmlNode admin = root.AppendElement("admin");
  admin.SetAttribute("port", std::to_string(settings.AdminPort));
  admin.AppendElement("password").SetText(settings.AdminPassword);

  root.AppendComment(
      "Это шкала званий (кол-во элементов произвольно и равно длине массива званий в PHP скрипте)");
  TXmlNode ranks = root.AppendElement("ranks");
  for (const TRankDef& row : settings.Ranks) {
    TXmlNode rank = ranks.AppendElement("rank");
    rank.SetAttribute("value", std::to_string(row.Value));
    rank.SetAttribute("sorties_limit", std::to_string(row.SortiesLimit));
    rank.SetAttribute("airkills", std::to_string(row.AirKills));
    rank.SetAttribute("gndkills", std::to_string(row.GndKills));
    rank.SetText(row.Name);
  }

  root.AppendComment("Чем окончился вылет, и как это повлияет на стрик");
  TXmlNode sorties_end = root.AppendElement("sorties_end");
  sorties_end.AppendComment("Вылет учитывается и может стать боевым");
  sorties_end.AppendElement("success").SetText(settings.SortieEndSuccess);
  sorties_end.AppendComment("Вылет не учитывается");
  sorties_end.AppendElement("skip").SetText(settings.SortieEndSkip);
  sorties_end.AppendComment("Вылет прерывает стрик");
  sorties_end.AppendElement("dead").SetText(settings.SortieEndDead);

  root.AppendComment("Детальность лога (0 - минимальный лог ... 3 - максимально подробно)");
  root.AppendElement("log").SetAttribute("level", std::to_string(settings.LogLevel));

  root.AppendComment(
      "Учет наземки (0-не учитывается; 1-суммируется с воздушными килами; 2-чего больше, то и учитывается "
      "(либо воздух либо земля))");
  root.AppendElement("bombers_mode").SetAttribute("mode", std::to_string(settings.BombersMode));

  root.AppendComment("Весовые коэфициенты за вынесенную наземку (по отношению с воздушному килу)");
  TXmlNode ground = root.AppendElement("ground_targets");
  for (int kind = 0; kind < kGroundKinds; ++kind) {
    ground.AppendComment(kGroundKindComments[kind]);
    ground.AppendElement(kGroundKindNames[kind]).SetAttribute("ratio", RatioText(settings.GroundRatio[kind]));
  }

  TXmlNode rules = root.AppendElement("rules");
  rules.AppendComment("Поясненние к правилам");
  rules.AppendComment("mode=0: длительность вылета не контролируется");
  rules.AppendComment(
      "mode=1: длительность вылета контролируется. Боевой вылет это вылет с килами продолжительностью не менее "
      "\"duration\" минут");
  rules.AppendComment(
      "mode=2: длительность вылета контролируется. Боевой вылет это ЛЮБОЙ вылет продолжительностью не менее "
      "\"duration\" минут");
  TXmlNode sortie = rules.AppendElement("sortie");
  sortie.SetAttribute("mode", std::to_string(settings.SortieMode));
  sortie.SetAttribute("duration", std::to_string(settings.SortieDuration));
  rules.AppendComment("Коэффициент для сбитого в воздухе бомбера");
  rules.AppendElement("airbomber").SetAttribute("ratio", RatioText(settings.AirBomberRatio));

  root.AppendComment("Расположение файла с настройками наград (локальое имя или URL)");
  root.AppendElement("awards").SetAttribute("filename", settings.AwardsFile);
}

}  // namespace sky
