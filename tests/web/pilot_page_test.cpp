// The pilot page and the leaderboard as answers: awards decoded against an
// awards file, progress to the next rank, the lives of a history, and both
// views over HTTP in XML, JSON and HTML from kept results.
#include <gtest/gtest.h>
#include <rapidjson/document.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/encoding.h"
#include "engine/pilot_results.h"
#include "support/stat_rows.h"
#include "support/test_db.h"
#include "web/http_test_client.h"
#include "web/pilot_page.h"
#include "web/shown_figure.h"
#include "web/views_answers.h"

namespace sky {
namespace {

namespace fs = std::filesystem;
using test::BodyOf;
using test::HeadOf;

constexpr char kAwards[] = R"(<?xml version="1.0" encoding="utf-8"?>
<awards>
  <simple>
    <red><item id="1" name="За отвагу" value="1"/><item id="2" name="Ранение" value="4"/></red>
    <blue><item id="1" name="Железный крест" value="1"/></blue>
  </simple>
  <complex>
    <red><item id="1" name="Красное Знамя" value="64"/></red>
  </complex>
</awards>)";

TEST(PilotPage, AwardsDecodedWithTheirPicturesOrAPlainRibbon) {
  test::TempDir folder;
  fs::create_directories(folder.File("img/ribbons"));
  test::WriteFileBytes(folder.File("img/ribbons/red-1.svg"), "<svg/>");
  TXmlDocument awards;
  ASSERT_TRUE(awards.LoadText(kAwards));
  const TXmlDocument none;
  const struct {
    const TXmlDocument* awards;
    int32_t army;
    int32_t mask;
    std::vector<std::string> names;     // lowest bit first
    std::vector<std::string> pictures;
  } cases[] = {
      {&awards, 1, 1 | 2 | 4 | 64, {"За отвагу", "", "Ранение", "Красное Знамя"},
       {"img/ribbons/red-1.svg", "", "", ""}},
      {&awards, 2, 1 | 64, {"Железный крест", ""}, {"", ""}},
      {&awards, 1, static_cast<int32_t>(0x80000000u), {""}, {""}},
      {&awards, 1, 0, {}, {}},
      {&none, 1, 1, {""}, {"img/ribbons/red-1.svg"}},
  };
  for (const auto& c : cases) {
    const std::vector<TRibbon> ribbons = DecodeAwards(*c.awards, c.army, c.mask, folder.Path());
    std::vector<std::string> names, pictures;
    for (const TRibbon& ribbon : ribbons) {
      names.push_back(ribbon.Name);
      pictures.push_back(ribbon.Picture);
      EXPECT_EQ(ribbon.Value, 1u << ribbon.Bit);
      EXPECT_NE(c.mask & static_cast<int32_t>(ribbon.Value), 0);
      for (const std::string& colour : ribbon.Colours) EXPECT_EQ(colour.size(), 7u) << colour;
      EXPECT_NE(ribbon.Colours[0], ribbon.Colours[1]);
    }
    EXPECT_EQ(names, c.names) << c.mask;
    EXPECT_EQ(pictures, c.pictures) << c.mask;
  }
  // The plain ribbon's colours are the bit's own, the same on every page.
  const auto one = DecodeAwards(awards, 1, 2, folder.Path());
  const auto other = DecodeAwards(awards, 2, 2 | 8, folder.Path());
  EXPECT_EQ(one[0].Colours[0], other[0].Colours[0]);
  EXPECT_NE(other[0].Colours[0], other[1].Colours[0]);
}

TEST(PilotPage, NextRankProgress) {
  const std::vector<TRankDef> scale = {{1, "мл. л-т", 3, 2, 0}, {2, "лейтенант", 5, 3, 1}, {4, "капитан", 15, 10, 0}};
  TPilotResult pilot;
  pilot.LifeCombatSorties = 4;
  pilot.LifeAirKills = 2.5;
  pilot.LifeGroundKills = 1.75;
  const struct {
    std::vector<TRankDef> ranks;
    int32_t rank;
    TNextRank state;
    int32_t next;
  } cases[] = {
      {scale, 0, TNextRank::kNext, 1},  {scale, 1, TNextRank::kNext, 2}, {scale, 3, TNextRank::kNext, 4},
      {scale, 4, TNextRank::kTop, 0},   {scale, 9, TNextRank::kTop, 0},  {{}, 0, TNextRank::kNoScale, 0},
      {{}, 5, TNextRank::kNoScale, 0},
  };
  for (const auto& c : cases) {
    pilot.Rank = c.rank;
    const TRankProgress progress = NextRankProgress(c.ranks, pilot);
    EXPECT_EQ(progress.State, c.state) << c.rank;
    EXPECT_EQ(progress.Next.Value, c.next) << c.rank;
    EXPECT_EQ(progress.Needs.size(), c.state == TNextRank::kNext ? 3u : 0u) << c.rank;
  }
  pilot.Rank = 1;
  const TRankProgress progress = NextRankProgress(scale, pilot);
  ASSERT_EQ(progress.Needs.size(), 3u);
  const std::vector<std::tuple<std::string, int64_t, int64_t>> expected = {
      {"sorties", 4, 5}, {"kills", 4, 3}, {"ground", 1, 1}};
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(std::make_tuple(std::string(progress.Needs[i].Key), progress.Needs[i].Have, progress.Needs[i].Need),
              expected[i]);
  }
}

TEST(PilotPage, FiguresShownAsPeopleWriteThem) {
  double tenths = 120;
  for (int n = 0; n < 49; ++n) tenths += 0.1;  // 124.89999999999972
  const struct {
    double value;
    const char* shown;
  } cases[] = {
      {0.1 + 0.2 + 0.3, "0.6"}, {56.95 + 0.2, "57.15"}, {tenths, "124.9"}, {3, "3"},    {0, "0"},
      {2.5, "2.5"},             {1.996, "2"},           {-1e-17, "0"},     {-0.25, "-0.25"},
  };
  for (const auto& c : cases) EXPECT_EQ(ShownFigure(c.value), c.shown) << c.shown;
}

TEST(PilotPage, LivesOfAHistory) {
  // The rank of a life is the last one it raised him to, whatever
  // `currentrank` says; a life that raised him to none has none.
  TXmlDocument three_lives;
  ASSERT_TRUE(three_lives.LoadText(
      R"(<history callsign="x"><strik id="1" start="01.05.2026 10:00:00" combatcount="2" kills="3" currentrank="r">)"
      R"(<sortie id="1" iscombat="1"><details/><newrank id="1" rankname="r1"/></sortie><sortie id="2" iscombat="1">)"
      R"(<newrank id="2" rankname="r2"/></sortie><sortie id="3" iscombat="0"/></strik>)"
      R"(<strik id="2" broken="1" currentrank="r2"><sortie id="4" iscombat="1"/></strik>)"
      R"(<strik id="3"><sortie id="5" iscombat="1"><newrank id="5" rankname="r5"/></sortie></strik></history>)"));
  const std::vector<TLifeFigures> one = LifeFiguresOf(three_lives.Root());
  ASSERT_EQ(one.size(), 3u);
  EXPECT_EQ(std::make_tuple(one[0].Number, one[0].Sorties, one[0].CombatSorties, one[0].Kills, one[0].Ended),
            std::make_tuple(int64_t{1}, int64_t{3}, int64_t{2}, int64_t{3}, false));
  EXPECT_EQ(std::vector<std::string>({one[0].Rank, one[1].Rank, one[2].Rank}),
            std::vector<std::string>({"r2", "", "r5"}));

  std::string many = "<history>";
  for (int life = 1; life <= 150; ++life) {
    many += "<strik id=\"" + std::to_string(life) + "\" broken=\"" + (life < 150 ? "1" : "0") + "\" kills=\"" +
            std::to_string(life % 7) + "\">" + std::string(static_cast<std::size_t>(life % 4), '-') + "</strik>";
  }
  for (std::size_t at = many.find('-'); at != std::string::npos; at = many.find('-')) {
    many.replace(at, 1, "<sortie/>");
  }
  TXmlDocument history;
  ASSERT_TRUE(history.LoadText(many + "</history>"));
  const std::vector<TLifeFigures> lives = LifeFiguresOf(history.Root());
  ASSERT_EQ(lives.size(), 150u);
  for (const TLifeFigures& life : lives) {
    EXPECT_EQ(life.Sorties, life.Number % 4);
    EXPECT_EQ(life.Kills, life.Number % 7);
    EXPECT_EQ(life.Ended, life.Number < 150);
  }
  EXPECT_TRUE(LifeFiguresOf(TXmlNode()).empty());
}

// Both views over HTTP: results kept for database 1, the history read from it.
class BoardViews : public ::testing::Test {
 protected:
  void SetUp() override {
    SKY_REQUIRE_DB();
    db_ = std::make_unique<test::TestDatabase>();
    fs::create_directories(web_.home.File("xsl"));
    for (const char* sheet : {"board.xsl", "pilot.xsl"}) {
      fs::copy_file(fs::path(SKY_SITE_DIR) / "xsl" / sheet, web_.home.File(std::string("xsl/") + sheet));
    }
    fs::create_directories(web_.home.File("img/ranks"));
    fs::create_directories(web_.home.File("img/ribbons"));
    fs::copy_file(fs::path(SKY_SITE_DIR) / "img/ranks/2.svg", web_.home.File("img/ranks/2.svg"));
    fs::copy_file(fs::path(SKY_SITE_DIR) / "img/ribbons/red-1.svg", web_.home.File("img/ribbons/red-1.svg"));
    test::WriteFileBytes(web_.home.File("awards.xml"), kAwards);
    test::SettingsDocument document;
    document.servers = {db_->Entry()};
    document.settings.Ranks = {{1, "лейтенант", 1, 1, 0}, {2, "капитан", 50, 50, 0}};
    document.settings.SortieEndSuccess = "_TKON_";
    document.settings.SortieEndDead = "_DIED_";
    document.settings.AwardsFile = web_.home.File("awards.xml");
    web_.home.WriteSettings(document);

    // Pilot 1 never died; pilot 2 died 11 times.
    test::InsertPilots(*db_, {{.id = 1, .callsign = "Сокол"}, {.id = 2, .callsign = "<b>Ace&</b>", .army = 2}});
    std::vector<test::TestSortie> sorties;
    for (int n = 1; n <= 3; ++n) sorties.push_back({.id = n, .pilot = 1, .eAir = 1, .start_minute = 60 * n});
    for (int n = 4; n <= 28; ++n) {
      sorties.push_back({.id = n, .pilot = 2, .end = n % 2 == 0 ? "TKON" : "DIED", .eAir = n % 3, .start_minute = 60 * n,
                         .army = 2});
    }
    test::InsertSorties(*db_, sorties);
    TPilotResults results(2);
    results[0].Id = 1;
    results[0].Callsign = "Сокол";
    results[0].Army = 1;
    results[0].Rank = 2;
    results[0].RankName = "капитан";
    results[0].Awards = 1 | 2;
    results[0].LifeSorties = results[0].LifeCombatSorties = results[0].CareerSorties = 3;
    results[0].LastSortie = "2026-01-01T03:30:00";
    // Sums of fractions whose binary value is not the decimal one.
    results[0].LifeAirKills = 56.95;
    results[0].LifeGroundKills = 0.2;
    results[1].Id = 2;
    results[1].Callsign = "<b>Ace&</b>";
    results[1].Army = 2;
    results[1].Rank = 1;
    results[1].RankName = "лейтенант";
    results[1].CareerSorties = 25;
    results[1].CareerDeaths = 12;
    results[1].CareerKnown = false;
    results[1].LifeAirKills = 0.1 + 0.2;
    results[1].LifeGroundKills = 0.3;
    PublishPilotResults("1", std::move(results));
  }

  std::string Fetch(const std::string& target) { return test::Get(web_.Port(), target); }
  rapidjson::Document Json(const std::string& target) {
    const std::string answer = Fetch(target);
    EXPECT_NE(HeadOf(answer).find("application/json"), std::string::npos) << target;
    rapidjson::Document parsed;
    parsed.Parse(BodyOf(answer).c_str());
    EXPECT_FALSE(parsed.HasParseError()) << target << BodyOf(answer);
    return parsed;
  }

  test::WebServerFixture web_;
  std::unique_ptr<test::TestDatabase> db_;
};

TEST_F(BoardViews, LeaderboardInEveryFormat) {
  const std::string xml = Fetch("/?cmd=top&srvid=1&me=%3Cb%3Eace%26%3C/b%3E");
  EXPECT_NE(BodyOf(xml).find("<?xml-stylesheet type=\"text/xsl\" href=\"/xsl/board.xsl\"?>"), std::string::npos);
  TXmlDocument doc;
  ASSERT_TRUE(doc.LoadText(BodyOf(xml)));
  EXPECT_EQ(doc.SelectAll("/board/pilot").size(), 2u);
  EXPECT_EQ(doc.SelectFirst("/board/pilot[@me='1']/@id").Value(), "2");
  EXPECT_EQ(doc.SelectFirst("/board/pilot[0]/@position").Value(), "1");
  EXPECT_EQ(doc.SelectFirst("/board/pilot[@id='1']/@life_kills").Value(), "57.15");
  EXPECT_EQ(doc.SelectFirst("/board/pilot[@id='2']/@life_kills").Value(), "0.6");
  const std::string figures = BodyOf(Fetch("/?cmd=top&srvid=1&format=json"));
  for (const char* figure : {"\"life_kills\":57.15,", "\"life_kills\":0.6,"}) {
    EXPECT_NE(figures.find(figure), std::string::npos) << figure << " in " << figures;
  }
  const std::string shown = BodyOf(Fetch("/?cmd=top&srvid=1&format=html"));
  EXPECT_NE(shown.find(">57.15<"), std::string::npos) << shown;
  EXPECT_EQ(shown.find("0000"), std::string::npos) << shown;

  const rapidjson::Document json = Json("/?cmd=top&srvid=1&format=json&sort=sorties&size=1&page=9&army=x");
  EXPECT_TRUE(json["ready"].GetBool());
  EXPECT_EQ(std::string(json["sort"].GetString()), "sorties");
  EXPECT_TRUE(json["army"].IsNull()) << "a malformed army is both armies";
  EXPECT_EQ(json["page"].GetInt64(), 2);
  ASSERT_EQ(json["rows"].Size(), 1u);
  EXPECT_EQ(json["rows"][0]["position"].GetInt64(), 2);
  EXPECT_EQ(std::string(json["rows"][0]["callsign"].GetString()), "Сокол");

  const std::string html = BodyOf(Fetch("/?cmd=top&srvid=1&format=html&lang=en&q=%D1%EE%EA"));
  EXPECT_NE(html.find("Leaderboard"), std::string::npos);
  EXPECT_NE(html.find("href=\"/?pilot=1&amp;srvid=1&amp;lang=en\">Сокол</a>"), std::string::npos) << html;
  EXPECT_EQ(html.find("Ace"), std::string::npos) << "the search picked one pilot";

  const rapidjson::Document none = Json("/?cmd=top&srvid=77&format=json");
  EXPECT_FALSE(none["ready"].GetBool());
  EXPECT_EQ(none["rows"].Size(), 0u);
  const std::string waiting = Fetch("/?cmd=top&srvid=77&format=html&lang=ru");
  EXPECT_NE(HeadOf(waiting).find("200 OK"), std::string::npos);
  EXPECT_NE(BodyOf(waiting).find("id=\"not-ready\""), std::string::npos);
}

TEST_F(BoardViews, PilotPageOfAPilotWhoNeverDiedAndOfOneWithManyLives) {
  const rapidjson::Document first = Json("/?pilot=1&srvid=1&format=json");
  ASSERT_TRUE(first["found"].GetBool());
  EXPECT_EQ(std::string(first["insignia"].GetString()), "img/ranks/2.svg");
  EXPECT_EQ(std::string(first["next_rank"]["state"].GetString()), "top");
  ASSERT_EQ(first["ribbons"].Size(), 2u);
  EXPECT_EQ(std::string(first["ribbons"][0]["picture"].GetString()), "img/ribbons/red-1.svg");
  EXPECT_TRUE(first["ribbons"][1]["name"].IsNull()) << "bit 1 has no item";
  ASSERT_EQ(first["lives"].Size(), 1u);
  EXPECT_EQ(first["lives"][0]["sorties"].GetInt64(), 3);
  EXPECT_FALSE(first["lives"][0]["ended"].GetBool());

  const rapidjson::Document second = Json("/?pilot=2&srvid=1&format=json");
  EXPECT_EQ(std::string(second["next_rank"]["state"].GetString()), "next");
  EXPECT_EQ(second["next_rank"]["sorties"]["need"].GetInt64(), 50);
  EXPECT_EQ(second["ribbons"].Size(), 0u);
  EXPECT_FALSE(second["career"]["known"].GetBool());
  EXPECT_TRUE(first["career"]["known"].GetBool());
  EXPECT_EQ(std::string(first["lives"][0]["rank_name"].GetString()), "лейтенант");
  EXPECT_EQ(second["life"]["air_kills"].GetDouble(), 0.3);
  EXPECT_EQ(second["life"]["ground_kills"].GetDouble(), 0.3);
  ASSERT_EQ(second["lives"].Size(), 13u);
  // Only his first life raised him (to the first rank); later ones reached
  // no new rank, though each ended holding it.
  EXPECT_EQ(std::string(second["lives"][0]["rank_name"].GetString()), "лейтенант");
  for (rapidjson::SizeType i = 1; i < 13; ++i) EXPECT_TRUE(second["lives"][i]["rank_name"].IsNull()) << i;
  TXmlDocument xml;
  ASSERT_TRUE(xml.LoadText(BodyOf(Fetch("/?pilot=2&srvid=1"))));
  EXPECT_EQ(xml.SelectFirst("/pilot/life/@air").Value(), "0.3");
  EXPECT_EQ(xml.SelectFirst("/pilot/lives/life[0]/@rankname").Value(), "лейтенант");
  EXPECT_EQ(xml.SelectFirst("/pilot/lives/life[1]/@rankname").Value(), "");
  for (rapidjson::SizeType i = 0; i < 12; ++i) {
    EXPECT_EQ(second["lives"][i]["sorties"].GetInt64(), 2);
    EXPECT_TRUE(second["lives"][i]["ended"].GetBool());
  }

  const std::string html = BodyOf(Fetch("/?pilot=1&srvid=1&format=html&lang=en"));
  EXPECT_NE(html.find("<img class=\"ribbon\" src=\"/img/ribbons/red-1.svg\""), std::string::npos) << html;
  EXPECT_NE(html.find("class=\"ribbon plain\""), std::string::npos);
  EXPECT_NE(html.find("id=\"chart-kills\""), std::string::npos);
  EXPECT_NE(html.find("The highest rank is reached."), std::string::npos);
  const std::string escaped = BodyOf(Fetch("/?pilot=2&srvid=1&format=html&lang=ru"));
  EXPECT_NE(escaped.find("&lt;b&gt;Ace&amp;&lt;/b&gt;"), std::string::npos);
  EXPECT_EQ(escaped.find("<b>Ace"), std::string::npos);
  EXPECT_NE(escaped.find("Жизни"), std::string::npos);
  EXPECT_NE(escaped.find("id=\"career-partial\""), std::string::npos);

  EXPECT_FALSE(Json("/?pilot=3&srvid=1&format=json")["found"].GetBool());
  EXPECT_FALSE(Json("/?pilot=1&srvid=77&format=json")["ready"].GetBool());
  const std::string picture = Fetch("/img/ribbons/red-1.svg");
  EXPECT_NE(HeadOf(picture).find("Content-Type: image/svg+xml"), std::string::npos) << HeadOf(picture);
}

}  // namespace
}  // namespace sky
