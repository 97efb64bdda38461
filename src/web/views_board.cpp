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

std::string BoardJson(const TBoardAnswer& answer) {
  return JsonObjectText([&](TJsonWriter& writer) {
    WriteJsonField(writer, "lang", PageLanguageCode(answer.language));
    WriteJsonField(writer, "srvid", answer.srvid);
    WriteJsonKey(writer, "ready");
    writer.Bool(answer.results != nullptr);
    WriteJsonField(writer, "sort", BoardSortName(answer.query.sort));
    WriteJsonField(writer, "order", answer.query.descending ? "desc" : "asc");
    WriteJsonKey(writer, "army");
    if (answer.query.army == 0) writer.Null(); else writer.Int(answer.query.army);
    WriteJsonField(writer, "q", answer.query.search);
    WriteJsonField(writer, "me", answer.query.me);
    WriteJsonField(writer, "page", answer.page.page);
    WriteJsonField(writer, "pages", answer.page.pages);
    WriteJsonField(writer, "size", answer.page.size);
    WriteJsonField(writer, "matching", answer.page.matching);
    WriteJsonKey(writer, "rows");
    writer.StartArray();
    for (const TBoardRow& row : answer.page.rows) {
      const TPilotResult& pilot = *row.pilot;
      writer.StartObject();
      WriteJsonField(writer, "position", row.position);
      WriteJsonField(writer, "id", pilot.Id);
      WriteJsonField(writer, "callsign", pilot.Callsign);
      WriteJsonField(writer, "army", pilot.Army);
      WriteJsonField(writer, "rank", pilot.Rank);
      WriteJsonField(writer, "rank_name", pilot.RankName);
      WriteJsonField(writer, "awards", pilot.Awards);
      WriteJsonField(writer, "sorties", pilot.CareerSorties);
      WriteJsonField(writer, "deaths", pilot.CareerDeaths);
      WriteJsonField(writer, "air_kills", pilot.CareerAirKills);
      WriteJsonField(writer, "ground_kills", pilot.CareerGroundKills);
      WriteJsonField(writer, "life_sorties", pilot.LifeSorties);
      WriteJsonKey(writer, "life_kills");
      writer.Double(pilot.LifeAirKills + pilot.LifeGroundKills);
      WriteJsonTextOrNull(writer, "last_sortie", pilot.LastSortie);
      WriteJsonKey(writer, "me");
      writer.Bool(row.me);
      writer.EndObject();
    }
    writer.EndArray();
  });
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
    SendViewAnswer(connection, format, [&] { return BoardJson(answer); }, [&] { return BoardXml(answer); });
  } catch (const std::exception& e) {
    WriteLog(0, "ShowLeaderboard", e.what());
  }
}

}  // namespace sky
