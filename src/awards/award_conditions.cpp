#include "awards/award_conditions.h"

#include <charconv>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

#include "awards/award_criteria.h"
#include "base/log.h"
#include "base/text.h"
#include "db/query.h"
#include "engine/kill_arithmetic.h"
#include "engine/pilot_totals.h"
#include "engine/sortie_record.h"

namespace sky {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Accepts [sign] digits [sep digits] [e|E [sign] digits] with at least one
// digit in the mantissa; sep is "." or ",".
bool LooksLikeNumber(std::string_view s) {
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  std::size_t mantissa_digits = 0;
  while (i < s.size() && IsDigit(s[i])) ++i, ++mantissa_digits;
  if (i < s.size() && (s[i] == '.' || s[i] == ',')) {
    ++i;
    while (i < s.size() && IsDigit(s[i])) ++i, ++mantissa_digits;
  }
  if (mantissa_digits == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t exponent_digits = 0;
    while (i < s.size() && IsDigit(s[i])) ++i, ++exponent_digits;
    if (exponent_digits == 0) return false;
  }
  return i == s.size();
}

[[noreturn]] void ThrowNotANumber(std::string_view text) {
  throw std::invalid_argument("'" + std::string(text) + "' is not a valid number");
}

bool RatioWithin(std::string_view threshold, double ratio) {
  return ReadThreshold(threshold) >= ratio;
}

bool Reaches(double measure, std::string_view threshold) {
  return measure >= ReadThreshold(threshold);
}

// What the criteria of one condition are measured against; each value is
// taken only when a criterion asks for it.
struct TSubject {
  std::function<double(TCriterion)> count;  // the measure a threshold is reached by
  std::function<bool(TCriterion)> holds;    // landing, wounded
  const TPilotTotals& totals;               // for the kills-per-sortie criteria
};

bool CriterionMet(TCriterion criterion, const std::string& value, const TSubject& subject) {
  switch (criterion) {
    case TCriterion::kLanding:
      return ReadThreshold(value) > 0 && subject.holds(criterion);
    case TCriterion::kWounded:
      return subject.holds(criterion);
    case TCriterion::kAirPerSortie:
      return RatioWithin(value, AirPerSortie(subject.totals));
    case TCriterion::kGroundsPerSortie:
      return RatioWithin(value, GroundsPerSortie(subject.totals));
    default:
      return Reaches(subject.count(criterion), value);
  }
}

// Every attribute is traced at level 11 with `trace` and tested in document
// order; the condition is met when each is a criterion of `kind` that is met.
bool AllCriteriaMet(TXmlNode condition, TAwardKind kind, const char* trace, const TSubject& subject) {
  const auto attributes = condition.Attributes();
  auto unmet = static_cast<int64_t>(attributes.size());
  for (const auto& [name, value] : attributes) {
    WriteLog(11, trace, name + " " + value);
    // A name outside the table is never met.
    const std::optional<TCriterionName> criterion = FindCriterion(kind, name);
    if (criterion && CriterionMet(criterion->criterion, value, subject)) --unmet;
  }
  return unmet < 1;
}

}  // namespace

double ReadThreshold(std::string_view text) {
  std::string number = TrimText(text);
  if (!LooksLikeNumber(number)) ThrowNotANumber(text);
  for (char& c : number) {
    if (c == ',') c = '.';
  }
  std::string_view digits = number;
  if (digits.front() == '+') digits.remove_prefix(1);
  double value = 0;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (error != std::errc() || end != digits.data() + digits.size()) ThrowNotANumber(text);
  return value;
}

bool SimpleConditionMet(TdmMySQL& /*session*/, TXmlNode condition, const TQuery& sortie,
                        const TSettings& /*settings*/, const TPilotTotals& totals) {
  try {
    TGroundKills ground;
    const int32_t ground_sum = GetCurrentGroundKills(sortie, ground);
    const TSubject subject{
        [&](TCriterion criterion) -> double {
          switch (criterion) {
            case TCriterion::kAirKill:
              return static_cast<double>(sortie.FieldByName("eAir").AsInteger());
            case TCriterion::kBomberKill:
              return static_cast<double>(sortie.FieldByName("eBom").AsInteger());
            case TCriterion::kTankKill:
              return ground.Tank;
            case TCriterion::kArtKill:
              return ground.Art + ground.Aaa;
            case TCriterion::kShipKill:
              return ground.Ship;
            default:
              return ground_sum;
          }
        },
        [&](TCriterion criterion) {
          return criterion == TCriterion::kLanding ? sortie.FieldByName("SortieEND").AsString() == "TKON"
                                                   : sortie.FieldByName("wound").AsInteger() > 0;
        },
        totals};
    return AllCriteriaMet(condition, TAwardKind::kSimple, "Condition item", subject);
  } catch (const std::exception& e) {
    WriteLog(0, "Ошибка проверки условий присвоения награды", e.what());
    return false;
  }
}

bool ComplexConditionMet(TdmMySQL& /*session*/, TXmlNode condition, const TSettings& /*settings*/,
                         const TLifeFigures& life) {
  const TAirKills& air = life.Air;
  const TGroundKills& ground = life.Ground;
  const int32_t combat_count = life.CombatCount;
  const TPilotTotals& totals = life.Totals;
  try {
    const TSubject subject{[&](TCriterion criterion) -> double {
                             switch (criterion) {
                               case TCriterion::kAirKill:
                                 return air.Air;
                               case TCriterion::kBomberKill:
                                 return air.Bom;
                               case TCriterion::kTankKill:
                                 return ground.Tank;
                               case TCriterion::kArtKill:
                                 return ground.Art;
                               case TCriterion::kShipKill:
                                 return ground.Ship;
                               case TCriterion::kCombat:
                                 return combat_count;
                               default:
                                 return static_cast<double>(PureGroundKills(ground));
                             }
                           },
                           [](TCriterion) { return false; }, totals};
    return AllCriteriaMet(condition, TAwardKind::kComplex, "Complex condition item", subject);
  } catch (const std::exception& e) {
    WriteLog(0, "Ошибка при проверке условий присвоения награды ", e.what());
    return false;
  }
}

}  // namespace sky
