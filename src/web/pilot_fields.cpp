#include "web/pilot_fields.h"

#include "web/shown_figure.h"

namespace sky {

using TKind = TFieldKind;
using TPilot = const TPilotResult&;

// clang-format off
const TPilotField kPilotId{"id", "id", TKind::kNumber, [](TPilot p) -> int64_t { return p.Id; }};
const TPilotField kPilotCallsign{"callsign", "callsign", TKind::kText, nullptr,
                                 [](TPilot p) -> std::string_view { return p.Callsign; }};
const TPilotField kPilotArmy{"army", "army", TKind::kNumber, [](TPilot p) -> int64_t { return p.Army; }};
const TPilotField kPilotRank{"rank", "rank", TKind::kNumber, [](TPilot p) -> int64_t { return p.Rank; }};
const TPilotField kPilotRankName{"rankname", "rank_name", TKind::kText, nullptr,
                                 [](TPilot p) -> std::string_view { return p.RankName; }};
const TPilotField kPilotAwards{"awards", "awards", TKind::kNumber, [](TPilot p) -> int64_t { return p.Awards; }};
const TPilotField kPilotLastSortie{"last", "last_sortie", TKind::kTextOrNull, nullptr,
                                   [](TPilot p) -> std::string_view { return p.LastSortie; }};
const TPilotField kCareerSorties{"sorties", "sorties", TKind::kNumber,
                                 [](TPilot p) -> int64_t { return p.CareerSorties; }};
const TPilotField kCareerDeaths{"deaths", "deaths", TKind::kNumber, [](TPilot p) -> int64_t { return p.CareerDeaths; }};
const TPilotField kCareerAirKills{"air", "air_kills", TKind::kNumber,
                                  [](TPilot p) -> int64_t { return p.CareerAirKills; }};
const TPilotField kCareerGroundKills{"ground", "ground_kills", TKind::kNumber,
                                     [](TPilot p) -> int64_t { return p.CareerGroundKills; }};
const TPilotField kCareerKnown{"known", "known", TKind::kFlag, [](TPilot p) -> int64_t { return p.CareerKnown; }};
const TPilotField kLifeSorties{"sorties", "sorties", TKind::kNumber, [](TPilot p) -> int64_t { return p.LifeSorties; }};
const TPilotField kLifeCombatSorties{"combat", "combat_sorties", TKind::kNumber,
                                     [](TPilot p) -> int64_t { return p.LifeCombatSorties; }};
const TPilotField kLifeAirKills{"air", "air_kills", TKind::kFigure, nullptr, nullptr,
                                [](TPilot p) { return p.LifeAirKills; }};
const TPilotField kLifeGroundKills{"ground", "ground_kills", TKind::kFigure, nullptr, nullptr,
                                   [](TPilot p) { return p.LifeGroundKills; }};
// The board's row is flat: its life figures carry the life in their names.
const TPilotField kBoardLifeSorties{"life_sorties", "life_sorties", TKind::kNumber,
                                    [](TPilot p) -> int64_t { return p.LifeSorties; }};
const TPilotField kBoardLifeKills{"life_kills", "life_kills", TKind::kFigure, nullptr, nullptr,
                                  [](TPilot p) { return p.LifeAirKills + p.LifeGroundKills; }};
// clang-format on

std::string PilotFieldText(const TPilotField& field, const TPilotResult& pilot) {
  switch (field.kind) {
    case TKind::kNumber:
      return std::to_string(field.number(pilot));
    case TKind::kFlag:
      return field.number(pilot) ? "1" : "0";
    case TKind::kText:
    case TKind::kTextOrNull:
      return std::string(field.text(pilot));
    case TKind::kFigure:
      return ShownFigure(field.figure(pilot));
  }
  return {};
}

void WritePilotJsonField(TJsonWriter& writer, const TPilotField& field, const TPilotResult& pilot) {
  switch (field.kind) {
    case TKind::kNumber:
      WriteJsonField(writer, field.json, field.number(pilot));
      return;
    case TKind::kFlag:
      WriteJsonKey(writer, field.json);
      writer.Bool(field.number(pilot) != 0);
      return;
    case TKind::kText:
      WriteJsonField(writer, field.json, field.text(pilot));
      return;
    case TKind::kTextOrNull:
      WriteJsonTextOrNull(writer, field.json, field.text(pilot));
      return;
    case TKind::kFigure:
      WriteJsonKey(writer, field.json);
      WriteJsonNumber(writer, ShownFigure(field.figure(pilot)));
      return;
  }
}

void WritePilotJsonFields(TJsonWriter& writer, TPilotFields fields, const TPilotResult& pilot) {
  for (const TPilotField* field : fields) WritePilotJsonField(writer, *field, pilot);
}

}  // namespace sky
