// The criteria a `condition` of the awards file may name, for each kind of
// award: the one vocabulary of the condition tests and of the file's check.
//
// Names are matched without case. A criterion that reads a number takes the
// attribute's text as a threshold (award_conditions.h: ReadThreshold);
// `wounded` does not read its value.
#pragma once

#include <optional>
#include <span>
#include <string_view>

namespace sky {

// The two sections of the file: `simple` awards are earned by one sortie,
// `complex` ones by the totals of the current life.
enum class TAwardKind { kSimple, kComplex };

enum class TCriterion {
  kAirKill,
  kBomberKill,
  kTankKill,
  kArtKill,
  kShipKill,
  kGroundKill,
  kLanding,
  kWounded,
  kCombat,
  kAirPerSortie,
  kGroundsPerSortie,
};

struct TCriterionName {
  std::string_view name;
  TCriterion criterion;
  bool reads_number = true;
};

std::span<const TCriterionName> Criteria(TAwardKind kind);
// The criterion of the kind that `name` names, without regard to case.
std::optional<TCriterionName> FindCriterion(TAwardKind kind, std::string_view name);

}  // namespace sky
