// The two condition tests of award evaluation.
//
// A condition element is met when every one of its attributes is a criterion
// of its kind that is met; a condition without attributes is always met, and
// an attribute that is no criterion of its kind is never met. Criterion names
// are matched without case. Every attribute is examined (and traced at level
// 11) in document order, also after one has failed.
//
// Thresholds are numbers ("2", "0.5" or "0,5"); a criterion "reaches" its
// threshold when the measured value is greater than or equal to it, while
// `ks` and `gks` are met when the pilot's ratio does not exceed it. A
// threshold that is not a number ends the test: the condition test logs its
// level-0 line with the error text and the condition is not met.
#pragma once

#include <cstdint>
#include <string_view>

#include "db/query.h"
#include "db/session.h"
#include "engine/sortie.h"
#include "settings/settings.h"
#include "xml/xml_document.h"

namespace sky {

// One sortie: `sortie` stands on a row of the pilot's sorties; `totals` cover
// every sortie of the pilot up to and including that row.
//   airkill, bomberkill  eAir, eBom of the row
//   tankkill, shipkill   eTank, eShip
//   artkill              eArt + eAaa
//   gkill                the seven ground columns together
//   landing              threshold > 0 and SortieEND is exactly "TKON" (as stored)
//   wounded              the row's wound > 0 (the value is not read)
//   ks, gks              AirPerSortie / GroundsPerSortie of the totals <= threshold
bool SimpleConditionMet(TdmMySQL& session, TXmlNode condition, const TQuery& sortie,
                        const TSettings& settings, const TPilotTotals& totals);

// What a complex condition is measured against: the totals of the accepted
// sorties of the current life, and the career totals.
struct TLifeFigures {
  TPilotTotals Totals;
  int32_t CombatCount = 0;
  TAirKills Air;
  TGroundKills Ground;
};

// The totals of the accepted sorties of the current life:
//   airkill, bomberkill  Air, Bom of `life.Air`
//   gkill                PureGroundKills(life.Ground)
//   tankkill, shipkill   Tank, Ship of `life.Ground`
//   artkill              Art of `life.Ground` only (anti-aircraft guns excluded)
//   combat               the combat sortie count
//   ks, gks              as for a simple condition, over `life.Totals`
bool ComplexConditionMet(TdmMySQL& session, TXmlNode condition, const TSettings& settings,
                         const TLifeFigures& life);

// A criterion threshold: a decimal number with "." or "," as the decimal
// separator, blanks around it allowed. Throws std::invalid_argument naming
// the text for anything else (an empty text included).
double ReadThreshold(std::string_view text);

}  // namespace sky
