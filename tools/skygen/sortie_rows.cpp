#include "sortie_rows.h"

#include <string>

#include "civil_time.h"

namespace sky::skygen {
namespace {

constexpr uint64_t kSortieStream = 2;

// End codes and how often each skill level ends a sortie with them (per mille).
// A null code stands for a NULL column.
constexpr const char* kEndCodes[] = {"TKON",     "CRASHED", "BAIL",    "MIA", "DIED",
                                     "CAPTURED", "LANDED",  "DITCHED", "",    nullptr};
constexpr uint32_t kEndShares[4][10] = {
    {480, 90, 80, 40, 180, 40, 25, 20, 25, 20},  // novice
    {600, 70, 60, 30, 110, 30, 30, 20, 25, 25},  // average
    {720, 50, 45, 20, 50, 15, 40, 15, 25, 20},   // good
    {800, 35, 30, 10, 20, 5, 45, 10, 25, 20},    // ace
};
constexpr size_t kTkon = 0, kDied = 4, kCaptured = 5, kLanded = 6, kEmpty = 8, kNull = 9;

// Ground target kinds in column order: eSAir eTank eCar eArt eAaa eWag eShip.
constexpr int kGroundKinds = 7;
constexpr uint32_t kGroundAppetite[3][kGroundKinds] = {
    {15, 3, 20, 5, 8, 10, 1},          // fighter: strafing now and then (percent)
    {30, 100, 120, 80, 60, 50, 10},    // attacker
    {60, 40, 80, 60, 30, 120, 40},     // bomber
};
constexpr uint32_t kAirFirst[4] = {120000, 280000, 450000, 650000};
constexpr uint32_t kAirMore[4] = {250000, 350000, 450000, 550000};
constexpr uint32_t kGroundFirst[4] = {60000, 140000, 240000, 350000};
// Friendly fire by kind, in column order fAir fSAir fTank fCar fArt fAaa fWag fShip (ppm).
constexpr uint32_t kFriendlyFirst[8] = {4000, 1500, 1500, 2500, 1000, 1000, 1000, 300};

int64_t DrawDuration(Random& rng, bool ended_badly) {
  struct Band {
    int64_t min_seconds, max_seconds;
  };
  static constexpr Band kBands[] = {{60, 599}, {600, 2699}, {2700, 5399}, {5400, 10800}};
  static constexpr uint32_t kShares[] = {120, 480, 320, 80};
  if (ended_badly && rng.Chance(250000)) return rng.Between(kBands[0].min_seconds, kBands[0].max_seconds);
  const Band& band = kBands[rng.Pick(kShares)];
  return rng.Between(band.min_seconds, band.max_seconds);
}

std::string WithBlanks(Random& rng, const char* code) {
  switch (rng.Below(3)) {
    case 0: return std::string(" ") + code;
    case 1: return std::string(code) + " ";
    default: return std::string(" ") + code + " ";
  }
}

// What one flight brought, drawn in the order the generator has always drawn
// it: the same seed gives the same database.
struct Flight {
  size_t end = 0;
  bool open_ended = false;
  std::string end_text;
  int64_t duration = 0;
  int air = 0;
  int bombers = 0;
  int ground[kGroundKinds] = {};
  int friendly[8] = {};
  int wound = 0;
  int army = 0;
  int64_t score = 0;
};

// Where a flight stands in the table: the columns not drawn for it.
struct FlightPlace {
  int64_t id;
  int64_t session;
  int64_t pilot_id;
  int64_t mission;
  int64_t start;  // seconds since the epoch
};

Flight DrawFlight(Random& rng, const Pilot& pilot) {
  Flight f;
  const int skill = static_cast<int>(pilot.skill);
  const int role = static_cast<int>(pilot.role);
  f.end = rng.Pick(kEndShares[skill]);
  const bool dead = f.end == kDied || f.end == kCaptured;
  const bool ended_badly = f.end != kTkon && f.end != kLanded && f.end < kEmpty;
  f.duration = DrawDuration(rng, ended_badly);
  // A record without a proper end may be a flight the statistics program
  // never saw finish.
  f.open_ended = (f.end == kEmpty || f.end == kNull) && rng.Chance(50000);
  if (f.end != kNull) {
    f.end_text = kEndCodes[f.end];
    if (f.end != kEmpty && rng.Chance(20000)) f.end_text = WithBlanks(rng, kEndCodes[f.end]);
  }
  // Little happens in a flight of a few minutes.
  const uint32_t brevity = f.duration < 600 ? 2 : 1;
  const uint32_t air_first = kAirFirst[skill] / (pilot.role == Role::kFighter ? 1 : 5) / brevity;
  f.air = rng.CountOf(air_first, kAirMore[skill], 12);
  for (int i = 0; i < f.air; ++i) f.bombers += rng.Chance(250000);
  for (int k = 0; k < kGroundKinds; ++k) {
    const uint32_t first = kGroundFirst[skill] / 100 * kGroundAppetite[role][k] / brevity;
    f.ground[k] = rng.CountOf(first, 400000, k == kGroundKinds - 1 ? 3 : 8);
  }
  int friendly_total = 0;
  for (int k = 0; k < 8; ++k) {
    f.friendly[k] = rng.CountOf(kFriendlyFirst[k], 100000, 3);
    friendly_total += f.friendly[k];
  }
  if (rng.Chance(dead ? 250000 : 70000)) f.wound = rng.Chance(850000) ? 1 : static_cast<int>(rng.Between(2, 3));
  f.army = rng.Chance(960000) ? pilot.army : static_cast<int>(rng.Between(1, 2));
  f.score = 10 * f.air + 5 * f.bombers +
            2 * (f.ground[0] + f.ground[1] + f.ground[2] + f.ground[3] + f.ground[4] + f.ground[5]) +
            15 * f.ground[6] - 25 * friendly_total - (dead ? 10 : 0);
  return f;
}

void WriteFlight(RowWriter& out, const FlightPlace& place, const Flight& f) {
  char start_text[19];
  char end_time_text[19];
  FormatDateTime(place.start, start_text);
  FormatDateTime(place.start + f.duration, end_time_text);
  out.Begin();
  out.Int(place.id);
  out.Int(place.session);
  out.Int(place.pilot_id);
  out.Int(f.army);
  out.Text(std::string_view(start_text, sizeof start_text));
  if (f.open_ended) {
    out.Null();
  } else {
    out.Text(std::string_view(end_time_text, sizeof end_time_text));
  }
  out.Int(place.mission);
  out.Int(f.score);
  out.Int(f.air);
  out.Int(f.bombers);
  for (int k = 0; k < kGroundKinds; ++k) out.Int(f.ground[k]);
  for (int k = 0; k < 8; ++k) out.Int(f.friendly[k]);
  out.Int(f.wound);
  if (f.end == kNull) {
    out.Null();
  } else {
    out.Text(f.end_text);
  }
  out.End();
}

}  // namespace

SortieRows::SortieRows(Population& population, uint64_t seed)
    : population_(population),
      rng_(seed, kSortieStream),
      clock_(SecondsFromCivil(2009, 3, 1, 18, 0, 0)) {}

std::string_view SortieRows::Columns() const {
  return "id,sessionid,pilotid,armyid,starttime,endtime,missionid,score,"
         "eAir,eBom,eSAir,eTank,eCar,eArt,eAaa,eWag,eShip,"
         "fAir,fSAir,fTank,fCar,fArt,fAaa,fWag,fShip,wound,SortieEND";
}

bool SortieRows::Next(RowWriter& out) {
  if (next_ >= population_.schedule.size()) return false;
  const uint32_t pilot_index = population_.schedule[next_];
  Pilot& pilot = population_.pilots[pilot_index];
  const int64_t id = static_cast<int64_t>(++next_);

  clock_ += rng_.Below(61);
  // Nobody flies two aircraft at once: a pilot whose last flight is not over
  // yet holds everyone up until he is back and has had a short break.
  if (pilot.last_seen >= 0) {
    const int64_t ready = pilot.last_seen + rng_.Between(60, 900);
    if (clock_ < ready) clock_ = ready;
  }
  if (clock_ >= session_ends_) {
    ++session_;
    session_ends_ = clock_ + rng_.Between(2 * 3600, 4 * 3600);
    mission_ = rng_.Between(1, 40);
  }
  const Flight flight = DrawFlight(rng_, pilot);
  WriteFlight(out, {id, session_, pilot_index + 1, mission_, clock_}, flight);

  ++pilot.sorties;
  pilot.score += flight.score;
  const int64_t seen = flight.open_ended ? clock_ : clock_ + flight.duration;
  if (!flight.open_ended) pilot.flight_seconds += flight.duration;
  if (seen > pilot.last_seen) pilot.last_seen = seen;
  return true;
}

}  // namespace sky::skygen
