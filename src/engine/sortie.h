// Sortie records, the end-status lists and the kill arithmetic that decide
// whether a sortie is a combat sortie and how many kills it is worth.
//
// Everything here is computation on values already read, except ReadSortie
// and the row readers (which read the current row of an open query) and
// GetPilotTotals (which runs one totals statement on the session).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "db/query.h"
#include "db/session.h"
#include "settings/datetime.h"
#include "settings/settings.h"

namespace sky {

// Nine counts in fixed order: the air part (Air, Bom) then the ground part in
// the order of TSettings::GroundRatio.
struct TKillSet {
  double Air = 0, Bom = 0;
  double SAir = 0, Tank = 0, Car = 0, Art = 0, Aaa = 0, Wag = 0, Ship = 0;
};
struct TAirKills {
  double Air = 0, Bom = 0;
};
struct TGroundKills {
  double SAir = 0, Tank = 0, Car = 0, Art = 0, Aaa = 0, Wag = 0, Ship = 0;
};
TAirKills AirPart(const TKillSet& kills);
TGroundKills GroundPart(const TKillSet& kills);

struct TSortie {
  int32_t Id = 0;
  int32_t SessionId = 0;
  int32_t PilotId = 0;
  int32_t ArmyId = 0;
  TDateTime StartTime = 0;
  TDateTime EndTime = 0;
  int32_t MissionId = 0;
  int32_t Score = 0;
  TKillSet Enemy;
  TKillSet Friendly;   // Bom stays 0
  int32_t Wound = 0;
  std::string SortieEnd;  // trimmed, at most 20 characters
};

// Running totals of one life.
struct TStreak {
  int32_t CombatCount = 0;
  TKillSet Kills;
  int32_t CurrentRank = 0;
};

struct TPilotTotals {
  int32_t SortiesCount = 0;
  int32_t Air = 0;
  int32_t Grounds = 0;
};

// Reads the `sorties` row the query stands on; a missing column raises TDbError.
TSortie ReadSortie(const TQuery& row);
void ReadEnemyKills(const TQuery& row, TKillSet& kills);
void ReadFriendlyKills(const TQuery& row, TKillSet& kills);
void AddKills(TKillSet& target, const TKillSet& source);
void ResetStreak(TStreak& streak);  // CurrentRank is kept

// True when `end` is not empty and is a substring of `list`.
bool InEndList(std::string_view end, std::string_view list);

double WeightedAirKills(const TSettings& settings, const TAirKills& kills);
// Writes the level-7 total line on every call.
double WeightedGroundKills(const TSettings& settings, const TGroundKills& kills);
int64_t PureGroundKills(const TGroundKills& kills);
int64_t EffectiveKills(const TSettings& settings, const TKillSet& kills);

// True when start + minutes <= end. Any number of minutes is accepted.
bool DurationReached(uint32_t minutes, TDateTime start, TDateTime end);
bool IsCombatSortie(const TSettings& settings, const TSortie& sortie);
// The row-based test of the statistics and award evaluation (raw counts).
bool IsCombatRow(const TSettings& settings, const TQuery& row);

// Add the row's counts to the record and return the row's eAir / ground sum;
// errors are logged and give 0.
int32_t GetCurrentAirKills(const TQuery& row, TAirKills& kills);
int32_t GetCurrentGroundKills(const TQuery& row, TGroundKills& kills);

// Totals of all the pilot's sorties (with id below `upper_id` unless it is -1).
void GetPilotTotals(TdmMySQL& session, int32_t pilot_id, int32_t upper_id, TPilotTotals& totals);
double AirPerSortie(const TPilotTotals& totals);
double GroundsPerSortie(const TPilotTotals& totals);

}  // namespace sky
