// What the last pass over a database found for each human pilot of armies 1
// and 2, kept in memory for the leaderboard and the pilot page, so that
// those pages never read the database.
//
// A pass collects its pilots' results as it goes and publishes them whole
// when it ends (PublishPilotResults); a reader holds the set it found for as
// long as it needs (FindPilotResults) and never sees half a pass. Until the
// first pass over a database since the start there is no set. Safe to call
// from any thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>
#include "engine/rank_scale.h"

namespace sky {

struct TPilotResult {
  int32_t Id = 0;
  std::string Callsign;
  int32_t Army = 0;
  int32_t Rank = 0;            // as stored after the pass
  std::string RankName;
  int32_t Awards = 0;          // the mask as stored after the pass
  // The current life, as the rank rules count it.
  int32_t LifeSorties = 0;
  int32_t LifeCombatSorties = 0;
  double LifeAirKills = 0;
  double LifeGroundKills = 0;
  // The whole career.
  int32_t CareerSorties = 0;
  int32_t CareerDeaths = 0;
  int64_t CareerAirKills = 0;
  int64_t CareerGroundKills = 0;
  // False when the pass did not have the totals of his sorties before his
  // last death at hand: the career figures then cover only the sorties from
  // it on.
  bool CareerKnown = true;
  std::string LastSortie;      // end time of his last sortie, "yyyy-mm-ddThh:nn:ss"; empty when none
  std::string FoldedCallsign;  // FoldCase(Callsign), set when published
};

// In pilot id order.
using TPilotResults = std::vector<TPilotResult>;

// `srvid` is the database's `mysql/@id`.
void PublishPilotResults(const std::string& srvid, TPilotResults results);
std::shared_ptr<const TPilotResults> FindPilotResults(const std::string& srvid);

}  // namespace sky
