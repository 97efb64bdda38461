#include <gtest/gtest.h>
#include <rapidjson/document.h>

#include "base/encoding.h"
#include "notify/event_body.h"

namespace sky {
namespace {

TSettings Scale() {
  TSettings settings;
  settings.Ranks = {{1, "Lieutenant", 0, 0, 0}, {2, "Captain", 0, 0, 0}};
  return settings;
}

rapidjson::Document Parsed(const std::string& text) {
  rapidjson::Document doc;
  doc.Parse(text.c_str(), text.size());
  EXPECT_FALSE(doc.HasParseError()) << text;
  return doc;
}

TEST(NotifyEvents, RankRisesAndNewAwardBitsOnly) {
  const TSettings settings = Scale();
  EXPECT_TRUE(RankEvents("1", {7, "Ace", 1, 2, 2}, settings, 0).empty());
  EXPECT_TRUE(RankEvents("1", {7, "Ace", 1, 2, 1}, settings, 0).empty());
  const auto ranks = RankEvents("1", {7, "Ace", 1, 1, 2}, settings, 0);
  ASSERT_EQ(ranks.size(), 1u);
  EXPECT_EQ(EventId(ranks[0]), "1:7:rank:2");
  EXPECT_EQ(ranks[0].Name, "Captain");
  EXPECT_EQ(ranks[0].PreviousName, "Lieutenant");

  TXmlDocument awards;
  ASSERT_TRUE(awards.LoadText(R"(<awards><simple><red><item id="1" name="Red Star" value="4"/></red>
      <blue><item id="1" name="Blue Cross" value="4"/></blue></simple>
      <complex><red><item id="2" name="Hero" value="-2147483648"/></red></complex></awards>)"));
  const TAwardNames names(awards);
  // Bits already held and bits cleared make no event; each new bit one.
  const auto gained = AwardEvents("2", {7, "Ace", 2, 1 | 8, 1 | 4 | 2 | static_cast<int32_t>(0x80000000u)}, names, 0);
  ASSERT_EQ(gained.size(), 3u);
  EXPECT_EQ(EventId(gained[0]), "2:7:award:1");
  EXPECT_EQ(gained[0].Name, "#1");
  EXPECT_EQ(gained[1].Name, "Blue Cross");
  EXPECT_EQ(gained[2].Name, "Hero");  // named by the other side's section
  EXPECT_EQ(gained[2].Bit, 31);
}

TEST(NotifyBodies, JsonCarriesEveryField) {
  const TSettings settings = Scale();
  TNotifyEvent rank = RankEvents("1&2", {7, "Ace \"Red\"", 1, 1, 2}, settings, 1765305000)[0];
  const rapidjson::Document doc = Parsed(JsonEventBody(rank, "https://ranks.example.org"));
  EXPECT_STREQ(doc["event"].GetString(), "rank");
  EXPECT_STREQ(doc["id"].GetString(), "1&2:7:rank:2");
  EXPECT_STREQ(doc["time"].GetString(), "2025-12-09T18:30:00Z");
  EXPECT_STREQ(doc["pilot"]["callsign"].GetString(), "Ace \"Red\"");
  EXPECT_STREQ(doc["pilot"]["url"].GetString(), "https://ranks.example.org/?pilot=7&srvid=1%262");
  EXPECT_EQ(doc["rank"]["value"].GetInt(), 2);
  EXPECT_STREQ(doc["previous_rank"]["name"].GetString(), "Lieutenant");

  TNotifyEvent award{.Kind = TEventKind::kAward, .Srvid = "1", .PilotId = 7, .Value = static_cast<int32_t>(0x80000000u),
                     .Name = "Hero", .Bit = 31};
  const rapidjson::Document award_doc = Parsed(JsonEventBody(award, ""));
  EXPECT_TRUE(award_doc["pilot"]["url"].IsNull());
  EXPECT_EQ(award_doc["award"]["value"].GetInt64(), 2147483648);
  EXPECT_FALSE(award_doc.HasMember("rank"));
}

TEST(NotifyBodies, DiscordMessageStaysWithinLimitsAndPingsNobody) {
  TNotifyEvent event{.Kind = TEventKind::kRank, .Srvid = "1", .PilotId = 9, .Callsign = std::string(5000, 'x') + "@everyone",
                     .Army = 2, .Value = 2, .Name = std::string(9000, 'n'), .Previous = 1, .PreviousName = "Lt"};
  for (const char* lang : {"ru", "en"}) {
    const std::string body = DiscordEventBody(event, "https://r.example/", lang);
    const rapidjson::Document doc = Parsed(body);
    const auto& embed = doc["embeds"][0];
    const std::size_t content = Utf8Length(doc["content"].GetString());
    const std::size_t title = Utf8Length(embed["title"].GetString());
    const std::size_t description = Utf8Length(embed["description"].GetString());
    EXPECT_LE(content, kDiscordContentMax);
    EXPECT_LE(title, kDiscordTitleMax);
    EXPECT_LE(description, kDiscordDescriptionMax);
    EXPECT_LE(content + title + description, kDiscordTotalMax);
    EXPECT_EQ(embed["color"].GetInt(), 0x3771C8);
    EXPECT_STREQ(embed["url"].GetString(), "https://r.example/?pilot=9&srvid=1");
    EXPECT_EQ(doc["allowed_mentions"]["parse"].Size(), 0u);
  }
  event.Callsign = "Иван_*";
  event.Name = "Captain";
  const rapidjson::Document doc = Parsed(DiscordEventBody(event, "", "en"));
  EXPECT_STREQ(doc["content"].GetString(), "Иван\\_\\* is promoted to Captain");
  EXPECT_FALSE(doc["embeds"][0].HasMember("url"));
}

}  // namespace
}  // namespace sky
