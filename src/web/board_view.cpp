#include "web/board_view.h"

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

#include <fmt/format.h>

#include "base/log.h"
#include "engine/pilot_results.h"
#include "export/json_writer.h"
#include "export/packet_writer.h"
#include "export/value_text.h"
#include "web/form_fields.h"
#include "web/leaderboard.h"
#include "web/page_language.h"
#include "web/pilot_fields.h"
#include "web/view_answer.h"
#include "web/view_params.h"

namespace sky {

namespace {

// A row's figures, in the order of its attributes and keys.
constexpr TPilotFields kBoardRowFields = {
    &kPilotId,       &kPilotCallsign,  &kPilotArmy,        &kPilotRank,         &kPilotRankName,
    &kPilotAwards,   &kCareerSorties,  &kCareerDeaths,     &kCareerAirKills,    &kCareerGroundKills,
    &kBoardLifeSorties, &kBoardLifeKills, &kPilotLastSortie};

struct TBoardAnswer {
  TPageLanguage language;
  std::string srvid;
  TBoardQuery query;
  std::shared_ptr<const TPilotResults> results;  // null before the first pass
  TBoardPage page;
};

// The document is written straight as text, as the pilot list's packet is
// (export/packet_writer.h): under many clients, building it as a tree cost
// three times what the rest of the answer did.
class TElementText {
 public:
  TElementText(std::string& out, std::string_view name) : out_(out) { out_.append("<").append(name); }
  TElementText(const TElementText&) = delete;
  TElementText& operator=(const TElementText&) = delete;

  void Text(std::string_view name, std::string_view value) {
    out_.append(" ").append(name).append("=\"");
    AppendPacketText(out_, XmlSafeText(value));
    out_.append("\"");
  }
  void Number(std::string_view name, int64_t value) {
    out_.append(" ").append(name).append("=\"").append(std::to_string(value)).append("\"");
  }
  void Close(bool empty) { out_.append(empty ? "/>\n" : ">\n"); }

 private:
  std::string& out_;
};

void WriteBoardAttributes(TElementText& root, const TBoardAnswer& answer) {
  root.Text("lang", PageLanguageCode(answer.language));
  root.Text("srvid", answer.srvid);
  root.Text("ready", answer.results ? "1" : "0");
  root.Text("sort", BoardSortName(answer.query.sort));
  root.Text("order", answer.query.descending ? "desc" : "asc");
  root.Number("army", answer.query.army);
  root.Text("q", answer.query.search);
  root.Text("me", answer.query.me);
  root.Number("page", answer.page.page);
  root.Number("pages", answer.page.pages);
  root.Number("size", answer.page.size);
  root.Number("matching", answer.page.matching);
  root.Number("pilots", answer.results ? static_cast<int64_t>(answer.results->size()) : 0);
  // The parameters of the links the page makes, ready to follow "?cmd=top":
  // the board and search without the order, and the order.
  std::string filter = "&srvid=" + answer.srvid + "&lang=" + std::string(PageLanguageCode(answer.language));
  if (answer.query.army != 0) filter += "&army=" + std::to_string(answer.query.army);
  if (!answer.query.search.empty()) filter += "&q=" + UrlEncode(answer.query.search);
  if (answer.page.size != kBoardPageSize) filter += "&size=" + std::to_string(answer.page.size);
  root.Text("filter", filter);
  root.Text("ordering", fmt::format("&sort={}&order={}", BoardSortName(answer.query.sort),
                                    answer.query.descending ? "desc" : "asc"));
}

TBoardAnswer AssembleBoard(const THttpRequest& request, TBoardOrders& board_orders) {
  const std::vector<std::string>& params = request.query;
  TBoardAnswer answer{.language = ChoosePageLanguage(request),
                      .srvid = SrvidValue(params),
                      .query = ParseBoardQuery(params),
                      .results = nullptr,
                      .page = {}};
  answer.results = FindPilotResults(answer.srvid);
  if (answer.results) {
    answer.page = SelectBoard(board_orders, answer.results, answer.query);
  } else {
    answer.page.size = answer.query.size;
  }
  return answer;
}

std::string BoardXml(const TBoardAnswer& answer) {
  std::string out =
      "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n"
      "<?xml-stylesheet type=\"text/xsl\" href=\"/xsl/board.xsl\"?>\n";
  {
    TElementText root(out, "board");
    WriteBoardAttributes(root, answer);
    root.Close(answer.page.rows.empty());
  }
  for (const TBoardRow& row : answer.page.rows) {
    TElementText node(out, "pilot");
    node.Number("position", row.position);
    for (const TPilotField* field : kBoardRowFields) node.Text(field->xml, PilotFieldText(*field, *row.pilot));
    if (row.me) node.Text("me", "1");
    node.Close(true);
  }
  if (!answer.page.rows.empty()) out.append("</board>\n");
  return out;
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
      writer.StartObject();
      WriteJsonField(writer, "position", row.position);
      WritePilotJsonFields(writer, kBoardRowFields, *row.pilot);
      WriteJsonKey(writer, "me");
      writer.Bool(row.me);
      writer.EndObject();
    }
    writer.EndArray();
  });
}

}  // namespace

void ShowLeaderboard(const TViewCall& call) {
  try {
    const TBoardAnswer answer = AssembleBoard(call.request, call.state.board_orders);
    SendViewAnswer(call, [&] { return BoardJson(answer); }, [&] { return BoardXml(answer); });
  } catch (const std::exception& e) {
    WriteLog(0, "ShowLeaderboard", e.what());
  }
}

}  // namespace sky
