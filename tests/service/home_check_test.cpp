// The check before a restart: a home as the program writes it with the sample
// site files is clean; each kind of fault is reported once, at its line;
// databases are examined without being changed; the program prints the
// findings and exits 1 only for problems.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "base/encoding.h"
#include "service/home_check.h"
#include "service/installation.h"
#include "service/service_program.h"
#include "settings/settings.h"
#include "settings/settings_document.h"
#include "support/program_home.h"
#include "support/test_db.h"

namespace sky::test {
namespace {

const std::string kSiteDir = std::string(SKY_SITE_DIR);

// A home as --install leaves it (the defaults and the sample site files),
// with the sample queries registered; `servers` replace the new file's entry.
void WriteCleanHome(const std::string& dir, const TServerList& servers = {}) {
  TSettings settings;
  SetDefaultSettings(settings);
  TXmlDocument doc;
  if (servers.empty()) {
    BuildSettingsDocument(settings, doc);
  } else {
    BuildSettingsDocument(settings, servers, doc);
  }
  std::string text = Cp1251ToUtf8(doc.ToText());
  const std::string queries = Cp1251ToUtf8(ReadFileBytes(kSiteDir + "/queries/queries.xml"));
  const std::size_t list = queries.find("<queries>");
  text.insert(text.rfind("</skyranks>"), queries.substr(list, queries.find("</queries>") + 10 - list) + "\n");
  WriteFileBytes(dir + "/skyranks.xml", Utf8ToCp1251(text));
  InstallSiteFiles(kSiteDir, dir, "skyranks");
}

std::vector<TFinding> OfKind(const TCheckReport& report, TFindingKind kind) {
  std::vector<TFinding> found;
  for (const TFinding& finding : report.Findings()) {
    if (finding.kind == kind) found.push_back(finding);
  }
  return found;
}

std::string Listed(const TCheckReport& report) {
  std::string text;
  for (const TFinding& finding : report.Findings()) text += "\n  " + FindingText(finding);
  return text;
}

TEST(HomeCheck, AHomeAsInstalledHasOnlyTheNewFilePasswordsToWarnOf) {
  ProgramHome home;
  WriteCleanHome(home.Dir());
  const TCheckReport report = CheckHome(home.SettingsFile(), false);
  EXPECT_FALSE(report.HasProblems()) << Listed(report);
  const std::vector<TFinding> warnings = OfKind(report, TFindingKind::kWarning);
  ASSERT_EQ(warnings.size(), 2u) << Listed(report);
  EXPECT_EQ(warnings[0].message, "database 1: the password is the one every new file gets: change it");
  EXPECT_EQ(warnings[1].message, "the admin password is the one every new file gets: change it");
  EXPECT_TRUE(home.LogLines().empty()) << "the check writes no log line";

  std::filesystem::remove(home.SettingsFile());
  const TCheckReport without = CheckHome(home.SettingsFile(), false);
  EXPECT_FALSE(without.HasProblems()) << "the service writes a missing file" << Listed(without);
  EXPECT_FALSE(std::filesystem::exists(home.SettingsFile())) << "the check writes nothing";
}

// One fault: `from` replaced by `to` in `file` (UTF-8 text); the problem is
// reported at the line that holds `marker` in the edited file.
struct BrokenCase {
  const char* what;
  const char* file;
  const char* from;
  const char* to;
  const char* marker;
  const char* message;
};

const BrokenCase kBroken[] = {
    {"settings not well-formed", "skyranks.xml", "<admin port=\"21009\">", "<admin port=\"21009\">&bogus;",
     "&bogus;", "not well-formed XML: Entity 'bogus' not defined"},
    {"unknown element", "skyranks.xml", "<schedule interval=\"15\" sleep=\"0\"/>",
     "<schedule interval=\"15\" sleep=\"0\"/>\n  <Schedule/>", "<Schedule/>", "unknown element <Schedule> in <skyranks>"},
    {"unknown attribute", "skyranks.xml", "sleep=\"0\"", "sleep=\"0\" intervall=\"5\"", "intervall",
     "unknown attribute intervall of <schedule>"},
    {"unknown admin attribute", "skyranks.xml", "<admin port=\"21009\">",
     "<admin port=\"21009\" hosts=\"a.example\" origins=\"https://b.example\" host=\"x\">", "host=\"x\"",
     "unknown attribute host of <admin>"},
    {"unknown log attribute", "skyranks.xml", "<log level=\"3\"/>", "<log level=\"3\" web=\"0\" webb=\"1\"/>",
     "webb", "unknown attribute webb of <log>"},
    {"a number that does not read", "skyranks.xml", "interval=\"15\"", "interval=\"1O\"", "1O",
     "interval of <schedule> is not a number: \"1O\" reads as 10"},
    {"ranks out of order", "skyranks.xml", "value=\"3\" sorties_limit", "value=\"2\" sorties_limit",
     "value=\"2\" sorties_limit=\"10\"",
     "rank value 2 is not above the value before it (2): the scale must increase"},
    {"a query file missing", "skyranks.xml", "queries/top.sql", "queries/gone.sql", "gone.sql",
     "query 1: the file queries/gone.sql is missing"},
    {"the awards file missing", "skyranks.xml", "filename=\"awards.xml\"", "filename=\"prizes.xml\"", "prizes",
     "the awards file prizes.xml is missing: every pass would stop before its first pilot"},
    {"awards not well-formed", "awards.xml", "<condition wounded=\"1\"/>", "<condition wounded=\"1\"/>&nbsp;",
     "&nbsp;", "not well-formed XML: Entity 'nbsp' not defined"},
    {"unknown awards element", "awards.xml", "<simple>", "<simple><green/>", "<green/>",
     "unknown element <green> in <simple>"},
    {"unknown criterion", "awards.xml", "<condition wounded=\"1\"/>", "<condition wounded=\"1\" Foo=\"1\"/>", "Foo",
     "unknown attribute Foo of <condition>"},
    {"an item without value", "awards.xml", "ранение\" value=\"4\">", "ранение\">", "ранение\">",
     "the item lacks value: it is never awarded"},
    {"a duplicate id", "awards.xml", "<item id=\"2\" name=\"Медаль", "<item id=\"1\" name=\"Медаль",
     "<item id=\"1\" name=\"Медаль «За боевые", "id 1 is also the id of line 32 in simple/red"},
    {"dependson of no item", "awards.xml", "dependson=\"9\"", "dependson=\"536870912\"", "536870912",
     "dependson 536870912 names bits no item of red awards: 536870912"},
    {"a value of two bits", "awards.xml", "value=\"16\" ranks=\"3", "value=\"24\" ranks=\"3", "\"24\"",
     "value 24 is not a single bit (1, 2, 4, ... 1073741824)"},
    {"bit 31", "awards.xml", "value=\"512\"", "value=\"-2147483648\"", "-2147483648",
     "value -2147483648 is bit 31, the sign of the awards column"},
    {"a criterion that is not a number", "awards.xml", "<condition shipkill=\"1\"/>",
     "<condition shipkill=\"one\"/>", "\"one\"", "shipkill \"one\" of <condition> is not a number"},
#define SKY_WEBHOOK(attributes) "<schedule interval=\"15\" sleep=\"0\"/>\n  <notify><webhook " attributes "/></notify>"
    {"a webhook's format", "skyranks.xml", "<schedule interval=\"15\" sleep=\"0\"/>",
     SKY_WEBHOOK("url=\"https://hooks.example/t/secret\" format=\"xml\""), "<webhook",
     "webhook: format \"xml\" is not json or discord"},
    {"a webhook's address", "skyranks.xml", "<schedule interval=\"15\" sleep=\"0\"/>",
     SKY_WEBHOOK("url=\"ftp://hooks.example/t/secret\""), "<webhook",
     "webhook: url is not an http:// or https:// address with a host"},
    {"a webhook's events", "skyranks.xml", "<schedule interval=\"15\" sleep=\"0\"/>",
     SKY_WEBHOOK("url=\"https://hooks.example/t/secret\" events=\"rank,medal\""), "<webhook",
     "webhook: events: \"medal\" is not rank or award"},
    {"a webhook's language", "skyranks.xml", "<schedule interval=\"15\" sleep=\"0\"/>",
     SKY_WEBHOOK("url=\"https://hooks.example/t/secret\" lang=\"de\" srvid=\"2\""), "<webhook",
     "webhook: lang \"de\" is not ru or en"},
#undef SKY_WEBHOOK
};

long LineOf(const std::string& text, const std::string& marker) {
  const std::size_t at = text.find(marker);
  return at == std::string::npos ? -1 : 1 + static_cast<long>(std::count(text.begin(), text.begin() + at, '\n'));
}

TEST(HomeCheck, EachFaultIsOneProblemAtItsLine) {
  for (const BrokenCase& c : kBroken) {
    SCOPED_TRACE(c.what);
    ProgramHome home;
    WriteCleanHome(home.Dir());
    const std::string path = home.File(c.file);
    std::string text = Cp1251ToUtf8(ReadFileBytes(path));
    const std::size_t at = text.find(c.from);
    ASSERT_NE(at, std::string::npos);
    text.replace(at, std::string(c.from).size(), c.to);
    WriteFileBytes(path, Utf8ToCp1251(text));

    const TCheckReport report = CheckHome(home.SettingsFile(), false);
    const std::vector<TFinding> problems = OfKind(report, TFindingKind::kProblem);
    ASSERT_EQ(problems.size(), 1u) << Listed(report);
    EXPECT_EQ(problems[0].file, path);
    EXPECT_EQ(problems[0].line, LineOf(text, c.marker));
    EXPECT_EQ(problems[0].message.substr(0, std::string(c.message).size()), c.message) << problems[0].message;
    EXPECT_EQ(problems[0].message.find("secret"), std::string::npos);
    EXPECT_TRUE(home.LogLines().empty());
  }
}

TEST(HomeCheck, TheProgramPrintsTheFindingsAndFailsOnlyForProblems) {
  TempDir home;
  WriteCleanHome(home.Path());
  Program clean(home.Path(), {"--check", "--home", home.Path()});
  EXPECT_EQ(clean.Wait(), 0) << clean.Stdout() << clean.Stderr();
  EXPECT_EQ(clean.Stdout().substr(clean.Stdout().rfind('\n', clean.Stdout().size() - 2) + 1),
            "0 problems, 2 warnings\n");

  const std::string settings = home.File("skyranks.xml");
  std::string text = ReadFileBytes(settings);
  text.replace(text.find("<schedule"), 9, "<Schedule");
  WriteFileBytes(settings, text);
  Program broken(home.Path(), {"--home", home.Path(), "--check"});
  EXPECT_EQ(broken.Wait(), 1);
  EXPECT_NE(broken.Stdout().find(settings + ":" + std::to_string(LineOf(text, "<Schedule")) +
                                 ": unknown element <Schedule> in <skyranks>\n"),
            std::string::npos)
      << broken.Stdout();
  EXPECT_NE(broken.Stdout().find(settings + ":6: warning: database 1: the password is"), std::string::npos);
  EXPECT_NE(broken.Stdout().find("\n1 problem, 2 warnings\n"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(home.File("skyranks.log")));

  Program misused(home.Path(), {"--db", "--home", home.Path()});
  EXPECT_EQ(misused.Wait(), 2);
  EXPECT_NE(misused.Stderr().find("--db goes only with --check"), std::string::npos);
}

// A database as a case prepares it, and what the check says of it.
struct DatabaseCase {
  const char* what;
  const char* statement;  // run on the fresh database (with the result columns and the index)
  bool result_columns = true;
  bool restricted_account = false;  // an account without ALTER
  const char* password = nullptr;
  TFindingKind kind = TFindingKind::kNote;
  const char* message = nullptr;  // after the label "database 1 (host:port/name): "
};

const DatabaseCase kDatabases[] = {
    {"ready", nullptr, true, false, nullptr, TFindingKind::kNote, "reached"},
    {"a column missing", "alter table sorties drop column wound", true, false, nullptr, TFindingKind::kProblem,
     "the table sorties lacks columns the pass reads: wound"},
    {"a table missing", "drop table pilots", true, false, nullptr, TFindingKind::kProblem,
     "the table pilots is missing"},
    {"the index missing", "drop index sorties_pilot_sortie on sorties", true, false, nullptr, TFindingKind::kWarning,
     "no index of sorties starts with pilotid"},
    {"a wrong password", nullptr, true, false, "wrong", TFindingKind::kProblem, "not reached: Access denied"},
    {"result columns to add", nullptr, false, false, nullptr, TFindingKind::kNote,
     "pilots lacks realrank, lastsortie, awards: the first pass adds them"},
    {"result columns that cannot be added", nullptr, false, true, nullptr, TFindingKind::kProblem,
     "pilots lacks realrank, lastsortie, awards and the account may not add them"},
};

TEST(HomeCheck, DatabasesAreExaminedAndLeftAsTheyWere) {
  SKY_REQUIRE_DB();
  for (const DatabaseCase& c : kDatabases) {
    SCOPED_TRACE(c.what);
    ProgramHome home;
    TestDatabase db;
    if (c.result_columns) db.AddRankColumns();
    if (c.statement != nullptr) db.Exec(c.statement);
    TServerEntry entry = c.password != nullptr ? db.EntryWithPassword(c.password) : db.Entry();
    const std::string account = "skycheck_" + db.Name().substr(db.Name().size() - 6);
    if (c.restricted_account) {
      db.Exec("create user '" + account + "'@'%' identified by 'pw'; grant select, update on " + db.Name() +
              ".* to '" + account + "'@'%'");
      entry.User = account;
      entry.Pass = "pw";
    }
    WriteCleanHome(home.Dir(), {entry});
    const TCheckReport report = CheckHome(home.SettingsFile(), true);
    if (c.restricted_account) db.Exec("drop user '" + account + "'@'%'");

    std::vector<TFinding> about;
    for (const TFinding& finding : report.Findings()) {
      if (finding.message.rfind("database 1 (", 0) == 0 && finding.line == 6) about.push_back(finding);
    }
    const std::string label = "database 1 (" + entry.Host + ":" + std::to_string(entry.Port) + "/" + db.Name() + "): ";
    const auto said = std::find_if(about.begin(), about.end(), [&](const TFinding& f) {
      return f.kind == c.kind && f.message.rfind(label + c.message, 0) == 0;
    });
    EXPECT_NE(said, about.end()) << Listed(report);
    const long problems = std::count_if(about.begin(), about.end(),
                                        [](const TFinding& f) { return f.kind == TFindingKind::kProblem; });
    EXPECT_EQ(problems, c.kind == TFindingKind::kProblem ? 1 : 0) << Listed(report);
    EXPECT_EQ(report.HasProblems(), c.kind == TFindingKind::kProblem);
    if (!c.result_columns) {
      EXPECT_EQ(db.Value("select count(*) from information_schema.columns where table_schema = database() and "
                         "table_name = 'pilots' and column_name = 'realrank'"),
                "0")
          << "the check adds nothing";
    }
    EXPECT_TRUE(home.LogLines().empty());
  }
}

}  // namespace
}  // namespace sky::test
