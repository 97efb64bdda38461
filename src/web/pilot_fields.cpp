#include "web/pilot_fields.h"

#include "web/shown_figure.h"

namespace sky {

using K = TFieldKind;
using P = const TPilotResult&;

// clang-format off
const TPilotField kPilotId{"id", "id", K::kNumber, [](P p) -> int64_t { return p.Id; }};
const TPilotField kPilotCallsign{"callsign", "callsign", K::kText, nullptr,
                                 [](P p) -> std::string_view { return p.Callsign; }};
const TPilotField kPilotArmy{"army", "army", K::kNumber, [](P p) -> int64_t { return p.Army; }};
const TPilotField kPilotRank{"rank", "rank", K::kNumber, [](P p) -> int64_t { return p.Rank; }};
const TPilotField kPilotRankName{"rankname", "rank_name", K::kText, nullptr,
                                 [](P p) -> std::string_view { return p.RankName; }};
const TPilotField kPilotAwards{"awards", "awards", K::kNumber, [](P p) -> int64_t { return p.Awards; }};
const TPilotField kPilotLastSortie{"last", "last_sortie", K::kTextOrNull, nullptr,
                                   [](P p) -> std::string_view { return p.LastSortie; }};
const TPilotField kCareerSorties{"sorties", "sorties", K::kNumber, [](P p) -> int64_t { return p.CareerSorties; }};
const TPilotField kCareerDeaths{"deaths", "deaths", K::kNumber, [](P p) -> int64_t { return p.CareerDeaths; }};
const TPilotField kCareerAirKills{"air", "air_kills", K::kNumber, [](P p) -> int64_t { return p.CareerAirKills; }};
const TPilotField kCareerGroundKills{"ground", "ground_kills", K::kNumber,
                                     [](P p) -> int64_t { return p.CareerGroundKills; }};
const TPilotField kCareerKnown{"known", "known", K::kFlag, [](P p) -> int64_t { return p.CareerKnown; }};
const TPilotField kLifeSorties{"sorties", "sorties", K::kNumber, [](P p) -> int64_t { return p.LifeSorties; }};
const TPilotField kLifeCombatSorties{"combat", "combat_sorties", K::kNumber,
                                     [](P p) -> int64_t { return p.LifeCombatSorties; }};
const TPilotField kLifeAirKills{"air", "air_kills", K::kFigure, nullptr, nullptr,
                                [](P p) { return p.LifeAirKills; }};
const TPilotField kLifeGroundKills{"ground", "ground_kills", K::kFigure, nullptr, nullptr,
                                   [](P p) { return p.LifeGroundKills; }};
// The board's row is flat: its life figures carry the life in their names.
const TPilotField kBoardLifeSorties{"life_sorties", "life_sorties", K::kNumber,
                                    [](P p) -> int64_t { return p.LifeSorties; }};
const TPilotField kBoardLifeKills{"life_kills", "life_kills", K::kFigure, nullptr, nullptr,
                                  [](P p) { return p.LifeAirKills + p.LifeGroundKills; }};
// clang-format on

std::string PilotFieldText(const TPilotField& field, const TPilotResult& pilot) {
  switch (field.kind) {
    case K::kNumber:
      return std::to_string(field.number(pilot));
    case K::kFlag:
      return field.number(pilot) ? "1" : "0";
    case K::kText:
    case K::kTextOrNull:
      return std::string(field.text(pilot));
    case K::kFigure:
      return ShownFigure(field.figure(pilot));
  }
  return {};
}

void WritePilotJsonField(TJsonWriter& writer, const TPilotField& field, const TPilotResult& pilot) {
  switch (field.kind) {
    case K::kNumber:
      WriteJsonField(writer, field.json, field.number(pilot));
      return;
    case K::kFlag:
      WriteJsonKey(writer, field.json);
      writer.Bool(field.number(pilot) != 0);
      return;
    case K::kText:
      WriteJsonField(writer, field.json, field.text(pilot));
      return;
    case K::kTextOrNull:
      WriteJsonTextOrNull(writer, field.json, field.text(pilot));
      return;
    case K::kFigure:
      WriteJsonKey(writer, field.json);
      WriteJsonNumber(writer, ShownFigure(field.figure(pilot)));
      return;
  }
}

void WritePilotJsonFields(TJsonWriter& writer, TPilotFields fields, const TPilotResult& pilot) {
  for (const TPilotField* field : fields) WritePilotJsonField(writer, *field, pilot);
}

}  // namespace sky
