// Shared set-up of the award tests: a throwaway statistics database with a
// connected session, a program home whose log is read back, the end-status
// lists of a new settings file, and helpers to add sorties and evaluate.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "awards/award_evaluation.h"
#include "db/session.h"
#include "settings/settings.h"
#include "support/program_home.h"
#include "support/stat_rows.h"
#include "support/test_db.h"
#include "xml/xml_document.h"

namespace sky::test {

class AwardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SKY_REQUIRE_DB();
    db_ = std::make_unique<TestDatabase>();
    ASSERT_TRUE(ConnectDatabase(session_, db_->Entry()));
    settings_.SortieEndSuccess = "_TKON_CRASHED_";
    settings_.SortieEndSkip = "_BAIL_MIA_";
    settings_.SortieEndDead = "_DIED_CAPTURED_";
    settings_.SortieMode = 0;
    settings_.BombersMode = 0;
    home_.SetLogLevel(11);
  }

  void AddSorties(const std::vector<TestSortie>& rows) const { InsertSorties(*db_, rows); }

  // Loads the awards document from UTF-8 text.
  static std::unique_ptr<TXmlDocument> Awards(const std::string& xml) {
    auto doc = std::make_unique<TXmlDocument>();
    EXPECT_TRUE(doc->LoadText(xml)) << xml;
    return doc;
  }

  TAwardResult Evaluate(const TXmlDocument& awards, int start_sortie = 0, int rank = 0,
                        int army = 1, int stored = 0, int pilot = 1) {
    return EvaluateAwards(session_, TPilotState{pilot, start_sortie, rank, army, stored}, settings_, awards);
  }

  int32_t Mask(const std::string& xml, int start_sortie = 0, int rank = 0, int army = 1,
               int stored = 0) {
    auto doc = Awards(xml);
    return Evaluate(*doc, start_sortie, rank, army, stored).Awards;
  }

  // Log lines as "TS\tmessage\tdetail".
  std::vector<std::string> Log() const { return home_.LogLines(); }
  int CountLine(const std::string& line) const {
    auto lines = Log();
    return static_cast<int>(std::count(lines.begin(), lines.end(), line));
  }
  bool HasLine(const std::string& line) const { return CountLine(line) > 0; }

  ProgramHome home_;
  std::unique_ptr<TestDatabase> db_;
  TdmMySQL session_;
  TSettings settings_;
};

// A document with one simple and one complex red section.
inline std::string RedAwards(const std::string& simple_items, const std::string& complex_items = "",
                             const std::string& root_attributes = "") {
  return "<awards" + root_attributes + "><simple><red>" + simple_items +
         "</red></simple><complex><red>" + complex_items + "</red></complex></awards>";
}

}  // namespace sky::test
