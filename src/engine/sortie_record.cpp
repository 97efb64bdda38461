// Implements part of engine/sortie.h (ReadSortie and the row readers).
#include <string>

#include "engine/sortie.h"
#include "settings/log.h"
#include "xml/encoding.h"

namespace sky {

namespace {

constexpr std::size_t kSortieEndLimit = 20;

int32_t IntField(const TQuery& row, std::string_view name) {
  return static_cast<int32_t>(row.FieldByName(name).AsInteger());
}

double CountField(const TQuery& row, std::string_view name) {
  return static_cast<double>(row.FieldByName(name).AsInteger());
}

}  // namespace

void ReadEnemyKills(const TQuery& row, TKillSet& kills) {
  kills = TKillSet{};
  kills.Air = CountField(row, "eAir");
  kills.Bom = CountField(row, "eBom");
  kills.SAir = CountField(row, "eSAir");
  kills.Tank = CountField(row, "eTank");
  kills.Car = CountField(row, "eCar");
  kills.Art = CountField(row, "eArt");
  kills.Aaa = CountField(row, "eAaa");
  kills.Wag = CountField(row, "eWag");
  kills.Ship = CountField(row, "eShip");
}

void ReadFriendlyKills(const TQuery& row, TKillSet& kills) {
  kills = TKillSet{};
  // The statistics program keeps no count of friendly bombers; Bom stays 0.
  kills.Air = CountField(row, "fAir");
  kills.SAir = CountField(row, "fSAir");
  kills.Tank = CountField(row, "fTank");
  kills.Car = CountField(row, "fCar");
  kills.Art = CountField(row, "fArt");
  kills.Aaa = CountField(row, "fAaa");
  kills.Wag = CountField(row, "fWag");
  kills.Ship = CountField(row, "fShip");
}

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
