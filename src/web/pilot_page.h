// What the pilot page shows beyond his kept results (engine/pilot_results.h):
// his awards as ribbons, how far his current life is from the next rank, and
// the figures of each of his lives for the charts.
//
// Ribbons: each bit set in the awards mask, lowest first, named by the item
// of the awards file (simple or complex section of his army) whose value is
// that bit. Its picture is img/ribbons/<red|blue>-<value>.svg when the
// program folder holds that file; otherwise, and for a bit no item describes,
// the page draws a plain ribbon in the two colours the bit gives.
//
// Next rank: the first row of the rank scale (file order, as the pass takes
// it) above his rank; the life needs its combat sorties, its kills (air and
// ground as the rank rule counts them) and its ground kills. A pilot at or
// above every row is at the top; an empty scale has no next rank either.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/pilot_results.h"
#include "settings/settings.h"
#include "xml/xml_document.h"

namespace sky {

struct TRibbon {
  int32_t Bit = 0;         // 0..31
  uint32_t Value = 0;      // 1 << Bit, as the awards file writes it
  std::string Name;        // empty when no item describes the bit
  std::string Picture;     // a file of the program folder; empty: a plain ribbon
  std::string Colours[2];  // "#rrggbb", the plain ribbon's outer and inner stripes
};

// `awards` may be an empty document (no file, or none loaded); `folder` is
// where the pictures are looked for.
std::vector<TRibbon> DecodeAwards(const TXmlDocument& awards, int32_t army, int32_t mask,
                                  const std::string& folder);

enum class TNextRank { kNext, kTop, kNoScale };

struct TRankNeed {
  const char* Key;  // "sorties", "kills", "ground"
  int64_t Have = 0;
  int64_t Need = 0;
};

struct TRankProgress {
  TNextRank State = TNextRank::kNoScale;
  TRankDef Next;                // for kNext
  std::vector<TRankNeed> Needs; // for kNext
};

TRankProgress NextRankProgress(const std::vector<TRankDef>& ranks, const TPilotResult& pilot);

struct TLifeFigures {
  int64_t Number = 0;   // 1 for his first life
  int64_t Sorties = 0;
  int64_t CombatSorties = 0;
  int64_t Kills = 0;
  bool Ended = false;   // ended by a death; his last life goes on
  std::string Start, End;
  // The best rank reached in this life: the name of its last `newrank`.
  // Empty when the life raised him to no rank (the life's `currentrank` is
  // not it: the history writes that only at some ends of a life).
  std::string Rank;
};

// From a history document's `history` element (engine/history.h).
std::vector<TLifeFigures> LifeFiguresOf(TXmlNode history);

}  // namespace sky
