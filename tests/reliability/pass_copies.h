// Copies of a generated statistics database for tests that run passes side
// by side and compare where they leave the pilots table: the copying, the
// columns compared, and the rules the passes run with (the full rank scale
// and the shipped awards file, whose items use the kills-per-sortie
// criteria).
#pragma once

#include <string>
#include <vector>

#include "settings/settings.h"
#include "support/new_file_rules.h"
#include "support/test_db.h"

namespace sky::test {

// Copies the generated tables, with the sorties up to `last_id`.
inline void CopyTables(const TestDatabase& from, const TestDatabase& to, int last_id) {
  for (const std::string table : {"pilots", "sorties"}) {
    to.Exec("create table " + to.Name() + "." + table + " like " + from.Name() + "." + table);
  }
  to.Exec("insert into " + to.Name() + ".pilots select * from " + from.Name() + ".pilots");
  to.Exec("insert into " + to.Name() + ".sorties select * from " + from.Name() + ".sorties where id <= " +
          std::to_string(last_id));
}

// Every column the pass writes, of every pilot.
inline std::vector<std::string> PassColumns(const TestDatabase& db) {
  return db.Column(
      "select concat_ws(':', id, ifnull(realrank, 'NULL'), ifnull(lastsortie, 'NULL'), ifnull(awards, 'NULL'))"
      " from pilots order by id");
}

// The rules of a new settings file with combat by duration, the full rank
// scale and the shipped awards file, into `settings`.
inline void SetPassRules(TSettings& settings) {
  const TSettings rules = NewFileRules();
  settings.SortieEndSuccess = rules.SortieEndSuccess;
  settings.SortieEndSkip = rules.SortieEndSkip;
  settings.SortieEndDead = rules.SortieEndDead;
  settings.SortieMode = 2;
  settings.SortieDuration = rules.SortieDuration;
  settings.BombersMode = rules.BombersMode;
  settings.AirBomberRatio = rules.AirBomberRatio;
  settings.GroundRatio = rules.GroundRatio;
  settings.Ranks = {{1, "мл. л-т", 3, 2, 0},  {2, "лейтенант", 5, 3, 0},      {3, "ст. лейтенант", 10, 5, 0},
                    {4, "капитан", 15, 10, 0}, {5, "майор", 20, 15, 0},         {6, "подполковник", 25, 20, 0},
                    {7, "полковник", 30, 25, 0}, {8, "генерал", 35, 30, 0}};
  settings.AwardsFile = std::string(SKY_SITE_DIR) + "/awards.xml";
}

}  // namespace sky::test
