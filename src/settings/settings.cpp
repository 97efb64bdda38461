// Reading the settings file into a record, and the built-in defaults.
#include "settings/settings.h"

#include <filesystem>
#include <string>
#include <system_error>

#include "settings/log.h"
#include "xml/encoding.h"

namespace sky {

namespace {

constexpr std::size_t kRankNameLimit = 30;
constexpr const char* kDefaultAwardsFile = "awards.xml";
constexpr const char* kMalformedDetail = "the file is not well-formed XML; nothing was read from it";

bool FileExists(const std::string& file_name) {
  std::error_code error;
  return std::filesystem::exists(file_name, error);
}

std::string RankPath(int index, const char* attribute) {
  std::string path = "/skyranks/ranks/rank[" + std::to_string(index) + "]";
  if (attribute != nullptr) path += std::string("/@") + attribute;
  return path;
}

}  // namespace

void SetDefaultSettings(TSettings& settings) {
  settings.Server.Host = "localhost";
  settings.Server.User = "root";
  settings.Server.Pass = "zebu";
  settings.Server.Db = "SKYSTAT";
  settings.Interval = 15;
  settings.Sleep = 0;
  settings.AdminPort = 21009;
  settings.AdminPassword = "pintowel";
  settings.LogLevel = 3;
  settings.SortieEndSuccess = "_TKON_CRASHED_";
  settings.SortieEndSkip = "_BAIL_MIA_";
  settings.SortieEndDead = "_DIED_CAPTURED_";
  settings.Ranks = {
      {1, "мл. л-т", 3, 2, 0},       {2, "лейтенант", 5, 3, 0},     {3, "ст. лейтенант", 10, 5, 0},
      {4, "капитан", 15, 10, 0},     {5, "майор", 20, 15, 0},       {6, "подполковник", 25, 20, 0},
      {7, "полковник", 30, 25, 0},   {8, "генерал", 35, 30, 0},
  };
  settings.BombersMode = 0;
  settings.GroundRatio = {0.5, 1.0, 0.2, 0.25, 0.5, 0.1, 2.0};
  settings.SortieMode = 2;
  settings.SortieDuration = 15;
  settings.AirBomberRatio = 1.5;
  settings.AwardsFile = kDefaultAwardsFile;
}

bool LoadSettingsFromDocument(TSettings& settings, const TXmlDocument& doc) {
  settings.Debug = ReadNodeValue(doc, "/skyranks/@debug") == "1";
  settings.Sleep = ReadIntValue(doc, "/skyranks/schedule/@sleep", 0);
  // Negative minutes are held as their unsigned 32-bit value.
  settings.Interval = static_cast<uint32_t>(ReadIntValue(doc, "/skyranks/schedule/@interval", 10));

  settings.SortieEndSuccess = ReadNodeText(doc, "/skyranks/sorties_end/success");
  settings.SortieEndSkip = ReadNodeText(doc, "/skyranks/sorties_end/skip");
  settings.SortieEndDead = ReadNodeText(doc, "/skyranks/sorties_end/dead");
  WriteLog(3, " = Условия стрика = ");
  WriteLog(3, "вылет засчитан      = ", settings.SortieEndSuccess);
  WriteLog(3, "вылет незасчитан    = ", settings.SortieEndSkip);
  WriteLog(3, "вылет прервал стрик = ", settings.SortieEndDead);

  // The port is the value read modulo 65536.
  settings.AdminPort = static_cast<uint16_t>(ReadIntValue(doc, "/skyranks/admin/@port", 21009));
  settings.AdminPassword = ReadNodeText(doc, "/skyranks/admin/password");
  WriteLog(3, " = Администрирование= ");
  WriteLog(3, "порт = ", std::to_string(settings.AdminPort));

  const int count = static_cast<int>(doc.SelectAll("/skyranks/ranks/rank").size());
  settings.Ranks.resize(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    TRankDef& rank = settings.Ranks[static_cast<std::size_t>(i)];
    rank.Value = ReadIntValue(doc, RankPath(i, "value"), 0);
    rank.SortiesLimit = ReadIntValue(doc, RankPath(i, "sorties_limit"), 0);
    rank.AirKills = ReadIntValue(doc, RankPath(i, "airkills"), 0);
    rank.GndKills = ReadIntValue(doc, RankPath(i, "gndkills"), 0);
    rank.Name = Utf8Prefix(ReadNodeText(doc, RankPath(i, nullptr)), kRankNameLimit);
  }

  settings.LogLevel = ReadIntValue(doc, "/skyranks/log/@level", 10);

  static constexpr const char* kGroundPaths[kGroundKinds] = {
      "/skyranks/ground_targets/eSAir/@ratio", "/skyranks/ground_targets/eTank/@ratio",
      "/skyranks/ground_targets/eCar/@ratio",  "/skyranks/ground_targets/eArt/@ratio",
      "/skyranks/ground_targets/eAaa/@ratio",  "/skyranks/ground_targets/eWag/@ratio",
      "/skyranks/ground_targets/eShip/@ratio"};
  for (int kind = 0; kind < kGroundKinds; ++kind) {
    settings.GroundRatio[static_cast<std::size_t>(kind)] = ReadFloatValue(doc, kGroundPaths[kind], 1.0);
  }

  settings.BombersMode = ReadIntValue(doc, "/skyranks/bombers_mode/@mode", 0);
  settings.AirBomberRatio = ReadFloatValue(doc, "/skyranks/rules/airbomber/@ratio", 1.0);
  settings.SortieMode = ReadIntValue(doc, "/skyranks/rules/sortie/@mode", 0);
  settings.SortieDuration = static_cast<uint32_t>(ReadIntValue(doc, "/skyranks/rules/sortie/@duration", 15));

  settings.AwardsFile = TrimText(ReadNodeValue(doc, "/skyranks/awards/@filename"));
  if (settings.AwardsFile.empty()) settings.AwardsFile = kDefaultAwardsFile;
  return true;
}

void SaveSettings(const std::string& file_name, const TSettings& settings) {
  try {
    TXmlDocument doc;
    BuildSettingsDocument(settings, doc);
    doc.SaveFile(file_name);
  } catch (const std::exception& e) {
    WriteLog(0, "ERROR saving settings to " + file_name, e.what());
  }
}

TSettingsRead ReadSettingsFile(const std::string& file_name, TSettings& settings) {
  if (!FileExists(file_name)) {
    SetDefaultSettings(settings);
    SaveSettings(file_name, settings);
  }
  if (FileExists(file_name)) {
    try {
      TXmlDocument doc;
      if (!doc.LoadFile(file_name)) {
        // Often a file caught half-written by an editor: the values in force
        // stay until the file parses again.
        WriteLog(0, "ERROR reading settings from " + file_name, kMalformedDetail);
        return TSettingsRead::kMalformed;
      }
      LoadSettingsFromDocument(settings, doc);
      return TSettingsRead::kRead;
    } catch (const std::exception& e) {
      WriteLog(0, "ERROR reading settings from " + file_name, e.what());
      return TSettingsRead::kFailed;
    }
  }
  WriteLog(0, "ERROR!!!", "Mising settings file!");
  return TSettingsRead::kFailed;
}

bool ReadSettings(const std::string& file_name, TSettings& settings) {
  return ReadSettingsFile(file_name, settings) == TSettingsRead::kRead;
}

}  // namespace sky
