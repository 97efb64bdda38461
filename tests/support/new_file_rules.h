// The rules of a newly written settings file (end lists, sortie rule, ground
// ratios, bomber ratio) with a short rank scale, as the pass tests start from.
#pragma once

#include "settings/settings.h"

namespace sky::test {

inline TSettings NewFileRules() {
  TSettings settings;
  settings.SortieEndSuccess = "_TKON_CRASHED_";
  settings.SortieEndSkip = "_BAIL_MIA_";
  settings.SortieEndDead = "_DIED_CAPTURED_";
  settings.SortieMode = 0;
  settings.SortieDuration = 15;
  settings.BombersMode = 0;
  settings.AirBomberRatio = 1.5;
  settings.GroundRatio = {0.5, 1.0, 0.2, 0.25, 0.5, 0.1, 2.0};
  settings.Ranks = {{1, "мл. л-т", 3, 2, 0}, {2, "лейтенант", 5, 3, 0}};
  settings.LogLevel = 3;
  return settings;
}

}  // namespace sky::test
