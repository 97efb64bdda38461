#include "awards/award_criteria.h"

#include "base/text.h"

namespace sky {

namespace {

using C = TCriterion;

constexpr TCriterionName kSimpleCriteria[] = {
    {"airkill", C::kAirKill},       {"bomberkill", C::kBomberKill},    {"tankkill", C::kTankKill},
    {"artkill", C::kArtKill},       {"shipkill", C::kShipKill},        {"gkill", C::kGroundKill},
    {"landing", C::kLanding},       {"wounded", C::kWounded, false},   {"ks", C::kAirPerSortie},
    {"gks", C::kGroundsPerSortie},
};

constexpr TCriterionName kComplexCriteria[] = {
    {"airkill", C::kAirKill},   {"bomberkill", C::kBomberKill}, {"gkill", C::kGroundKill},
    {"tankkill", C::kTankKill}, {"artkill", C::kArtKill},       {"shipkill", C::kShipKill},
    {"combat", C::kCombat},     {"ks", C::kAirPerSortie},       {"gks", C::kGroundsPerSortie},
};

}  // namespace

std::span<const TCriterionName> Criteria(TAwardKind kind) {
  if (kind == TAwardKind::kSimple) return kSimpleCriteria;
  return kComplexCriteria;
}

std::optional<TCriterionName> FindCriterion(TAwardKind kind, std::string_view name) {
  for (const TCriterionName& criterion : Criteria(kind)) {
    if (EqualsIgnoreCase(criterion.name, name)) return criterion;
  }
  return std::nullopt;
}

}  // namespace sky
