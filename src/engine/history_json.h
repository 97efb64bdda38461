// A pilot's history document (engine/history_recorder.h) as JSON, made from
// the document with one table that names every element's attributes and
// their types:
//   {"callsign":"...","lives":[{"id":1,"start":"2026-05-01T10:00:00",
//     "end":"2026-05-01T13:40:00","broken":true,"combatcount":2,"kills":3,
//     "currentrank":"...","sorties":[{"id":5,"sortieend":"TKON",
//     "starttime":"...","endtime":"...","duration_ok":true,"iscombat":true,
//     "isdead":false,"details":{"AirKills":2,"GroundKills":0,
//     "EffectiveKills":2},"newrank":{"id":1,"rankname":"...","date":"..."}}]}]}
// Every key of the table appears in every object: counts are numbers, flags
// are booleans (false where the document leaves the flag out), date-times
// ISO 8601, and any other value the document leaves out is null (a life
// still going on has no "end", a sortie without a result no "details").
// An empty `history` element gives {"callsign":null,"lives":[]}.
#pragma once

#include <string>

#include "xml/xml_document.h"

namespace sky {

// Appends the JSON of the `history` element to `out`.
void WriteHistoryJson(TXmlNode history, std::string& out);

}  // namespace sky
