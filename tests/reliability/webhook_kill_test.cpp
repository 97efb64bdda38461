// An event the pass has handed over survives the program killed with
// SIGKILL before the receiver took it: the next start sends it again.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <string>

#include "service/service_program.h"
#include "support/settings_document.h"
#include "support/stat_rows.h"
#include "support/temp_dir.h"
#include "support/test_db.h"
#include "support/webhook_receiver.h"

namespace sky::test {
namespace {

using namespace std::chrono_literals;

TEST(WebhookKill, AnEventNotYetTakenIsSentAfterTheRestart) {
  SKY_REQUIRE_DB();
  TestDatabase db;
  InsertPilots(db, {{.id = 1, .callsign = "Ace"}});
  InsertSorties(db, {{.id = 1, .pilot = 1, .eAir = 2}});
  TempDir dir;
  WebhookReceiver receiver;
  SettingsDocument document = ServiceSettings({db.Entry()}, 0, 0, "pw", 3);
  document.settings.Ranks = {{.Value = 1, .Name = "Lieutenant", .SortiesLimit = 1, .AirKills = 2},
                             {.Value = 2, .Name = "Captain", .SortiesLimit = 1, .AirKills = 4}};
  document.settings.SortieEndSuccess = "_TKON_";
  document.settings.AwardsFile = dir.File("awards.xml");
  WriteFileBytes(dir.File("awards.xml"), "<?xml version=\"1.0\"?><awards/>");
  std::string bytes = document.Bytes();
  bytes.insert(bytes.rfind("</skyranks>"), "<notify><webhook url=\"" + receiver.Url() + "\"/></notify>");
  WriteFileBytes(dir.File("skyranks.xml"), bytes);

  {
    Program first(dir.Path(), {"--home", dir.Path(), "--once"});  // the first pass: nothing to announce
    ASSERT_EQ(first.Wait(), 0) << first.Stderr();
  }
  InsertSorties(db, {{.id = 2, .pilot = 1, .eAir = 2, .start_minute = 60}});
  receiver.Script({{0, ""}});  // the first try is taken in but never answered
  {
    Program service(dir.Path(), {"--home", dir.Path()});
    ASSERT_TRUE(receiver.WaitFor(1, 60s)) << service.Stderr();
    service.Signal(SIGKILL);
    service.Wait();
  }
  ASSERT_EQ(db.Value("select realrank from pilots where id = 1"), "2");
  Program again(dir.Path(), {"--home", dir.Path()});
  ASSERT_TRUE(receiver.WaitFor(2, 60s)) << again.Stderr();
  again.Signal(SIGTERM);
  EXPECT_EQ(again.Wait(), 0);
  const auto posts = receiver.Posts();
  ASSERT_EQ(posts.size(), 2u);
  EXPECT_EQ(posts[0].body, posts[1].body);
  EXPECT_NE(posts[1].body.find("\"id\":\"1:1:rank:2\""), std::string::npos) << posts[1].body;
}

}  // namespace
}  // namespace sky::test
