// Implements part of web/views.h (ShowLeaderboard).
// The leaderboard of a database, served from the results its last pass kept.
#include <exception>
#include <string>

#include <fmt/format.h>

#include "engine/pilot_results.h"
#include "export/json_writer.h"
#include "settings/log.h"
#include "web/form_fields.h"
#include "web/leaderboard.h"
#include "web/page_language.h"
#include "web/request_parsing.h"
#include "web/view_answer.h"
#include "web/view_params.h"
#include "web/views.h"
#include "xml/xml_document.h"

namespace sky {

namespace {

struct TBoardAnswer {
  TPageLanguage language;
  std::string srvid;
  TBoardQuery query;
  std::shared_ptr<const TPilotResults> results;  // null before the first pass
  TBoardPage page;
};

std::string Figure(double value) { return fmt::format("{}", value); }

void SetBoardAttributes(TXmlNode root, const TBoardAnswer& answer) {
  root.SetAttribute("lang", PageLanguageCode(answer.language));
  root.SetAttribute("srvid", answer.srvid);
  root.SetAttribute("ready", answer.results ? "1" : "0");
  root.SetAttribute("sort", BoardSortName(answer.query.sort));
  root.SetAttribute("order", answer.query.descending ? "desc" : "asc");
  root.SetAttribute("army", std::to_string(answer.query.army));
  root.SetAttribute("q", answer.query.search);
  root.SetAttribute("me", answer.query.me);
  root.SetAttribute("page", std::to_string(answer.page.page));
  root.SetAttribute("pages", std::to_string(answer.page.pages));
  root.SetAttribute("size", std::to_string(answer.page.size));
  root.SetAttribute("matching", std::to_string(answer.page.matching));
  root.SetAttribute("pilots", std::to_string(answer.results ? answer.results->size() : 0));
  // The parameters of the links the page makes, ready to follow "?cmd=top":
  // the board and search without the order, and the order.
  std::string filter = "&srvid=" + answer.srvid + "&lang=" + std::string(PageLanguageCode(answer.language));
  if (answer.query.army != 0) filter += "&army=" + std::to_string(answer.query.army);
  if (!answer.query.search.empty()) filter += "&q=" + UrlEncode(answer.query.search);
  if (answer.page.size != kBoardPageSize) filter += "&size=" + std::to_string(answer.page.size);
  root.SetAttribute("filter", filter);
  root.SetAttribute("ordering", fmt::format("&sort={}&order={}", BoardSortName(answer.query.sort),
                                            answer.query.descending ? "desc" : "asc"));
}

std::string BoardXml(const TBoardAnswer& answer) {
  TXmlDocument doc;
  doc.AppendProcessingInstruction("xml-stylesheet", "type=\"text/xsl\" href=\"/xsl/board.xsl\"");
  TXmlNode root = doc.CreateRoot("board");
  SetBoardAttributes(root, answer);
  for (const TBoardRow& row : answer.page.rows) {
    const TPilotResult& pilot = *row.pilot;
    TXmlNode node = root.AppendElement("pilot");
    node.SetAttribute("position", std::to_string(row.position));
    node.SetAttribute("id", std::to_string(pilot.Id));
    node.SetAttribute("callsign", pilot.Callsign);
    node.SetAttribute("army", std::to_string(pilot.Army));
    node.SetAttribute("rank", std::to_string(pilot.Rank));
    node.SetAttribute("rankname", pilot.RankName);
    node.SetAttribute("awards", std::to_string(pilot.Awards));
    node.SetAttribute("sorties", std::to_string(pilot.CareerSorties));
    node.SetAttribute("deaths", std::to_string(pilot.CareerDeaths));
    node.SetAttribute("air", std::to_string(pilot.CareerAirKills));
    node.SetAttribute("ground", std::to_string(pilot.CareerGroundKills));
    node.SetAttribute("life_sorties", std::to_string(pilot.LifeSorties));
    node.SetAttribute("life_kills", Figure(pilot.LifeAirKills + pilot.LifeGroundKills));
    node.SetAttribute("last", pilot.LastSortie);
    if (row.me) node.SetAttribute("me", "1");
  }
  return doc.ToText();
}

void WriteKey(TJsonWriter& writer, std::string_view key, int64_t value) {
  WriteJsonKey(writer, key);
  writer.Int64(value);
}
void WriteKey(TJsonWriter& writer, std::string_view key, std::string_view value) {
  WriteJsonKey(writer, key);
  WriteJsonText(writer, value);
}

std::string BoardJson(const TBoardAnswer& answer) {
  std::string json;
  {
    TJsonSink sink(json);
    TJsonWriter writer(sink);
    writer.StartObject();
    WriteKey(writer, "lang", PageLanguageCode(answer.language));
    WriteKey(writer, "srvid", answer.srvid);
    WriteJsonKey(writer, "ready");
    writer.Bool(answer.results != nullptr);
    WriteKey(writer, "sort", BoardSortName(answer.query.sort));
    WriteKey(writer, "order", answer.query.descending ? "desc" : "asc");
    WriteJsonKey(writer, "army");
    if (answer.query.army == 0) writer.Null(); else writer.Int(answer.query.army);
    WriteKey(writer, "q", answer.query.search);
    WriteKey(writer, "me", answer.query.me);
    WriteKey(writer, "page", answer.page.page);
    WriteKey(writer, "pages", answer.page.pages);
    WriteKey(writer, "size", answer.page.size);
    WriteKey(writer, "matching", answer.page.matching);
    WriteJsonKey(writer, "rows");
    writer.StartArray();
    for (const TBoardRow& row : answer.page.rows) {
      const TPilotResult& pilot = *row.pilot;
      writer.StartObject();
      WriteKey(writer, "position", row.position);
      WriteKey(writer, "id", pilot.Id);
      WriteKey(writer, "callsign", pilot.Callsign);
      WriteKey(writer, "army", pilot.Army);
      WriteKey(writer, "rank", pilot.Rank);
      WriteKey(writer, "rank_name", pilot.RankName);
      WriteKey(writer, "awards", pilot.Awards);
      WriteKey(writer, "sorties", pilot.CareerSorties);
      WriteKey(writer, "deaths", pilot.CareerDeaths);
      WriteKey(writer, "air_kills", pilot.CareerAirKills);
      WriteKey(writer, "ground_kills", pilot.CareerGroundKills);
      WriteKey(writer, "life_sorties", pilot.LifeSorties);
      WriteJsonKey(writer, "life_kills");
      writer.Double(pilot.LifeAirKills + pilot.LifeGroundKills);
      WriteJsonKey(writer, "last_sortie");
      if (pilot.LastSortie.empty()) writer.Null(); else WriteJsonText(writer, pilot.LastSortie);
      WriteJsonKey(writer, "me");
      writer.Bool(row.me);
      writer.EndObject();
    }
    writer.EndArray();
    writer.EndObject();
  }
  return json;
}

}  // namespace

void ShowLeaderboard(TConnection& connection, const std::string& request, const TAnswerFormat& format) {
  try {
    const std::vector<std::string> params = QueryParameterList(GetRequestParams(request));
    TBoardAnswer answer{.language = ChoosePageLanguage(request),
                        .srvid = SrvidValue(params),
                        .query = ParseBoardQuery(params),
                        .results = nullptr,
                        .page = {}};
    answer.results = FindPilotResults(answer.srvid);
    if (answer.results) {
      answer.page = SelectBoard(answer.results, answer.query);
    } else {
      answer.page.size = answer.query.size;
    }
    if (format.kind == TAnswerKind::kJson) {
      SendJsonAnswer(connection, format, BoardJson(answer));
    } else {
      SendViewDocument(connection, format, BoardXml(answer));
    }
  } catch (const std::exception& e) {
    WriteLog(0, "ShowLeaderboard", e.what());
  }
}

}  // namespace sky
