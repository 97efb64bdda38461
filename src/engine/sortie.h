// Sortie records and the running totals of a life: the values the combat
// and kill rules (engine/combat_rules.h, engine/kill_arithmetic.h) decide on.
// Reading them from a row is engine/sortie_record.h's job.
#pragma once

#include <cstdint>
#include <string>

#include "base/datetime.h"
#include "db/session.h"
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

}  // namespace sky
