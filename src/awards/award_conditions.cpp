#include "awards/award_conditions.h"

#include <charconv>
#include <stdexcept>
#include <string>

#include "settings/log.h"
#include "xml/encoding.h"

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
    int32_t ground_sum = GetCurrentGroundKills(sortie, ground);

    auto attributes = condition.Attributes();
    auto unmet = static_cast<int64_t>(attributes.size());
    for (const auto& [name, value] : attributes) {
      WriteLog(11, "Condition item", name + " " + value);
      bool met = false;
      if (EqualsIgnoreCase(name, "airkill")) {
        met = Reaches(static_cast<double>(sortie.FieldByName("eAir").AsInteger()), value);
      } else if (EqualsIgnoreCase(name, "bomberkill")) {
        met = Reaches(static_cast<double>(sortie.FieldByName("eBom").AsInteger()), value);
      } else if (EqualsIgnoreCase(name, "tankkill")) {
        met = Reaches(ground.Tank, value);
      } else if (EqualsIgnoreCase(name, "artkill")) {
        met = Reaches(ground.Art + ground.Aaa, value);
      } else if (EqualsIgnoreCase(name, "shipkill")) {
        met = Reaches(ground.Ship, value);
      } else if (EqualsIgnoreCase(name, "gkill")) {
        met = Reaches(ground_sum, value);
      } else if (EqualsIgnoreCase(name, "landing")) {
        met = ReadThreshold(value) > 0 && sortie.FieldByName("SortieEND").AsString() == "TKON";
      } else if (EqualsIgnoreCase(name, "wounded")) {
        met = sortie.FieldByName("wound").AsInteger() > 0;
      } else if (EqualsIgnoreCase(name, "ks")) {
        met = RatioWithin(value, AirPerSortie(totals));
      } else if (EqualsIgnoreCase(name, "gks")) {
        met = RatioWithin(value, GroundsPerSortie(totals));
      }
      if (met) --unmet;
    }
    return unmet < 1;
  } catch (const std::exception& e) {
    WriteLog(0, "Ошибка проверки условий присвоения награды", e.what());
    return false;
  }
}

bool ComplexConditionMet(TdmMySQL& /*session*/, TXmlNode condition, const TSettings& /*settings*/,
                         const TPilotTotals& totals, int32_t combat_count,
                         const TAirKills& air, const TGroundKills& ground) {
  try {
    auto attributes = condition.Attributes();
    auto unmet = static_cast<int64_t>(attributes.size());
    for (const auto& [name, value] : attributes) {
      WriteLog(11, "Complex condition item", name + " " + value);
      bool met = false;
      if (EqualsIgnoreCase(name, "airkill")) {
        met = Reaches(air.Air, value);
      } else if (EqualsIgnoreCase(name, "bomberkill")) {
        met = Reaches(air.Bom, value);
      } else if (EqualsIgnoreCase(name, "gkill")) {
        met = Reaches(static_cast<double>(PureGroundKills(ground)), value);
      } else if (EqualsIgnoreCase(name, "tankkill")) {
        met = Reaches(ground.Tank, value);
      } else if (EqualsIgnoreCase(name, "artkill")) {
        met = Reaches(ground.Art, value);
      } else if (EqualsIgnoreCase(name, "shipkill")) {
        met = Reaches(ground.Ship, value);
      } else if (EqualsIgnoreCase(name, "combat")) {
        met = Reaches(combat_count, value);
      } else if (EqualsIgnoreCase(name, "ks")) {
        met = RatioWithin(value, AirPerSortie(totals));
      } else if (EqualsIgnoreCase(name, "gks")) {
        met = RatioWithin(value, GroundsPerSortie(totals));
      }
      if (met) --unmet;
    }
    return unmet < 1;
  } catch (const std::exception& e) {
    WriteLog(0, "Ошибка при проверке условий присвоения награды ", e.what());
    return false;
  }
}

}  // namespace sky
