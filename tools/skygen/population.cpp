#include "population.h"

#include <algorithm>
#include <stdexcept>

#include "callsigns.h"
#include "random.h"

namespace sky::skygen {
namespace {

constexpr uint64_t kPopulationStream = 1;
constexpr uint64_t kFraction = uint64_t{1} << 32;  // a career window spans [0, kFraction)

// How busy a pilot is: his share of all sorties and the part of the
// server's life he plays in.
struct Activity {
  uint32_t weight;
  uint64_t window_start;
  uint64_t window_length;
};

Activity DrawActivity(Random& rng) {
  struct Tier {
    int32_t min_weight, max_weight;
    uint32_t min_window_ppm, max_window_ppm;
  };
  // never flew, casual, regular, active, hardcore
  static constexpr uint32_t kShares[] = {10, 390, 350, 200, 50};
  static constexpr Tier kTiers[] = {{0, 0, 0, 0},
                                    {1, 4, 20000, 200000},
                                    {5, 20, 100000, 500000},
                                    {21, 80, 300000, 900000},
                                    {81, 400, 600000, 1000000}};
  const Tier& tier = kTiers[rng.Pick(kShares)];
  Activity activity{};
  activity.weight = static_cast<uint32_t>(rng.Between(tier.min_weight, tier.max_weight));
  const uint64_t ppm = static_cast<uint64_t>(rng.Between(tier.min_window_ppm, tier.max_window_ppm));
  activity.window_length = ppm * kFraction / 1000000;
  activity.window_start = static_cast<uint64_t>(
      rng.Between(0, static_cast<int64_t>(kFraction - activity.window_length)));
  return activity;
}

Pilot DrawPilot(Random& rng, CallsignMaker& names) {
  Pilot pilot;
  pilot.human = rng.Chance(850000);
  if (pilot.human) {
    static constexpr uint32_t kArmyShares[] = {50, 460, 460, 30};  // armies 0, 1, 2, 3
    pilot.army = static_cast<int>(rng.Pick(kArmyShares));
    static constexpr uint32_t kSkillShares[] = {35, 40, 18, 7};
    pilot.skill = static_cast<Skill>(rng.Pick(kSkillShares));
    pilot.callsign = names.Human(rng);
  } else {
    pilot.army = rng.Chance(500000) ? 1 : 2;
    pilot.skill = rng.Chance(500000) ? Skill::kNovice : Skill::kAverage;
    pilot.callsign = names.Ai(rng);
  }
  static constexpr uint32_t kRoleShares[] = {60, 28, 12};
  pilot.role = static_cast<Role>(rng.Pick(kRoleShares));
  return pilot;
}

// Splits `total` sorties in proportion to the weights; the remainder goes one
// by one to flying pilots in id order.
std::vector<uint64_t> ShareOut(const std::vector<Activity>& activity, uint64_t total) {
  uint64_t weight_sum = 0;
  for (const Activity& a : activity) weight_sum += a.weight;
  std::vector<uint64_t> counts(activity.size(), 0);
  if (weight_sum == 0) {
    if (total == 0) return counts;
    throw std::invalid_argument("sorties need at least one pilot");
  }
  uint64_t given = 0;
  for (size_t i = 0; i < activity.size(); ++i) {
    counts[i] = static_cast<uint64_t>(static_cast<unsigned __int128>(total) * activity[i].weight /
                                      weight_sum);
    given += counts[i];
  }
  for (size_t i = 0; given < total; i = (i + 1) % activity.size()) {
    if (activity[i].weight > 0) {
      ++counts[i];
      ++given;
    }
  }
  return counts;
}

}  // namespace

Population MakePopulation(uint32_t pilot_count, uint32_t sortie_count, uint64_t seed) {
  Random rng(seed, kPopulationStream);
  CallsignMaker names;
  Population population;
  population.pilots.reserve(pilot_count);
  std::vector<Activity> activity;
  activity.reserve(pilot_count);
  for (uint32_t i = 0; i < pilot_count; ++i) {
    population.pilots.push_back(DrawPilot(rng, names));
    activity.push_back(DrawActivity(rng));
  }
  const bool nobody_flies = std::all_of(activity.begin(), activity.end(),
                                        [](const Activity& a) { return a.weight == 0; });
  if (nobody_flies && pilot_count > 0 && sortie_count > 0) {
    // Only possible with a handful of pilots: the first one flies them all.
    activity[0] = Activity{1, 0, kFraction};
  }

  const std::vector<uint64_t> counts = ShareOut(activity, sortie_count);

  // Each sortie gets a moment inside its pilot's window; sorting by moment
  // interleaves the careers. Key: moment in the high half, pilot index in the
  // low half, so equal keys are the same pilot and the order is total.
  std::vector<uint64_t> keys;
  keys.reserve(sortie_count);
  for (uint32_t p = 0; p < pilot_count; ++p) {
    const Activity& a = activity[p];
    for (uint64_t k = 0; k < counts[p]; ++k) {
      const uint64_t moment = a.window_start + ((a.window_length * (rng.Next() >> 32)) >> 32);
      keys.push_back((moment << 32) | p);
    }
  }
  std::sort(keys.begin(), keys.end());
  population.schedule.reserve(keys.size());
  for (uint64_t key : keys) population.schedule.push_back(static_cast<uint32_t>(key & 0xFFFFFFFFu));
  return population;
}

}  // namespace sky::skygen
