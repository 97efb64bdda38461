// The figures of a pilot's kept results (engine/pilot_results.h) as the
// leaderboard and the pilot page write them: one table names each field in
// both formats, the XML attribute beside the JSON key, and says how its value
// is written. The views pick fields from it in the order their documents
// have always had.
//
// In XML every value is an attribute's text: numbers in decimal, flags "1"
// or "0", kill figures as ShownFigure (web/shown_figure.h). In JSON numbers
// and kill figures are numbers, flags true or false, and a text of the kind
// kTextOrNull is null when empty.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "engine/pilot_results.h"
#include "export/json_writer.h"

namespace sky {

enum class TFieldKind { kNumber, kFlag, kText, kTextOrNull, kFigure };

struct TPilotField {
  std::string_view xml;
  std::string_view json;
  TFieldKind kind;
  // The one of these the kind reads: a number or flag, a text, a figure.
  int64_t (*number)(const TPilotResult&) = nullptr;
  std::string_view (*text)(const TPilotResult&) = nullptr;
  double (*figure)(const TPilotResult&) = nullptr;
};

using TPilotFields = std::initializer_list<const TPilotField*>;

// The table.
extern const TPilotField kPilotId, kPilotCallsign, kPilotArmy, kPilotRank, kPilotRankName, kPilotAwards,
    kPilotLastSortie, kCareerSorties, kCareerDeaths, kCareerAirKills, kCareerGroundKills, kCareerKnown,
    kLifeSorties, kLifeCombatSorties, kLifeAirKills, kLifeGroundKills, kBoardLifeSorties, kBoardLifeKills;

// The field's value as an XML attribute's text.
std::string PilotFieldText(const TPilotField& field, const TPilotResult& pilot);
// The field's key and value.
void WritePilotJsonField(TJsonWriter& writer, const TPilotField& field, const TPilotResult& pilot);
void WritePilotJsonFields(TJsonWriter& writer, TPilotFields fields, const TPilotResult& pilot);

}  // namespace sky
