#include "engine/sortie_record.h"

#include <string>

#include "base/encoding.h"
#include "base/log.h"
#include "base/text.h"
#include "db/query.h"
#include "engine/sortie.h"
#include "settings/settings.h"

namespace sky {

namespace {

constexpr std::size_t kSortieEndLimit = 20;

int32_t IntField(const TQuery& row, std::string_view name) {
  return static_cast<int32_t>(row.FieldByName(name).AsInteger());
}

double CountField(const TQuery& row, std::string_view name) {
  return static_cast<double>(row.FieldByName(name).AsInteger());
}

// The columns of one side's kills; an empty name is a count not kept.
struct TKillColumns {
  std::string_view air, bom, sair, tank, car, art, aaa, wag, ship;
};
constexpr TKillColumns kEnemyColumns{"eAir", "eBom", "eSAir", "eTank", "eCar", "eArt", "eAaa", "eWag", "eShip"};
constexpr TKillColumns kFriendlyColumns{"fAir", "", "fSAir", "fTank", "fCar", "fArt", "fAaa", "fWag", "fShip"};

void ReadKills(const TQuery& row, const TKillColumns& columns, TKillSet& kills) {
  auto count = [&row](std::string_view name) { return name.empty() ? 0.0 : CountField(row, name); };
  kills = TKillSet{};
  kills.Air = count(columns.air);
  kills.Bom = count(columns.bom);
  kills.SAir = count(columns.sair);
  kills.Tank = count(columns.tank);
  kills.Car = count(columns.car);
  kills.Art = count(columns.art);
  kills.Aaa = count(columns.aaa);
  kills.Wag = count(columns.wag);
  kills.Ship = count(columns.ship);
}

}  // namespace

void ReadEnemyKills(const TQuery& row, TKillSet& kills) { ReadKills(row, kEnemyColumns, kills); }

// The statistics program keeps no count of friendly bombers; Bom stays 0.
void ReadFriendlyKills(const TQuery& row, TKillSet& kills) { ReadKills(row, kFriendlyColumns, kills); }

TSortie ReadSortie(const TQuery& row) {
  TSortie sortie;
  sortie.Id = IntField(row, "id");
  sortie.SessionId = IntField(row, "sessionid");
  sortie.PilotId = IntField(row, "pilotid");
  sortie.ArmyId = IntField(row, "armyid");
  sortie.StartTime = row.FieldByName("starttime").AsDateTime();
  sortie.EndTime = row.FieldByName("endtime").AsDateTime();
  sortie.MissionId = IntField(row, "missionid");
  sortie.Score = IntField(row, "score");
  ReadEnemyKills(row, sortie.Enemy);
  ReadFriendlyKills(row, sortie.Friendly);
  sortie.Wound = IntField(row, "wound");
  sortie.SortieEnd = Utf8Prefix(TrimText(row.FieldByName("SortieEND").AsString()), kSortieEndLimit);
  return sortie;
}

void ResetStreak(TStreak& streak) {
  streak.CombatCount = 0;
  streak.Kills = TKillSet{};
}

int32_t GetCurrentAirKills(const TQuery& row, TAirKills& kills) {
  try {
    const int32_t air = IntField(row, "eAir");
    kills.Air += air;
    kills.Bom += IntField(row, "eBom");
    return air;
  } catch (const std::exception& e) {
    WriteLog(0, "ERROR GetCurrentAirKills : ", e.what());
    return 0;
  }
}

int32_t GetCurrentGroundKills(const TQuery& row, TGroundKills& kills) {
  try {
    double* slots[kGroundKinds] = {&kills.SAir, &kills.Tank, &kills.Car, &kills.Art,
                                   &kills.Aaa,  &kills.Wag,  &kills.Ship};
    static constexpr std::string_view kColumns[kGroundKinds] = {"eSAir", "eTank", "eCar", "eArt",
                                                                "eAaa",  "eWag",  "eShip"};
    int64_t sum = 0;
    for (int kind = 0; kind < kGroundKinds; ++kind) {
      const int64_t count = IntField(row, kColumns[kind]);
      *slots[kind] += static_cast<double>(count);
      sum += count;
    }
    return static_cast<int32_t>(sum);
  } catch (const std::exception& e) {
    WriteLog(0, "ERROR GetCurrentGroundKills : ", e.what());
    return 0;
  }
}

}  // namespace sky
