#include "engine/pass_columns.h"

namespace sky {

namespace {

// The pilot loop's selection (class, ArmyID) and the fields it reads.
constexpr std::string_view kPilotColumns[] = {"id", "callsign", "class", "ArmyID"};

// A sortie record (ReadSortie) in its field order.
constexpr std::string_view kSortieColumns[] = {
    "id",    "sessionid", "pilotid", "armyid", "starttime", "endtime", "missionid", "score", "eAir",
    "eBom",  "eSAir",     "eTank",   "eCar",   "eArt",      "eAaa",    "eWag",      "eShip", "fAir",
    "fSAir", "fTank",     "fCar",    "fArt",   "fAaa",      "fWag",    "fShip",     "wound", "SortieEND",
};

constexpr std::string_view kResultColumns[] = {"realrank", "lastsortie", "awards"};

}  // namespace

std::span<const std::string_view> PilotColumnsRead() { return kPilotColumns; }
std::span<const std::string_view> SortieColumnsRead() { return kSortieColumns; }
std::span<const std::string_view> ResultColumns() { return kResultColumns; }

}  // namespace sky
