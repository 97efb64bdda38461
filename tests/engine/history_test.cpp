// The pilot history document and the statistics of the current life.
#include <libxml/tree.h>

#include <sstream>

#include "engine/history.h"
#include "engine/rank_pass.h"
#include "engine/sortie_walk.h"
#include "engine_fixture.h"

namespace sky::test {
namespace {

// The element and everything below it as compact XML: attributes in the
// order they were set, no white space, so documents compare element by element.
std::string Describe(TXmlNode node) {
  std::string text = "<" + node.Name();
  for (const auto& [name, value] : node.Attributes()) text += " " + name + "=\"" + value + "\"";
  std::string children;
  for (xmlNode* child = node.raw()->children; child != nullptr; child = child->next) {
    if (child->type == XML_ELEMENT_NODE) children += Describe(TXmlNode(child));
  }
  if (children.empty()) return text + "/>";
  return text + ">" + children + "</" + node.Name() + ">";
}

// Sortie `id` of the fixtures below starts at (10 + id):00 and lasts 30 minutes.
std::string Start(int id) { return fmt::format("01.03.2026 {:02}:00:00", 10 + id); }
std::string End(int id) { return fmt::format("01.03.2026 {:02}:30:00", 10 + id); }

std::string Sortie(int id, const std::string& end, bool combat, const std::string& inner = "",
                   bool dead = false) {
  std::string text = fmt::format(
      "<sortie id=\"{}\" sortieend=\"{}\" starttime=\"{}\" endtime=\"{}\" duration_ok=\"1\" "
      "iscombat=\"{}\"{}",
      id, end, Start(id), End(id), combat ? 1 : 0, dead ? " isdead=\"1\"" : "");
  return inner.empty() ? text + "/>" : text + ">" + inner + "</sortie>";
}
std::string Details(int air, int ground, int effective) {
  return fmt::format("<details AirKills=\"{}\" GroundKills=\"{}\" EffectiveKills=\"{}\"/>", air,
                     ground, effective);
}
std::string NewRank(int rank, const std::string& name, int sortie) {
  return fmt::format("<newrank id=\"{}\" rankname=\"{}\" date=\"{}\"/>", rank, name, End(sortie));
}

class History : public EngineDbTest {
 protected:
  void Fly(int pilot, std::vector<TestSortie> rows) const {
    for (TestSortie& row : rows) {
      row.pilot = pilot;
      row.start_minute = row.id * 60;
    }
    AddSorties(rows);
  }

  std::string Build(int pilot, const TServerEntry& entry) {
    TXmlDocument doc;
    TXmlNode history = doc.CreateRoot("history");
    BuildPilotHistory(pilot, settings_, history, entry);
    return Describe(history);
  }
  std::string Build(int pilot) { return Build(pilot, db_->Entry()); }
};

TEST_F(History, APilotWhoNeverDiedHasOneOpenLife) {
  AddPilot(1, "Сокол");
  Fly(1, {{.id = 1, .eAir = 1}, {.id = 2, .eAir = 1, .eCar = 5}, {.id = 3, .eAir = 1, .eBom = 1}});
  EXPECT_EQ(Build(1),
            "<history callsign=\"Сокол\">"
            "<strik id=\"1\" start=\"" + Start(1) + "\" combatcount=\"3\" kills=\"4\" currentrank=\"мл. л-т\">" +
                Sortie(1, "TKON", true, Details(1, 0, 1)) +
                Sortie(2, "TKON", true, Details(1, 1, 2)) +
                Sortie(3, "TKON", true, Details(1, 0, 1) + NewRank(1, "мл. л-т", 3)) +
            "</strik></history>");
}

TEST_F(History, ADeathEndsTheLifeAndTheNextOneStartsWithIt) {
  AddPilot(1, "a");
  Fly(1, {{.id = 5, .eAir = 1}, {.id = 6}, {.id = 7, .end = "DIED", .eAir = 1}, {.id = 8, .eAir = 2}});
  EXPECT_EQ(Build(1),
            "<history callsign=\"a\">"
            "<strik id=\"1\" start=\"" + Start(5) + "\" combatcount=\"1\" kills=\"1\" end=\"" + End(7) +
                "\" broken=\"1\" currentrank=\"Сержант\">" +
                Sortie(5, "TKON", true, Details(1, 0, 1)) + Sortie(6, "TKON", false, Details(0, 0, 0)) +
                Sortie(7, "DIED", false, "", true) +
            "</strik>"
            "<strik id=\"2\" start=\"" + Start(7) + "\" combatcount=\"1\" kills=\"2\" currentrank=\"Сержант\">" +
                Sortie(8, "TKON", true, Details(2, 0, 2)) +
            "</strik></history>");
}

TEST_F(History, ARankIsAnnouncedAgainOnlyWhenALaterLifeGoesBeyondIt) {
  AddPilot(1, "a");
  Fly(1, {{.id = 1, .eAir = 1}, {.id = 2, .eAir = 1}, {.id = 3, .eAir = 1},  // rank 1
          {.id = 4, .end = "CAPTURED"},
          {.id = 5, .eAir = 1}, {.id = 6, .eAir = 1}, {.id = 7, .eAir = 1},  // rank 1 again: silent
          {.id = 8, .end = "DIED"},
          {.id = 9, .eAir = 1}, {.id = 10, .eAir = 1}, {.id = 11, .eAir = 1},
          {.id = 12, .eAir = 1}, {.id = 13, .eAir = 1}});  // rank 2: announced
  const std::string one = Details(1, 0, 1);
  EXPECT_EQ(Build(1),
            "<history callsign=\"a\">"
            "<strik id=\"1\" start=\"" + Start(1) + "\" combatcount=\"3\" kills=\"3\" end=\"" + End(4) +
                "\" broken=\"1\" currentrank=\"мл. л-т\">" +
                Sortie(1, "TKON", true, one) + Sortie(2, "TKON", true, one) +
                Sortie(3, "TKON", true, one + NewRank(1, "мл. л-т", 3)) +
                Sortie(4, "CAPTURED", false, "", true) +
            "</strik>"
            "<strik id=\"2\" start=\"" + Start(4) + "\" combatcount=\"3\" kills=\"3\" end=\"" + End(8) +
                "\" broken=\"1\" currentrank=\"мл. л-т\">" +
                Sortie(5, "TKON", true, one) + Sortie(6, "TKON", true, one) + Sortie(7, "TKON", true, one) +
                Sortie(8, "DIED", false, "", true) +
            "</strik>"
            // The top rank of the scale has no rank above it: no currentrank.
            "<strik id=\"3\" start=\"" + Start(8) + "\" combatcount=\"5\" kills=\"5\">" +
                Sortie(9, "TKON", true, one) + Sortie(10, "TKON", true, one) + Sortie(11, "TKON", true, one) +
                Sortie(12, "TKON", true, one) + Sortie(13, "TKON", true, one + NewRank(2, "лейтенант", 13)) +
            "</strik></history>");
}

TEST_F(History, SkippedSortiesCarryNoDetails) {
  AddPilot(1, "a");
  Fly(1, {{.id = 1, .end = ""}, {.id = 2, .end = "BAIL", .eAir = 3}, {.id = 3, .end = "LANDED"}});
  EXPECT_EQ(Build(1),
            "<history callsign=\"a\">"
            "<strik id=\"1\" start=\"" + Start(1) + "\" combatcount=\"0\" kills=\"0\" currentrank=\"Сержант\">" +
                Sortie(1, "", false) + Sortie(2, "BAIL", false) + Sortie(3, "LANDED", false) +
            "</strik></history>");
}

TEST_F(History, AnUnknownPilotHasAnEmptyLife) {
  EXPECT_EQ(Build(99),
            "<history callsign=\"\">"
            "<strik id=\"1\" start=\"30.12.1899 00:00:00\" combatcount=\"0\" kills=\"0\" "
            "currentrank=\"Сержант\"/></history>");
}

TEST_F(History, AnUnreachableDatabaseLeavesTheElementEmpty) {
  home_.SetLogLevel(0);
  EXPECT_EQ(Build(1, db_->EntryWithPassword("wrong")), "<history/>");
  auto lines = Log();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "TS\tnot connected to MySQL\t");
}

TEST_F(History, TheWalkWritesNothingAndLogsAsAPassDoes) {
  AddPilot(1, "a");
  Fly(1, {{.id = 1, .eAir = 1}, {.id = 2, .eAir = 1}, {.id = 3, .end = "BAIL"},
          {.id = 4, .eAir = 1, .eTank = 1}, {.id = 5, .end = "DIED"}, {.id = 6}});
  home_.SetLogLevel(7);
  int32_t last = 0;
  const int32_t pass_rank = WalkPilotSorties(session_, 1, last, settings_, false, TXmlNode());
  const std::vector<std::string> pass_log = Log();
  home_.ClearLog();
  sent_.clear();

  TXmlDocument doc;
  int32_t scratch = 0;
  EXPECT_EQ(WalkPilotSorties(session_, 1, scratch, settings_, true, doc.CreateRoot("history")),
            pass_rank);
  EXPECT_EQ(pass_rank, 1);
  EXPECT_EQ(scratch, 5);
  EXPECT_EQ(Log(), pass_log);
  for (const std::string& sql : sent_) EXPECT_EQ(sql.rfind("select", 0), 0u) << sql;
  EXPECT_EQ(Stored(1), "0:0:0");
}

TEST_F(History, StreakStatsAddTheCurrentLifesSuccessfulSorties) {
  AddPilot(1, "a");
  Fly(1, {{.id = 1, .eAir = 5},
          {.id = 2, .end = "DIED"},
          {.id = 3, .eAir = 2, .eBom = 1},
          {.id = 4, .end = "BAIL", .eAir = 4},
          {.id = 5, .end = "CRASHED", .eCar = 3, .eShip = 1}});
  db_->Exec("update pilots set lastsortie = 2 where id = 1");
  int32_t combat = 1;
  TAirKills air{1, 0};
  TGroundKills ground;
  ASSERT_TRUE(PilotStreakStats(1, settings_, db_->Entry(), combat, air, ground));
  EXPECT_EQ(combat, 2);  // sortie 3; sortie 5 has no air kill and ground is not counted
  EXPECT_DOUBLE_EQ(air.Air, 3);
  EXPECT_DOUBLE_EQ(air.Bom, 1);
  EXPECT_DOUBLE_EQ(ground.Car, 3);
  EXPECT_DOUBLE_EQ(ground.Ship, 1);

  settings_.BombersMode = 1;
  combat = 0;
  ASSERT_TRUE(GetStreakStats(session_, 1, settings_, combat, air, ground));
  EXPECT_EQ(combat, 2);  // now sortie 5's ground kills make it combat
  EXPECT_FALSE(session_.SQLQueryCheckPilot.Active());

  EXPECT_FALSE(PilotStreakStats(1, settings_, db_->EntryWithPassword("wrong"), combat, air, ground));
}

TEST_F(History, LastSortieAndCallsignLookups) {
  AddPilot(1, "Ястреб");
  db_->Exec("update pilots set lastsortie = 42 where id = 1");
  db_->Exec("insert into pilots (id, callsign, class, ArmyID) values (2, 'b', 'Human pilot', 1)");
  EXPECT_EQ(GetLastSortie(session_, 1), 42);
  EXPECT_EQ(GetLastSortie(session_, 2), 0);   // null
  EXPECT_EQ(GetLastSortie(session_, 77), 0);  // no such pilot
  EXPECT_EQ(GetPilotCallsign(session_, 1), "Ястреб");
  EXPECT_EQ(GetPilotCallsign(session_, 77), "");

  db_->Exec("alter table pilots drop column lastsortie");
  home_.SetLogLevel(0);
  EXPECT_EQ(GetLastSortie(session_, 1), 0);
  auto lines = Log();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].rfind("TS\tОшибка получения lastsortie\t", 0), 0u) << lines[0];
  EXPECT_FALSE(session_.SQLQueryService.Active());
}

TEST_F(History, DataSetQueriesRunOnTheirOwnConnection) {
  AddPilot(1, "Сокол");
  std::ostringstream packet;
  const std::vector<std::string> params{"name=Сокол"};
  ASSERT_TRUE(RunDataSetQuery("select id, callsign from pilots where callsign = :name", packet,
                              db_->Entry(), &params));
  TXmlDocument doc;
  ASSERT_TRUE(doc.LoadText(packet.str())) << packet.str();
  TXmlNode row = doc.SelectFirst("/DATAPACKET/ROWDATA/ROW");
  EXPECT_EQ(row.Attribute("callsign").value_or(""), "Сокол");

  std::ostringstream nothing;
  EXPECT_FALSE(RunDataSetQuery("select 1", nothing, db_->EntryWithPassword("wrong"), nullptr));
  EXPECT_TRUE(nothing.str().empty());
}

}  // namespace
}  // namespace sky::test
