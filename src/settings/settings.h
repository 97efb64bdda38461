// The settings file and the records read from it.
//
// All configuration lives in one XML file (root `skyranks`). It is read often
// and written only when missing. Readers take the node's text; numbers accept
// "." or "," as decimal separator. Every node, its type, its missing and
// new-file values and its comment are described once, in settings_nodes.h.
// The new file's document, the server list, the webhook entries, the value
// readers and the query lookup each have a header of their own.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "xml/xml_document.h"

namespace sky {

// One row of the rank scale.
struct TRankDef {
  int32_t Value = 0;
  std::string Name = {};     // at most 30 characters
  int32_t SortiesLimit = 0;
  int32_t AirKills = 0;
  int32_t GndKills = 0;
};

// One configured statistics database (`mysql` element).
struct TServerEntry {
  std::string Host = {};     // at most 30 characters; empty means localhost
  std::string User = {};     // at most 100
  std::string Pass = {};     // at most 100
  std::string Db = {};       // at most 50
  bool Active = true;
  std::string Id = "1";      // at most 10
  // Extensions: optional `port` and `charset` attributes.
  uint16_t Port = 3306;
  std::string Charset = "utf8mb4";
};

// One address the promotions and awards are sent to (`notify/webhook`).
// The address is a secret: only its host (WebhookHost) is ever shown.
struct TWebhookEntry {
  std::string Url = {};
  std::string Format = "json";       // "json" or "discord"
  std::string Events = "rank,award"; // any of "rank", "award", comma-separated
  std::string Srvid = {};            // empty: every database
  std::string Lang = "ru";           // "ru" or "en": the texts of the discord format
};

// Ground target kinds, in the order of `GroundRatio` and of the kill sets.
enum TGroundKind { eSAir = 0, eTank, eCar, eArt, eAaa, eWag, eShip };
constexpr int kGroundKinds = 7;

// Configuration read from the settings file. The run-state fields live in
// settings_store.h beside the published record.
struct TSettings {
  TServerEntry Server;       // the entry written into a new file only
  uint32_t Interval = 0;
  uint16_t AdminPort = 0;
  std::string AdminBind;     // the admin port's address; empty: every interface
  std::string AdminCors;     // the origin allowed to read the data answers from a browser; empty: none
  std::string AdminHosts;    // further host names the admin pages answer under (blanks or commas between)
  std::string AdminOrigins;  // other sites' origins whose pages may post control commands
  std::string AdminPassword;
  std::vector<TRankDef> Ranks;
  std::array<double, kGroundKinds> GroundRatio{};
  int32_t LogLevel = 0;
  bool LogWeb = false;       // the log file is served over HTTP (on unless log/@web says otherwise)
  std::string SortieEndSuccess;
  std::string SortieEndSkip;
  std::string SortieEndDead;
  int32_t BombersMode = 0;
  int32_t SortieMode = 0;
  uint32_t SortieDuration = 0;
  double AirBomberRatio = 0.0;
  std::string AwardsFile;
  bool Debug = false;
  int32_t Sleep = 0;
  std::string NotifyPublicUrl;             // where the pilot pages are reachable from outside; empty: no links
  std::vector<TWebhookEntry> Webhooks;
  // How often the pass asks whether old sorties changed under the career
  // totals it keeps (engine/history_check.h): the minutes between counts of
  // the sorties table (0: every pass) and the hours between full reads of the
  // totals (0: every pass, nothing kept).
  uint32_t HistoryCheck = 60;
  uint32_t HistoryVerify = 24;
};

using TServerList = std::vector<TServerEntry>;

// How a read of the settings file ended.
enum class TSettingsRead {
  kRead,       // the file parsed and every value was read
  kMalformed,  // the file exists but is not well-formed XML; nothing was read
  kFailed,     // writing the missing file or reading a value failed
};

// Re-reads the whole file into `settings`; writes the file with defaults first
// when it is missing. True when the file was read. A file that is not
// well-formed leaves the record as it was, writes one level-0 line and gives
// false: reading it as an empty document would give an empty password and
// rank scale as if the administrator had configured them.
bool ReadSettings(const std::string& file_name, TSettings& settings);
// The same, telling a malformed file apart from other failures.
TSettingsRead ReadSettingsFile(const std::string& file_name, TSettings& settings);
// Writes the record as a complete settings document; failures are logged.
void SaveSettings(const std::string& file_name, const TSettings& settings);
void SetDefaultSettings(TSettings& settings);
bool LoadSettingsFromDocument(TSettings& settings, const TXmlDocument& doc);

}  // namespace sky
