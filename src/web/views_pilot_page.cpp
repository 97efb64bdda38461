// Implements part of web/views.h (ShowPilotPage).
// One pilot's page: his kept results, his awards as ribbons, his progress to
// the next rank and his lives, read from his history.
#include <algorithm>
#include <exception>
#include <filesystem>
#include <string>

#include <fmt/format.h>

#include "engine/history.h"
#include "engine/pilot_results.h"
#include "export/json_writer.h"
#include "settings/log.h"
#include "settings/paths.h"
#include "settings/server_list.h"
#include "settings/settings_store.h"
#include "web/form_fields.h"
#include "web/page_language.h"
#include "web/pilot_page.h"
#include "web/request_parsing.h"
#include "web/shown_figure.h"
#include "web/view_answer.h"
#include "web/view_params.h"
#include "web/views.h"
#include "xml/encoding.h"
#include "xml/xml_document.h"

namespace sky {

namespace {

struct TPilotAnswer {
  TPageLanguage language = TPageLanguage::kRu;
  std::string srvid;
  int32_t id = 0;
  bool ready = false;                  // the database has kept results
  const TPilotResult* pilot = nullptr; // null when they hold no such pilot
  std::string insignia;                // a file of the program folder, or empty
  std::vector<TRibbon> ribbons;
  TRankProgress progress;
  std::vector<TLifeFigures> lives;
};

const char* NextRankState(TNextRank state) {
  switch (state) {
    case TNextRank::kNext: return "next";
    case TNextRank::kTop: return "top";
    case TNextRank::kNoScale: return "none";
  }
  return "none";
}

std::string PilotXml(const TPilotAnswer& answer) {
  TXmlDocument doc;
  doc.AppendProcessingInstruction("xml-stylesheet", "type=\"text/xsl\" href=\"/xsl/pilot.xsl\"");
  TXmlNode root = doc.CreateRoot("pilot");
  root.SetAttribute("lang", PageLanguageCode(answer.language));
  root.SetAttribute("srvid", answer.srvid);
  root.SetAttribute("id", std::to_string(answer.id));
  root.SetAttribute("ready", answer.ready ? "1" : "0");
  root.SetAttribute("found", answer.pilot ? "1" : "0");
  if (!answer.pilot) return doc.ToText();
  const TPilotResult& pilot = *answer.pilot;
  root.SetAttribute("callsign", pilot.Callsign);
  root.SetAttribute("callsign_url", UrlEncode(pilot.Callsign));  // for the link to his row on the board
  root.SetAttribute("army", std::to_string(pilot.Army));
  root.SetAttribute("rank", std::to_string(pilot.Rank));
  root.SetAttribute("rankname", pilot.RankName);
  root.SetAttribute("insignia", answer.insignia);
  root.SetAttribute("awards", std::to_string(pilot.Awards));
  root.SetAttribute("last", pilot.LastSortie);

  TXmlNode career = root.AppendElement("career");
  career.SetAttribute("sorties", std::to_string(pilot.CareerSorties));
  career.SetAttribute("deaths", std::to_string(pilot.CareerDeaths));
  career.SetAttribute("air", std::to_string(pilot.CareerAirKills));
  career.SetAttribute("ground", std::to_string(pilot.CareerGroundKills));
  career.SetAttribute("known", pilot.CareerKnown ? "1" : "0");
  TXmlNode life = root.AppendElement("life");
  life.SetAttribute("sorties", std::to_string(pilot.LifeSorties));
  life.SetAttribute("combat", std::to_string(pilot.LifeCombatSorties));
  life.SetAttribute("air", ShownFigure(pilot.LifeAirKills));
  life.SetAttribute("ground", ShownFigure(pilot.LifeGroundKills));

  TXmlNode next = root.AppendElement("next");
  next.SetAttribute("state", NextRankState(answer.progress.State));
  if (answer.progress.State == TNextRank::kNext) {
    next.SetAttribute("rank", std::to_string(answer.progress.Next.Value));
    next.SetAttribute("rankname", answer.progress.Next.Name);
    for (const TRankNeed& need : answer.progress.Needs) {
      TXmlNode node = next.AppendElement("need");
      node.SetAttribute("key", need.Key);
      node.SetAttribute("have", std::to_string(need.Have));
      node.SetAttribute("need", std::to_string(need.Need));
      // The share done, for the bar: a need of 0 is met.
      const int64_t percent = need.Need <= 0 ? 100 : std::clamp<int64_t>(need.Have * 100 / need.Need, 0, 100);
      node.SetAttribute("percent", std::to_string(percent));
    }
  }

  TXmlNode ribbons = root.AppendElement("ribbons");
  for (const TRibbon& ribbon : answer.ribbons) {
    TXmlNode node = ribbons.AppendElement("ribbon");
    node.SetAttribute("bit", std::to_string(ribbon.Bit));
    node.SetAttribute("value", std::to_string(ribbon.Value));
    node.SetAttribute("name", ribbon.Name);
    node.SetAttribute("picture", ribbon.Picture);
    node.SetAttribute("colour1", ribbon.Colours[0]);
    node.SetAttribute("colour2", ribbon.Colours[1]);
  }

  TXmlNode lives = root.AppendElement("lives");
  int64_t max_kills = 0, max_sorties = 0;
  for (const TLifeFigures& figures : answer.lives) {
    max_kills = std::max(max_kills, figures.Kills);
    max_sorties = std::max(max_sorties, figures.Sorties);
  }
  lives.SetAttribute("max_kills", std::to_string(max_kills));
  lives.SetAttribute("max_sorties", std::to_string(max_sorties));
  for (const TLifeFigures& figures : answer.lives) {
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
  return doc.ToText();
}

std::string PilotJson(const TPilotAnswer& answer) {
  return JsonObjectText([&](TJsonWriter& writer) {
    WriteJsonField(writer, "lang", PageLanguageCode(answer.language));
    WriteJsonField(writer, "srvid", answer.srvid);
    WriteJsonField(writer, "id", answer.id);
    WriteJsonKey(writer, "ready");
    writer.Bool(answer.ready);
    WriteJsonKey(writer, "found");
    writer.Bool(answer.pilot != nullptr);
    if (answer.pilot) {
      const TPilotResult& pilot = *answer.pilot;
      WriteJsonField(writer, "callsign", pilot.Callsign);
      WriteJsonField(writer, "army", pilot.Army);
      WriteJsonField(writer, "rank", pilot.Rank);
      WriteJsonField(writer, "rank_name", pilot.RankName);
      WriteJsonTextOrNull(writer, "insignia", answer.insignia);
      WriteJsonField(writer, "awards", pilot.Awards);
      WriteJsonTextOrNull(writer, "last_sortie", pilot.LastSortie);
      WriteJsonKey(writer, "career");
      writer.StartObject();
      WriteJsonField(writer, "sorties", pilot.CareerSorties);
      WriteJsonField(writer, "deaths", pilot.CareerDeaths);
      WriteJsonField(writer, "air_kills", pilot.CareerAirKills);
      WriteJsonField(writer, "ground_kills", pilot.CareerGroundKills);
      WriteJsonKey(writer, "known");
      writer.Bool(pilot.CareerKnown);
      writer.EndObject();
      WriteJsonKey(writer, "life");
      writer.StartObject();
      WriteJsonField(writer, "sorties", pilot.LifeSorties);
      WriteJsonField(writer, "combat_sorties", pilot.LifeCombatSorties);
      WriteJsonKey(writer, "air_kills");
      WriteJsonNumber(writer, ShownFigure(pilot.LifeAirKills));
      WriteJsonKey(writer, "ground_kills");
      WriteJsonNumber(writer, ShownFigure(pilot.LifeGroundKills));
      writer.EndObject();
      WriteJsonKey(writer, "next_rank");
      writer.StartObject();
      WriteJsonField(writer, "state", NextRankState(answer.progress.State));
      if (answer.progress.State == TNextRank::kNext) {
        WriteJsonField(writer, "rank", answer.progress.Next.Value);
        WriteJsonField(writer, "rank_name", answer.progress.Next.Name);
        for (const TRankNeed& need : answer.progress.Needs) {
          WriteJsonKey(writer, need.Key);
          writer.StartObject();
          WriteJsonField(writer, "have", need.Have);
          WriteJsonField(writer, "need", need.Need);
          writer.EndObject();
        }
      }
      writer.EndObject();
      WriteJsonKey(writer, "ribbons");
      writer.StartArray();
      for (const TRibbon& ribbon : answer.ribbons) {
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
      WriteJsonKey(writer, "lives");
      writer.StartArray();
      for (const TLifeFigures& figures : answer.lives) {
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
  });
}

const TPilotResult* FindPilot(const TPilotResults& results, int32_t id) {
  const auto found = std::lower_bound(results.begin(), results.end(), id,
                                      [](const TPilotResult& pilot, int32_t key) { return pilot.Id < key; });
  return found != results.end() && found->Id == id ? &*found : nullptr;
}

bool IsFile(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error);
}

}  // namespace

void ShowPilotPage(TServiceControl& service, TConnection& connection, const std::string& request,
                   const TAnswerFormat& format) {
  try {
    const std::vector<std::string> params = QueryParameterList(GetRequestParams(request));
    TPilotAnswer answer;
    answer.language = ChoosePageLanguage(request);
    answer.srvid = SrvidValue(params);
    answer.id = ToInt32(TrimText(ListValue(params, "pilot").value_or(""))).value_or(0);
    const std::shared_ptr<const TPilotResults> results = FindPilotResults(answer.srvid);
    answer.ready = results != nullptr;
    answer.pilot = results ? FindPilot(*results, answer.id) : nullptr;
    TXmlDocument history_doc;
    if (answer.pilot) {
      ReloadSettings();
      const TSettingsSnapshot settings = CurrentSettings();
      const std::string folder = ProgramDirectory();
      const std::string insignia = fmt::format("img/ranks/{}.svg", answer.pilot->Rank);
      if (IsFile(folder + "/" + insignia)) answer.insignia = insignia;
      TXmlDocument awards;
      if (!settings->AwardsFile.empty()) awards.LoadFile(settings->AwardsFile);
      answer.ribbons = DecodeAwards(awards, answer.pilot->Army, answer.pilot->Awards, folder);
      answer.progress = NextRankProgress(settings->Ranks, *answer.pilot);
      // The history walks the pilot's sorties as a pass does, so no pass may
      // write them meanwhile.
      TXmlNode history = history_doc.CreateRoot("history");
      service.RunExclusive([&] {
        TServerEntry entry;
        if (FindServerById(SettingsFileName(), answer.srvid, entry)) {
          BuildPilotHistory(answer.id, *settings, history, entry);
        }
      });
      answer.lives = LifeFiguresOf(history);
    }
    SendViewAnswer(connection, format, [&] { return PilotJson(answer); }, [&] { return PilotXml(answer); });
  } catch (const std::exception& e) {
    WriteLog(0, "ShowPilotPage", e.what());
  }
}

}  // namespace sky
