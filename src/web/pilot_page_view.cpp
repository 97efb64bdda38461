#include "web/pilot_page_view.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <string>

#include <fmt/format.h>

#include "base/log.h"
#include "base/paths.h"
#include "base/text.h"
#include "engine/history.h"
#include "engine/pilot_results.h"
#include "export/json_writer.h"
#include "http/file_name.h"
#include "settings/server_list.h"
#include "settings/settings_store.h"
#include "web/form_fields.h"
#include "web/page_language.h"
#include "web/pilot_fields.h"
#include "web/pilot_page.h"
#include "web/view_answer.h"
#include "web/view_params.h"
#include "xml/xml_document.h"

namespace sky {

namespace {

struct TPilotAnswer {
  TPageLanguage language = TPageLanguage::kRu;
  std::string srvid;
  int32_t id = 0;
  std::shared_ptr<const TPilotResults> results;  // null before the first pass
  const TPilotResult* pilot = nullptr;           // into results; null when they hold no such pilot
  std::string insignia;                          // a file of the program folder, or empty
  std::vector<TRibbon> ribbons;
  TRankProgress progress;
  std::vector<TLifeFigures> lives;
};

// The pilot's figures, in the order of their attributes and keys: those of
// the root around his callsign's link and his insignia, his career, his life.
constexpr TPilotFields kHeadFields = {&kPilotArmy, &kPilotRank, &kPilotRankName};
constexpr TPilotFields kTailFields = {&kPilotAwards, &kPilotLastSortie};
constexpr TPilotFields kCareerFields = {&kCareerSorties, &kCareerDeaths, &kCareerAirKills, &kCareerGroundKills,
                                        &kCareerKnown};
constexpr TPilotFields kLifeFields = {&kLifeSorties, &kLifeCombatSorties, &kLifeAirKills, &kLifeGroundKills};

const char* NextRankState(TNextRank state) {
  switch (state) {
    case TNextRank::kNext: return "next";
    case TNextRank::kTop: return "top";
    case TNextRank::kNoScale: return "none";
  }
  return "none";
}

// ---- Assembling

const TPilotResult* FindPilot(const TPilotResults& results, int32_t id) {
  const auto found = std::lower_bound(results.begin(), results.end(), id,
                                      [](const TPilotResult& pilot, int32_t key) { return pilot.Id < key; });
  return found != results.end() && found->Id == id ? &*found : nullptr;
}

// His insignia, ribbons, progress and lives, for a pilot the results hold.
void AddPilotDetails(TServiceControl& service, TPilotAnswer& answer) {
  ReloadSettings();
  const TSettingsSnapshot settings = CurrentSettings();
  const std::string folder = ProgramDirectory();
  const std::string insignia = fmt::format("img/ranks/{}.svg", answer.pilot->Rank);
  if (IsRegularFile(folder + "/" + insignia)) answer.insignia = insignia;
  TXmlDocument awards;
  if (!settings->AwardsFile.empty()) awards.LoadFile(settings->AwardsFile);
  answer.ribbons = DecodeAwards(awards, answer.pilot->Army, answer.pilot->Awards, folder);
  answer.progress = NextRankProgress(settings->Ranks, *answer.pilot);
  // The history walks the pilot's sorties as a pass does, so no pass may
  // write them meanwhile.
  TXmlDocument history_doc;
  TXmlNode history = history_doc.CreateRoot("history");
  service.RunExclusive([&] {
    TServerEntry entry;
    if (FindServerById(SettingsFileName(), answer.srvid, entry)) {
      BuildPilotHistory(answer.id, *settings, history, entry);
    }
  });
  answer.lives = LifeFiguresOf(history);
}

TPilotAnswer AssemblePilotPage(const TViewCall& call) {
  const std::vector<std::string>& params = call.request.query;
  TPilotAnswer answer;
  answer.language = ChoosePageLanguage(call.request);
  answer.srvid = SrvidValue(params);
  answer.id = ToInt32(TrimText(ListValue(params, "pilot").value_or(""))).value_or(0);
  answer.results = FindPilotResults(answer.srvid);
  answer.pilot = answer.results ? FindPilot(*answer.results, answer.id) : nullptr;
  if (answer.pilot) AddPilotDetails(call.service, answer);
  return answer;
}

// ---- XML

void SetFieldAttributes(TXmlNode node, TPilotFields fields, const TPilotResult& pilot) {
  for (const TPilotField* field : fields) node.SetAttribute(field->xml, PilotFieldText(*field, pilot));
}

void AppendNextRankXml(TXmlNode root, const TRankProgress& progress) {
  TXmlNode next = root.AppendElement("next");
  next.SetAttribute("state", NextRankState(progress.State));
  if (progress.State != TNextRank::kNext) return;
  next.SetAttribute("rank", std::to_string(progress.Next.Value));
  next.SetAttribute("rankname", progress.Next.Name);
  for (const TRankNeed& need : progress.Needs) {
    TXmlNode node = next.AppendElement("need");
    node.SetAttribute("key", need.Key);
    node.SetAttribute("have", std::to_string(need.Have));
    node.SetAttribute("need", std::to_string(need.Need));
    // The share done, for the bar: a need of 0 is met.
    const int64_t percent = need.Need <= 0 ? 100 : std::clamp<int64_t>(need.Have * 100 / need.Need, 0, 100);
    node.SetAttribute("percent", std::to_string(percent));
  }
}

void AppendRibbonsXml(TXmlNode root, const std::vector<TRibbon>& ribbons) {
  TXmlNode list = root.AppendElement("ribbons");
  for (const TRibbon& ribbon : ribbons) {
    TXmlNode node = list.AppendElement("ribbon");
    node.SetAttribute("bit", std::to_string(ribbon.Bit));
    node.SetAttribute("value", std::to_string(ribbon.Value));
    node.SetAttribute("name", ribbon.Name);
    node.SetAttribute("picture", ribbon.Picture);
    node.SetAttribute("colour1", ribbon.Colours[0]);
    node.SetAttribute("colour2", ribbon.Colours[1]);
  }
}

void AppendLivesXml(TXmlNode root, const std::vector<TLifeFigures>& figures_list) {
  TXmlNode lives = root.AppendElement("lives");
  int64_t max_kills = 0, max_sorties = 0;
  for (const TLifeFigures& figures : figures_list) {
    max_kills = std::max(max_kills, figures.Kills);
    max_sorties = std::max(max_sorties, figures.Sorties);
  }
  lives.SetAttribute("max_kills", std::to_string(max_kills));
  lives.SetAttribute("max_sorties", std::to_string(max_sorties));
  for (const TLifeFigures& figures : figures_list) {
    TXmlNode node = lives.AppendElement("life");
    node.SetAttribute("n", std::to_string(figures.Number));
    node.SetAttribute("sorties", std::to_string(figures.Sorties));
    node.SetAttribute("combat", std::to_string(figures.CombatSorties));
    node.SetAttribute("kills", std::to_string(figures.Kills));
    node.SetAttribute("ended", figures.Ended ? "1" : "0");
    node.SetAttribute("start", figures.Start);
    node.SetAttribute("end", figures.End);
    node.SetAttribute("rankname", figures.Rank);
  }
}

std::string PilotXml(const TPilotAnswer& answer) {
  TXmlDocument doc;
  doc.AppendProcessingInstruction("xml-stylesheet", "type=\"text/xsl\" href=\"/xsl/pilot.xsl\"");
  TXmlNode root = doc.CreateRoot("pilot");
  root.SetAttribute("lang", PageLanguageCode(answer.language));
  root.SetAttribute("srvid", answer.srvid);
  root.SetAttribute("id", std::to_string(answer.id));
  root.SetAttribute("ready", answer.results ? "1" : "0");
  root.SetAttribute("found", answer.pilot ? "1" : "0");
  if (!answer.pilot) return doc.ToText();
  const TPilotResult& pilot = *answer.pilot;
  root.SetAttribute(kPilotCallsign.xml, pilot.Callsign);
  root.SetAttribute("callsign_url", UrlEncode(pilot.Callsign));  // for the link to his row on the board
  SetFieldAttributes(root, kHeadFields, pilot);
  root.SetAttribute("insignia", answer.insignia);
  SetFieldAttributes(root, kTailFields, pilot);
  SetFieldAttributes(root.AppendElement("career"), kCareerFields, pilot);
  SetFieldAttributes(root.AppendElement("life"), kLifeFields, pilot);
  AppendNextRankXml(root, answer.progress);
  AppendRibbonsXml(root, answer.ribbons);
  AppendLivesXml(root, answer.lives);
  return doc.ToText();
}

// ---- JSON

void WriteFieldObject(TJsonWriter& writer, std::string_view key, TPilotFields fields, const TPilotResult& pilot) {
  WriteJsonKey(writer, key);
  writer.StartObject();
  WritePilotJsonFields(writer, fields, pilot);
  writer.EndObject();
}

void WriteNextRankJson(TJsonWriter& writer, const TRankProgress& progress) {
  WriteJsonKey(writer, "next_rank");
  writer.StartObject();
  WriteJsonField(writer, "state", NextRankState(progress.State));
  if (progress.State == TNextRank::kNext) {
    WriteJsonField(writer, "rank", progress.Next.Value);
    WriteJsonField(writer, "rank_name", progress.Next.Name);
    for (const TRankNeed& need : progress.Needs) {
      WriteJsonKey(writer, need.Key);
      writer.StartObject();
      WriteJsonField(writer, "have", need.Have);
      WriteJsonField(writer, "need", need.Need);
      writer.EndObject();
    }
  }
  writer.EndObject();
}

void WriteRibbonsJson(TJsonWriter& writer, const std::vector<TRibbon>& ribbons) {
  WriteJsonKey(writer, "ribbons");
  writer.StartArray();
  for (const TRibbon& ribbon : ribbons) {
    writer.StartObject();
    WriteJsonField(writer, "bit", ribbon.Bit);
    WriteJsonField(writer, "value", ribbon.Value);
    WriteJsonTextOrNull(writer, "name", ribbon.Name);
    WriteJsonTextOrNull(writer, "picture", ribbon.Picture);
    WriteJsonKey(writer, "colours");
    writer.StartArray();
    for (const std::string& colour : ribbon.Colours) WriteJsonText(writer, colour);
    writer.EndArray();
    writer.EndObject();
  }
  writer.EndArray();
}

void WriteLivesJson(TJsonWriter& writer, const std::vector<TLifeFigures>& lives) {
  WriteJsonKey(writer, "lives");
  writer.StartArray();
  for (const TLifeFigures& figures : lives) {
    writer.StartObject();
    WriteJsonField(writer, "n", figures.Number);
    WriteJsonField(writer, "sorties", figures.Sorties);
    WriteJsonField(writer, "combat_sorties", figures.CombatSorties);
    WriteJsonField(writer, "kills", figures.Kills);
    WriteJsonKey(writer, "ended");
    writer.Bool(figures.Ended);
    WriteJsonTextOrNull(writer, "start", figures.Start);
    WriteJsonTextOrNull(writer, "end", figures.End);
    WriteJsonTextOrNull(writer, "rank_name", figures.Rank);
    writer.EndObject();
  }
  writer.EndArray();
}

void WritePilotJson(TJsonWriter& writer, const TPilotAnswer& answer) {
  const TPilotResult& pilot = *answer.pilot;
  WritePilotJsonField(writer, kPilotCallsign, pilot);
  WritePilotJsonFields(writer, kHeadFields, pilot);
  WriteJsonTextOrNull(writer, "insignia", answer.insignia);
  WritePilotJsonFields(writer, kTailFields, pilot);
  WriteFieldObject(writer, "career", kCareerFields, pilot);
  WriteFieldObject(writer, "life", kLifeFields, pilot);
  WriteNextRankJson(writer, answer.progress);
  WriteRibbonsJson(writer, answer.ribbons);
  WriteLivesJson(writer, answer.lives);
}

std::string PilotJson(const TPilotAnswer& answer) {
  return JsonObjectText([&](TJsonWriter& writer) {
    WriteJsonField(writer, "lang", PageLanguageCode(answer.language));
    WriteJsonField(writer, "srvid", answer.srvid);
    WriteJsonField(writer, "id", answer.id);
    WriteJsonKey(writer, "ready");
    writer.Bool(answer.results != nullptr);
    WriteJsonKey(writer, "found");
    writer.Bool(answer.pilot != nullptr);
    if (answer.pilot) WritePilotJson(writer, answer);
  });
}

}  // namespace

void ShowPilotPage(const TViewCall& call) {
  try {
    const TPilotAnswer answer = AssemblePilotPage(call);
    SendViewAnswer(call, [&] { return PilotJson(answer); }, [&] { return PilotXml(answer); });
  } catch (const std::exception& e) {
    WriteLog(0, "ShowPilotPage", e.what());
  }
}

}  // namespace sky
