// The pilots of a generated statistics database and the order of their
// sorties.
//
// Contract: MakePopulation(pilots, sorties, seed) is a pure function of its
// arguments. It returns `pilots` pilots with ids 1..pilots and a schedule of
// `sorties` entries: schedule[k] is the index (id - 1) of the pilot who flies
// sortie id k + 1. Every pilot's career covers a window of the server's life,
// so pilots join and leave at different times and their sorties interleave in
// id order. Some pilots never fly; a few fly hundreds of times.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sky::skygen {

inline constexpr char kHumanClass[] = "Human pilot";
inline constexpr char kAiClass[] = "AI pilot";

enum class Skill { kNovice, kAverage, kGood, kAce };
enum class Role { kFighter, kAttacker, kBomber };

struct Pilot {
  std::string callsign;
  bool human = true;
  int army = 1;
  Skill skill = Skill::kAverage;
  Role role = Role::kFighter;

  // Filled while the sorties are generated; loaded into `pilots` afterwards.
  int64_t sorties = 0;
  int64_t score = 0;
  int64_t flight_seconds = 0;
  int64_t last_seen = -1;  // seconds since the epoch; -1 when never seen
};

struct Population {
  std::vector<Pilot> pilots;
  std::vector<uint32_t> schedule;
};

Population MakePopulation(uint32_t pilots, uint32_t sorties, uint64_t seed);

}  // namespace sky::skygen
