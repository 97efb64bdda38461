#include "awards/award_evaluation.h"

#include <fmt/format.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "awards/awards_file.h"
#include "base/log.h"
#include "base/text.h"
#include "db/query.h"
#include "engine/combat_rules.h"
#include "engine/pilot_sortie_statements.h"
#include "engine/pilot_sorties.h"
#include "engine/sortie.h"
#include "engine/sortie_record.h"

namespace sky {
namespace {

constexpr char kRankNotAdmitted[] = "Награда не присваивается для этого звания";

// Tests the item's dependency mask against the awards held so far; writes
// the level-4 line when a required bit is missing.
bool DependencyHeld(int32_t value, int32_t depends_on, int32_t mask) {
  if ((mask & depends_on) == depends_on) return true;
  WriteLog(4, "Проверяемая награда зависит от награды, которой нет у пилота",
           fmt::format("Зависимая награда: {}, Зависимость: {}, Имеющиеся награды: {}", value,
                       depends_on, mask));
  return false;
}

int32_t RequireInteger(const std::string& text, const char* attribute) {
  std::optional<int32_t> number = ParseAwardInteger(text);
  if (!number) {
    throw std::invalid_argument(fmt::format("{} '{}' is not an integer", attribute, text));
  }
  return *number;
}

std::string Quoted(const std::optional<std::string>& text) {
  return text ? "\"" + *text + "\"" : std::string("absent");
}

// One simple item of the section, read once per call. The item's conditions
// are selected the first time a sortie reaches them and reused for the
// following sorties (the document does not change during the call; a failed
// selection is reported again each time, as a fresh selection would be).
struct TSimpleAward {
  TAwardItemText text;
  std::string problem;  // why the item cannot be used; empty when usable
  bool problem_reported = false;
  int32_t id = 0;
  int32_t value = 0;
  std::optional<int32_t> depends_on;
  bool conditions_selected = false;
  std::vector<TXmlNode> conditions;
  std::string selection_error;
};

TSimpleAward ReadSimpleAward(TXmlNode node) {
  TSimpleAward award;
  award.text = ReadAwardItem(node);
  const TAwardItemText& text = award.text;
  std::optional<int32_t> id = text.Id ? ParseAwardInteger(*text.Id) : std::nullopt;
  std::optional<int32_t> value = text.Value ? ParseAwardInteger(*text.Value) : std::nullopt;
  if (!text.Id || !text.Name || !text.Value) {
    award.problem = "id, name and value are required";
  } else if (!id || !value) {
    award.problem = "id and value must be integers";
  } else if (HasDependency(text)) {
    award.depends_on = ParseAwardInteger(*text.DependsOn);
    if (!award.depends_on) award.problem = "dependson must be an integer";
  }
  award.id = id.value_or(0);
  award.value = value.value_or(0);
  return award;
}

// Everything one call works on.
struct TEvaluation {
  TEvaluation(TdmMySQL& session, const TSettings& settings, const TXmlDocument& awards)
      : session(session), settings(settings), awards(awards) {}

  TdmMySQL& session;
  const TQuery* sortie = nullptr;  // the row the walk stands on
  const TSettings& settings;
  const TXmlDocument& awards;
  int32_t rank = 0;
  std::string section;
  int32_t mask = 0;
  TPilotTotals totals;
  int32_t combat_count = 0;
  TAirKills air;
  TGroundKills ground;
  std::string description;
};

// Runs the simple item steps for the sortie SQLQueryCheckPilot stands on.
void TestSimpleAward(TEvaluation& eval, TSimpleAward& award) {
  if (!award.problem.empty()) {
    // A broken definition costs one line per pilot, not the whole pass.
    if (!award.problem_reported) {
      award.problem_reported = true;
      WriteLog(0, "Invalid simple award item skipped:",
               fmt::format("{} (section {}, id={}, name={}, value={}, dependson={})",
                           award.problem, eval.section, Quoted(award.text.Id),
                           Quoted(award.text.Name), Quoted(award.text.Value),
                           Quoted(award.text.DependsOn)));
    }
    return;
  }
  const std::string& name = *award.text.Name;
  WriteLog(10, "Проверка simple награды", name);

  const auto& ranks = award.text.Ranks;
  if (ranks && !ranks->empty() && !RankListed(*ranks, eval.rank)) {
    WriteLog(7, kRankNotAdmitted, std::to_string(eval.rank));
    return;
  }
  if (award.depends_on && !DependencyHeld(award.value, *award.depends_on, eval.mask)) return;

  if (!award.conditions_selected) {
    award.conditions_selected = true;
    try {
      award.conditions = eval.awards.SelectAll(SimpleConditionsPath(eval.section, award.id));
    } catch (const std::exception& e) {
      award.selection_error = e.what();
    }
  }
  if (!award.selection_error.empty()) {
    WriteLog(0, "Error #1", award.selection_error);
    return;
  }

  const TQuery& sortie = *eval.sortie;
  for (TXmlNode condition : award.conditions) {
    try {
      if (SimpleConditionMet(eval.session, condition, sortie, eval.settings, eval.totals)) {
        WriteLog(10, "Заслужена simple награда!!! " + name, eval.description);
        eval.mask |= award.value;
        break;
      }
    } catch (const std::exception& e) {
      WriteLog(0, "Ошибка внутри цикла по условиям награды", e.what());
    }
  }
}

// Runs the complex item steps once, after the walk.
void TestComplexAward(TEvaluation& eval, TXmlNode item) {
  TAwardItemText text = ReadAwardItem(item);
  std::string name = text.Name.value_or("");
  WriteLog(10, "Проверка comlex награды", name);
  if (!text.Id) return;
  int32_t id = RequireInteger(*text.Id, "id");
  if (!text.Value) return;
  int32_t value = RequireInteger(*text.Value, "value");

  const auto& ranks = text.Ranks;
  if (ranks && !ranks->empty() && *ranks != "0" && !RankListed(*ranks, eval.rank)) {
    WriteLog(4, kRankNotAdmitted, std::to_string(eval.rank));
    return;
  }
  if (HasDependency(text) &&
      !DependencyHeld(value, RequireInteger(*text.DependsOn, "dependson"), eval.mask)) {
    return;
  }

  const TLifeFigures life{eval.totals, eval.combat_count, eval.air, eval.ground};
  for (TXmlNode condition : eval.awards.SelectAll(ComplexConditionsPath(eval.section, id))) {
    if (ComplexConditionMet(eval.session, condition, eval.settings, life)) {
      WriteLog(7, "Заслужена \"complex\" награда!!! " + name, eval.description);
      eval.mask |= value;
      break;
    }
  }
}

// Adds one walked sortie, whatever its end status, to the career totals that
// the kills-per-sortie criteria read. The sums wrap at 32 bits rather than
// overflow: the totals of earlier sorties are the server's wide sums narrowed
// the same way, so walked and summed sorties keep agreeing.
void AddToPilotTotals(const TQuery& row, TPilotTotals& totals) {
  auto column = [&row](const char* name) {
    return static_cast<uint32_t>(row.FieldByName(name).AsInteger());
  };
  auto add = [](int32_t total, uint32_t amount) {
    return static_cast<int32_t>(static_cast<uint32_t>(total) + amount);
  };
  totals.SortiesCount += 1;
  totals.Air = add(totals.Air, column("eAir"));
  totals.Grounds = add(totals.Grounds, column("eSAir") + column("eTank") + column("eCar") +
                                           column("eArt") + column("eAaa") + column("eWag") +
                                           column("eShip"));
}


}  // namespace

TAwardResult EvaluateAwards(TdmMySQL& session, TPilotSorties& pilot_sorties, const TPilotState& pilot,
                            const TSettings& settings, const TXmlDocument& awards) {
  WriteLog(10, "--- Расчет наград ---");
  TEvaluation eval{session, settings, awards};
  eval.rank = pilot.Rank;
  eval.mask = pilot.StoredAwards;
  eval.section = ArmySection(pilot.Army);

  TAwardResult result;
  result.WriteIfChanged = WriteIfChangedRule(awards);

  std::vector<TSimpleAward> simple;
  for (TXmlNode item : awards.SelectAll(SimpleItemsPath(eval.section))) {
    simple.push_back(ReadSimpleAward(item));
  }

  pilot_sorties.TotalsBefore(pilot.StartSortie, eval.totals);

  TQuery& sorties = pilot_sorties.From(pilot.StartSortie);
  eval.sortie = &sorties;
  for (; !sorties.Eof(); sorties.Next()) {
    AddToPilotTotals(sorties, eval.totals);
    std::string end = TrimText(sorties.FieldByName("SortieEND").AsString());
    eval.description = "SortieID = " + std::to_string(sorties.FieldByName("id").AsInteger()) +
                       " SortieEND = " + end + " ";
    if (!InEndList(end, settings.SortieEndSuccess)) continue;

    for (TSimpleAward& award : simple) TestSimpleAward(eval, award);

    if (IsCombatRow(settings, sorties)) ++eval.combat_count;
    GetCurrentGroundKills(sorties, eval.ground);
    GetCurrentAirKills(sorties, eval.air);
  }

  WriteLog(10, "Все вылеты обсчитаны, проверяем \"complex\" награды");
  for (TXmlNode item : awards.SelectAll(ComplexItemsPath(eval.section))) {
    try {
      TestComplexAward(eval, item);
    } catch (const std::exception& e) {
      WriteLog(0, "Ошибка в цикле перебора сложных наград", e.what());
    }
  }

  result.Awards = eval.mask;
  return result;
}

TAwardEvaluator AwardEvaluator() {
  using TWithSorties = TAwardResult (*)(TdmMySQL&, TPilotSorties&, const TPilotState&, const TSettings&,
                                        const TXmlDocument&);
  return static_cast<TWithSorties>(&EvaluateAwards);
}

TAwardResult EvaluateAwards(TdmMySQL& session, const TPilotState& pilot, const TSettings& settings,
                            const TXmlDocument& awards) {
  TPilotSortieStatements statements(session, pilot.PilotId);
  return EvaluateAwards(session, statements, pilot, settings, awards);
}

}  // namespace sky
