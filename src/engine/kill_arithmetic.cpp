#include "engine/kill_arithmetic.h"

#include <cmath>
#include <limits>

#include <fmt/format.h>

#include "base/log.h"

namespace sky {

TAirKills AirPart(const TKillSet& kills) { return {kills.Air, kills.Bom}; }

TGroundKills GroundPart(const TKillSet& kills) {
  return {kills.SAir, kills.Tank, kills.Car, kills.Art, kills.Aaa, kills.Wag, kills.Ship};
}

void AddKills(TKillSet& target, const TKillSet& source) {
  target.Air += source.Air;
  target.Bom += source.Bom;
  target.SAir += source.SAir;
  target.Tank += source.Tank;
  target.Car += source.Car;
  target.Art += source.Art;
  target.Aaa += source.Aaa;
  target.Wag += source.Wag;
  target.Ship += source.Ship;
}

int64_t TruncToInt64(double value) {
  if (std::isnan(value)) return 0;
  const double truncated = std::trunc(value);
  // 2^63 is exactly representable; anything at or beyond it is held at the limit.
  constexpr double kLimit = 9223372036854775808.0;
  if (truncated >= kLimit) return std::numeric_limits<int64_t>::max();
  if (truncated < -kLimit) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(truncated);
}

double WeightedAirKills(const TSettings& settings, const TAirKills& kills) {
  const double ratio = settings.AirBomberRatio;
  // A ratio of 1 or less would make bombers worth less than fighters; it is
  // never applied.
  if (ratio > 1.0 && kills.Bom > 0) return kills.Air - kills.Bom + ratio * kills.Bom;
  return kills.Air;
}

double GroundWeightSum(const TSettings& settings, const TGroundKills& kills) {
  const double slots[kGroundKinds] = {kills.SAir, kills.Tank, kills.Car, kills.Art,
                                      kills.Aaa,  kills.Wag,  kills.Ship};
  double sum = 0.0;
  for (int kind = 0; kind < kGroundKinds; ++kind) {
    sum = slots[kind] * settings.GroundRatio[kind] + sum;
  }
  return sum;
}

double WeightedGroundKills(const TSettings& settings, const TGroundKills& kills) {
  const double sum = GroundWeightSum(settings, kills);
  const double whole = std::trunc(sum);
  WriteLog(7, "Всего наземных килов (с учетом коэффициентов):",
           fmt::format("{:18.2f} ({:18.2f})", whole, sum));
  return whole;
}

int64_t PureGroundKills(const TGroundKills& kills) {
  return TruncToInt64(kills.SAir + kills.Tank + kills.Car + kills.Art + kills.Aaa + kills.Wag +
                      kills.Ship);
}

int64_t EffectiveKills(const TSettings& settings, const TKillSet& kills) {
  const double air = WeightedAirKills(settings, AirPart(kills));
  const double ground = WeightedGroundKills(settings, GroundPart(kills));
  return TruncToInt64(air + ground);
}

int64_t QuietEffectiveKills(const TSettings& settings, const TKillSet& kills) {
  const double air = WeightedAirKills(settings, AirPart(kills));
  const double ground = std::trunc(GroundWeightSum(settings, GroundPart(kills)));
  return TruncToInt64(air + ground);
}

}  // namespace sky
