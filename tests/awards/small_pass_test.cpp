// One complete rank pass with award evaluation over a small database, its
// log compared byte for byte with tests/awards/data/small_pass.log.
//
// The expected file is kept in UTF-8 with LF line ends so that it reads and
// diffs well; the test turns it into what the log file holds (Windows-1251,
// CR LF) and compares that with the raw log bytes. Time stamps are masked as
// "TS"; "{host}" stands for the database host. To see the difference after a
// deliberate change, the actual log (decoded, masked) is written beside the
// build as small_pass.actual.log.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "awards/award_evaluation.h"
#include "base/encoding.h"
#include "engine/rank_pass.h"
#include "settings/settings.h"
#include "support/new_file_rules.h"
#include "support/program_home.h"
#include "support/temp_dir.h"
#include "support/test_db.h"
#include "support/text_shape.h"

namespace sky::test {
namespace {

const char kAwardsFile[] =
    "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n"
    "<awards preserve_on_death=\"1\">\n"
    " <simple>\n"
    "  <red>\n"
    "   <item id=\"1\" name=\"Ас\" value=\"1\">\n"
    "    <condition airkill=\"3\"/>\n"
    "    <condition airkill=\"2\" landing=\"1\"/>\n"
    "   </item>\n"
    "   <item id=\"2\" name=\"Штурмовик\" value=\"2\" ranks=\"1,2\" dependson=\"1\">\n"
    "    <condition gkill=\"1\"/>\n"
    "   </item>\n"
    "  </red>\n"
    "  <blue>\n"
    "   <item id=\"1\" name=\"Орёл\" value=\"1\">\n"
    "    <condition airkill=\"1\" ks=\"1\"/>\n"
    "   </item>\n"
    "  </blue>\n"
    " </simple>\n"
    " <complex>\n"
    "  <red>\n"
    "   <item id=\"10\" name=\"Ветеран\" value=\"1024\" dependson=\"1\">\n"
    "    <condition combat=\"1\" airkill=\"2\"/>\n"
    "   </item>\n"
    "  </red>\n"
    " </complex>\n"
    "</awards>\n";

TSettings SmallPassSettings() {
  TSettings settings = NewFileRules();
  settings.AwardsFile = "awards.xml";
  settings.LogLevel = 11;
  return settings;
}

void FillSmallDatabase(const TestDatabase& db) {
  db.AddRankColumns();
  db.Exec(
      "insert into pilots (id, callsign, class, ArmyID, realrank, lastsortie, awards) values "
      "(1, 'Сокол', 'Human pilot', 1, 0, 0, 0),"
      "(2, 'Ястреб', 'Human pilot', 2, 0, 0, 0),"
      "(3, 'Bot', 'AI', 1, 0, 0, 0),"
      "(4, 'Чужой', 'Human pilot', 3, 0, 0, 0)");
  // Pilot 1 flies the life-and-death example: rank 1 at sortie 104, death at
  // 105, a new life from 106. Pilot 2 earns the blue award twice over.
  db.Exec(
      "insert into sorties (id, pilotid, armyid, starttime, endtime, eAir, eCar, SortieEND) values "
      "(101, 1, 1, '2026-03-01 10:00:00', '2026-03-01 10:40:00', 1, 0, 'TKON'),"
      "(102, 1, 1, '2026-03-02 10:00:00', '2026-03-02 10:40:00', 1, 0, 'TKON'),"
      "(103, 1, 1, '2026-03-03 10:00:00', '2026-03-03 10:40:00', 0, 0, 'TKON'),"
      "(104, 1, 1, '2026-03-04 10:00:00', '2026-03-04 10:41:07', 1, 0, 'TKON'),"
      "(105, 1, 1, '2026-03-05 10:00:00', '2026-03-05 10:40:00', 0, 0, 'DIED'),"
      "(106, 1, 1, '2026-03-06 10:00:00', '2026-03-06 10:40:00', 2, 1, 'TKON'),"
      "(201, 2, 2, '2026-03-01 11:00:00', '2026-03-01 11:40:00', 1, 0, 'TKON'),"
      "(202, 2, 2, '2026-03-02 11:00:00', '2026-03-02 11:40:00', 0, 0, 'BAIL'),"
      "(203, 2, 2, '2026-03-03 11:00:00', '2026-03-03 11:40:00', 1, 0, 'CRASHED'),"
      "(301, 3, 1, '2026-03-01 12:00:00', '2026-03-01 12:40:00', 5, 0, 'TKON'),"
      "(401, 4, 3, '2026-03-01 13:00:00', '2026-03-01 13:40:00', 5, 0, 'TKON')");
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

std::string ExpectedLogBytes(const std::string& host) {
  std::filesystem::path file =
      std::filesystem::path(SKY_TEST_DATA_DIR) / "data" / "small_pass.log";
  std::string expected = ReadFileBytes(file.string());
  expected = ReplaceAll(expected, "{host}", host);
  return Utf8ToCp1251(ReplaceAll(expected, "\n", "\r\n"));
}

TEST(SmallPass, LogMatchesTheExpectedFileByteForByte) {
  SKY_REQUIRE_DB();
  TestDatabase db;
  FillSmallDatabase(db);
  ProgramHome home;
  WriteFileBytes(home.File("awards.xml"), Utf8ToCp1251(kAwardsFile));
  TSettings settings = SmallPassSettings();
  TServerEntry entry = db.Entry();
  home.SetLogLevel(settings.LogLevel);
  home.ClearLog();
  // Relative names resolve against the program directory, which the service
  // makes its working directory.
  std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(home.Dir());
  bool enumerated = CalculateDatabase(settings, entry, AwardEvaluator()).Enumerated;
  std::filesystem::current_path(previous);
  ASSERT_TRUE(enumerated);

  std::string actual = ReadFileBytes(home.LogFile());
  actual = MaskLineStamps(actual);
  std::string expected = ExpectedLogBytes(entry.Host);
  if (actual != expected) {
    std::string readable = ReplaceAll(Cp1251ToUtf8(actual), "\r\n", "\n");
    WriteFileBytes("small_pass.actual.log", ReplaceAll(readable, entry.Host, "{host}"));
  }
  EXPECT_EQ(actual, expected) << "see small_pass.actual.log in the test's working directory";

  EXPECT_EQ(db.Column("select concat(id, ':', realrank, ':', lastsortie, ':', awards) "
                      "from pilots order by id"),
            (std::vector<std::string>{"1:1:105:1027", "2:0:0:1", "3:0:0:0", "4:0:0:0"}));
}

}  // namespace
}  // namespace sky::test
