#include "web/pilot_page.h"

#include <cmath>

#include <fmt/format.h>

#include "awards/awards_file.h"
#include "engine/kill_arithmetic.h"
#include "http/file_name.h"

namespace sky {

namespace {

// HSL (hue in degrees, saturation and lightness 0..1) as "#rrggbb".
std::string HslColour(double hue, double saturation, double lightness) {
  const double chroma = (1 - std::fabs(2 * lightness - 1)) * saturation;
  const double sector = std::fmod(hue / 60.0, 6.0);
  const double x = chroma * (1 - std::fabs(std::fmod(sector, 2.0) - 1));
  double r = 0, g = 0, b = 0;
  switch (static_cast<int>(sector)) {
    case 0: r = chroma, g = x; break;
    case 1: r = x, g = chroma; break;
    case 2: g = chroma, b = x; break;
    case 3: g = x, b = chroma; break;
    case 4: r = x, b = chroma; break;
    default: r = chroma, b = x; break;
  }
  const double m = lightness - chroma / 2;
  auto byte = [m](double v) { return static_cast<int>(std::lround((v + m) * 255)); };
  return fmt::format("#{:02x}{:02x}{:02x}", byte(r), byte(g), byte(b));
}

// The item of the army's sections whose value is `value`, simple first.
TXmlNode AwardItem(const TXmlDocument& awards, const std::string& section, uint32_t value) {
  for (const TAwardKind kind : {TAwardKind::kSimple, TAwardKind::kComplex}) {
    const std::string path = fmt::format("/{}/{}/{}/{}", kAwardsElement, KindSection(kind), section, kItemElement);
    for (TXmlNode item : awards.SelectAll(path)) {
      const std::optional<int32_t> item_value = ParseAwardInteger(item.Attribute("value").value_or(""));
      if (item_value && static_cast<uint32_t>(*item_value) == value) return item;
    }
  }
  return TXmlNode();
}

}  // namespace

std::vector<TRibbon> DecodeAwards(const TXmlDocument& awards, int32_t army, int32_t mask,
                                  const std::string& folder) {
  std::vector<TRibbon> ribbons;
  // Only the armies the file has sections for; ArmySection logs any other.
  const std::string section = army == 2 ? "blue" : "red";
  for (int32_t bit = 0; bit < 32; ++bit) {
    const uint32_t value = 1u << bit;
    if ((static_cast<uint32_t>(mask) & value) == 0) continue;
    TRibbon ribbon;
    ribbon.Bit = bit;
    ribbon.Value = value;
    if (awards.Root()) ribbon.Name = AwardItem(awards, section, value).Attribute("name").value_or("");
    const std::string picture = fmt::format("img/ribbons/{}-{}.svg", section, value);
    if (IsRegularFile(folder + "/" + picture)) ribbon.Picture = picture;
    // Neighbouring bits get hues far apart (the golden angle).
    const double hue = std::fmod(bit * 137.508, 360.0);
    ribbon.Colours[0] = HslColour(hue, 0.55, 0.38);
    ribbon.Colours[1] = HslColour(std::fmod(hue + 180.0, 360.0), 0.5, 0.72);
    ribbons.push_back(std::move(ribbon));
  }
  return ribbons;
}

TRankProgress NextRankProgress(const std::vector<TRankDef>& ranks, const TPilotResult& pilot) {
  TRankProgress progress;
  if (ranks.empty()) return progress;
  progress.State = TNextRank::kTop;
  for (const TRankDef& rank : ranks) {
    if (rank.Value <= pilot.Rank) continue;
    progress.State = TNextRank::kNext;
    progress.Next = rank;
    progress.Needs = {
        {"sorties", pilot.LifeCombatSorties, rank.SortiesLimit},
        {"kills", TruncToInt64(pilot.LifeAirKills + pilot.LifeGroundKills), rank.AirKills},
        {"ground", TruncToInt64(pilot.LifeGroundKills), rank.GndKills},
    };
    break;
  }
  return progress;
}

std::vector<TLifeFigures> LifeFiguresOf(TXmlNode history) {
  std::vector<TLifeFigures> lives;
  for (TXmlNode life : history.ChildElements()) {
    if (life.Name() != "strik") continue;
    TLifeFigures figures;
    figures.Number = static_cast<int64_t>(lives.size()) + 1;
    for (TXmlNode sortie : life.ChildElements()) {
      if (sortie.Name() != "sortie") continue;
      ++figures.Sorties;
      figures.CombatSorties += sortie.Attribute("iscombat") == "1";
      // Ranks only rise, so the life's last new rank is the best it reached.
      for (TXmlNode raised : sortie.ChildElements()) {
        if (raised.Name() == "newrank") figures.Rank = raised.Attribute("rankname").value_or("");
      }
    }
    figures.Kills = std::atoll(life.Attribute("kills").value_or("0").c_str());
    figures.Ended = life.Attribute("broken") == "1";
    figures.Start = life.Attribute("start").value_or("");
    figures.End = life.Attribute("end").value_or("");
    lives.push_back(std::move(figures));
  }
  return lives;
}

}  // namespace sky
