// Promotions and awards of real passes over the throwaway database, sent to
// a receiver on a loopback port; what the admin pages show of the webhook.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "service/tskyranks.h"
#include "support/program_home.h"
#include "support/stat_rows.h"
#include "support/test_db.h"
#include "support/webhook_receiver.h"
#include "web/http_test_client.h"

namespace sky {
namespace {

using namespace std::chrono_literals;

std::vector<std::string> EventIds(const test::WebhookReceiver& receiver) {
  std::vector<std::string> ids;
  for (const test::ReceivedPost& post : receiver.Posts()) {
    const std::size_t at = post.body.find("\"id\":\"");
    ids.push_back(post.body.substr(at + 6, post.body.find('"', at + 6) - at - 6));
  }
  return ids;
}

TEST(ServiceWebhooks, PromotionAndAwardAreSentButNotFirstPassOrResetAndTheAddressStaysSecret) {
  SKY_REQUIRE_DB();
  test::TestDatabase db;
  test::InsertPilots(db, {{.id = 1, .callsign = "Ace"}});
  test::InsertSorties(db, {{.id = 1, .pilot = 1, .eAir = 2}});
  test::ProgramHome home;
  test::WriteFileBytes(home.File("awards.xml"),
                       "<?xml version=\"1.0\"?><awards><complex><red><item id=\"1\" name=\"Hero\" value=\"2\">"
                       "<condition airkill=\"4\"/></item></red></complex></awards>");
  test::WebhookReceiver receiver;
  test::SettingsDocument document = test::ServiceSettings({db.Entry()}, 0, 0, "admin-secret-9", 10);
  document.settings.Ranks = {{.Value = 1, .Name = "Lieutenant", .SortiesLimit = 1, .AirKills = 2},
                             {.Value = 2, .Name = "Captain", .SortiesLimit = 1, .AirKills = 4}};
  document.settings.SortieEndSuccess = "_TKON_";
  document.settings.AwardsFile = home.File("awards.xml");
  home.WriteSettings(document);
  // The settings document knows no webhooks: they are added as an administrator would.
  std::string bytes = document.Bytes();
  bytes.insert(bytes.rfind("</skyranks>"), "<notify public_url=\"https://ranks.example.org/\"><webhook url=\"" +
                                               receiver.Url() + "\"/></notify>");
  test::WriteFileBytes(home.SettingsFile(), bytes);

  Tskyranks service;
  service.StartNotifier();
  service.TCPServerSKY().Activate(0);
  service.RunCycle();  // the first complete pass: rank 1, no event
  ASSERT_EQ(db.Value("select realrank from pilots where id = 1"), "1");
  test::InsertSorties(db, {{.id = 2, .pilot = 1, .eAir = 2, .start_minute = 60}});
  service.RunCycle();
  ASSERT_EQ(db.Value("select realrank from pilots where id = 1"), "2");
  ASSERT_TRUE(receiver.WaitFor(2));
  ASSERT_TRUE(service.ResetServer("1"));
  service.RunCycle();  // everyone promoted again: announced by nobody
  ASSERT_EQ(db.Value("select realrank from pilots where id = 1"), "2");
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(EventIds(receiver), (std::vector<std::string>{"1:1:rank:2", "1:1:award:1"}));
  EXPECT_NE(receiver.Posts()[0].body.find("\"url\":\"https://ranks.example.org/?pilot=1&srvid=1\""),
            std::string::npos);

  const uint16_t port = service.TCPServerSKY().Port();
  const std::string host = "127.0.0.1:" + std::to_string(receiver.Port());
  const std::string dashboard = test::Get(port, "/?cmd=dashboard&format=json");
  EXPECT_NE(dashboard.find("\"webhooks\":[{\"host\":\"" + host + "\",\"queued\":0,\"delivered\":2,\"failed\":0"),
            std::string::npos) << dashboard;
  const std::string metrics = test::Get(port, "/metrics");
  EXPECT_NE(metrics.find("skyranks_webhook_events_delivered_total{webhook=\"1\",host=\"" + host + "\"} 2"),
            std::string::npos) << metrics;
  for (const std::string& page : {dashboard, metrics, test::Get(port, "/?cmd=dashboard&format=html"),
                                  test::Get(port, "/"), test::Get(port, "/?cmd=config"),
                                  test::ReadFileBytes(home.LogFile())}) {
    EXPECT_EQ(page.find("secret-token"), std::string::npos) << page;
  }
}

}  // namespace
}  // namespace sky
