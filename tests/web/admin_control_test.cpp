// Control commands posted to /ctrl.sky through real sockets.
#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <thread>

#include "base/log.h"
#include "web/admin_control.h"
#include "web/http_test_client.h"

namespace sky {
namespace {

using test::Post;

std::string ResultPage(const test::WebServerFixture& web, const std::string& text_utf8) {
  return test::HtmlAnswer("Result", text_utf8 + "<p><a href=\"http://127.0.0.1:" + std::to_string(web.Port()) +
                                        "\">Вернуться</a>");
}

bool HasLine(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST(AdminControl, TheFourActions) {
  test::WebServerFixture web;
  EXPECT_EQ(Post(web.Port(), "/ctrl.sky", "password=pintowel&actionid=pause"),
            ResultPage(web, "Service has been <font color = \"$FF0000\">PAUSED</font>"));
  EXPECT_EQ(Post(web.Port(), "/ctrl.sky", "password=pintowel&actionid=resume"),
            ResultPage(web, "Service has been <font color = \"$0000FF\">Resumed</font>"));
  EXPECT_EQ(Post(web.Port(), "/ctrl.sky", "password=pintowel&actionid=recalc"),
            ResultPage(web, "All ranks have been <font color = \"$0000FF\">Calculated</font>"));
  EXPECT_EQ(Post(web.Port(), "/ctrl.sky", "password=pintowel&actionid=reset&srvid=2"),
            ResultPage(web, "All ranks have been <font color = \"$0000FF\">DELETED</font><br>"
                            "Press \"recalc\" to start from the begining"));
  EXPECT_EQ(web.service.Events(),
            (std::vector<std::string>{"timer off", "timer on", "timer off", "cycle", "timer on", "reset 2"}));

  const std::vector<std::string> log = web.home.LogLines();
  EXPECT_TRUE(HasLine(log, "TS\tСервис поставлен в паузу. IP = 127.0.0.1\t"));
  EXPECT_TRUE(HasLine(log, "TS\tСервис снят с паузы. IP = 127.0.0.1\t"));
  EXPECT_TRUE(HasLine(log, "TS\tЗапрошен внеочередной пересчет. IP = 127.0.0.1\t"));
  EXPECT_TRUE(HasLine(log, "TS\tЗапрошен сброс данных. IP = 127.0.0.1\tServerID = 2"));
}

TEST(AdminControl, RecalcAnswersOnlyWhenTheCycleHasEnded) {
  test::WebServerFixture web;
  web.service.HoldCycles();
  auto answer = std::async(std::launch::async,
                           [&] { return Post(web.Port(), "/ctrl.sky", "password=pintowel&actionid=recalc"); });
  EXPECT_EQ(answer.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout);
  web.service.ReleaseCycles();
  EXPECT_NE(answer.get().find("Calculated"), std::string::npos);
}

TEST(AdminControl, RecalcAndResetEndedByTheStopSaySo) {
  test::WebServerFixture web;
  web.service.stop_requested_ = true;
  for (const std::string action : {"recalc", "reset&srvid=1"}) {
    EXPECT_EQ(Post(web.Port(), "/ctrl.sky", "password=pintowel&actionid=" + action),
              ResultPage(web, "The service is <font color = \"$FF0000\">STOPPING</font>: the work has been "
                              "interrupted, it goes on at the next start"))
        << action;
  }
}

TEST(AdminControl, WrongPasswordsAreRefusedAndNothingHappens) {
  test::WebServerFixture web;
  const std::string refused = ResultPage(web, "<font color = \"$FF0000\">invalid password!</font>");
  for (const std::string body : {"password=pintowelX&actionid=pause", "password=pintowe&actionid=pause",
                                 "password=PINTOWEL&actionid=pause", "xpassword=pintowel&actionid=pause",
                                 "actionid=pause&mypassword=pintowel", "actionid=pause", "password=&actionid=pause"}) {
    EXPECT_EQ(Post(web.Port(), "/ctrl.sky", body), refused) << body;
  }
  EXPECT_TRUE(web.service.Events().empty());
  EXPECT_TRUE(HasLine(web.home.LogLines(), "TS\tКТО-ТО ДОЛБИТСЯ НА СЕРВЕР С НЕПРАВИЛЬНЫМ ПАРОЛЕМ  IP = 127.0.0.1\t"))
      << "two blanks where the message meets the address";
}

TEST(AdminControl, AnEmptyAdminPasswordRefusesEveryCommand) {
  test::WebServerFixture web;
  web.home.WriteSettings(test::WebSettings(""));
  for (const std::string body : {"password=&actionid=pause", "password=x&actionid=pause", "actionid=pause"}) {
    EXPECT_NE(Post(web.Port(), "/ctrl.sky", body).find("invalid password!"), std::string::npos) << body;
  }
  EXPECT_TRUE(web.service.Events().empty());
}

TEST(AdminControl, PasswordsWithBlanksAndCyrillicLettersTypedIntoTheForm) {
  test::WebServerFixture web;
  web.home.WriteSettings(test::WebSettings("мой пароль & 100%"));
  // The form's page is Windows-1251, so a browser encodes its bytes.
  const std::string cp1251 = "password=%EC%EE%E9+%EF%E0%F0%EE%EB%FC+%26+100%25&actionid=pause";
  EXPECT_NE(Post(web.Port(), "/ctrl.sky", cp1251).find("PAUSED"), std::string::npos);
  const std::string utf8 =
      "password=%D0%BC%D0%BE%D0%B9%20%D0%BF%D0%B0%D1%80%D0%BE%D0%BB%D1%8C%20%26%20100%25&actionid=resume";
  EXPECT_NE(Post(web.Port(), "/ctrl.sky", utf8).find("Resumed"), std::string::npos);
  EXPECT_NE(Post(web.Port(), "/ctrl.sky", "password=мой пароль & 100%&actionid=pause").find("invalid"),
            std::string::npos)
      << "an undecoded body is not the password";
  EXPECT_EQ(web.service.Events(), (std::vector<std::string>{"timer off", "timer on"}));
}

TEST(AdminControl, PauseWinsAndUnknownCommandsAreAnswered) {
  test::WebServerFixture web;
  EXPECT_NE(Post(web.Port(), "/ctrl.sky", "password=pintowel&actionid=resume&actionid=pause").find("PAUSED"),
            std::string::npos);
  EXPECT_EQ(Post(web.Port(), "/ctrl.sky", "password=pintowel&actionid=shutdown"),
            ResultPage(web, "<font color = \"$FF0000\">Unknown command!</font>"));
  EXPECT_EQ(web.service.Events(), std::vector<std::string>{"timer off"});
  EXPECT_TRUE(
      HasLine(web.home.LogLines(), "TS\tКТО-ТО ДОЛБИТСЯ НА СЕРВЕР С НЕПОНЯТНОЙ КОМАНДОЙ  IP = 127.0.0.1\t"));
}

TEST(AdminControl, ResetWithoutServerIdResetsTheFirstDatabase) {
  test::WebServerFixture web;
  Post(web.Port(), "/ctrl.sky", "password=pintowel&actionid=reset");
  EXPECT_EQ(web.service.Events(), std::vector<std::string>{"reset "});
  EXPECT_TRUE(HasLine(web.home.LogLines(), "TS\tЗапрошен сброс данных. IP = 127.0.0.1\tServerID = "));
}

TEST(AdminControl, ThePasswordNeverReachesTheLog) {
  test::WebServerFixture web;
  web.home.WriteSettings(test::WebSettings("s3cr3t-word", 11));
  web.home.ClearLog();
  Post(web.Port(), "/ctrl.sky", "password=s3cr3t-word&actionid=pause");
  Post(web.Port(), "/ctrl.sky", "password=wrong-guess&actionid=pause");
  const std::vector<std::string> log = web.home.LogLines();
  for (const std::string& line : log) {
    EXPECT_EQ(line.find("s3cr3t"), std::string::npos) << line;
    EXPECT_EQ(line.find("wrong-guess"), std::string::npos) << line;
  }
  EXPECT_TRUE(HasLine(log, "TS\tPostData : password=********&actionid=pause\t"));
  EXPECT_TRUE(HasLine(log, "TS\tCurrent admin password = ********\t"));
}

TEST(AdminControl, PasswordAcceptanceRules) {
  EXPECT_TRUE(PasswordAccepted("password=pintowel", "pintowel"));
  EXPECT_TRUE(PasswordAccepted("actionid=pause&password=pin%74owel", "pintowel"));
  EXPECT_FALSE(PasswordAccepted("password=pintowel", ""));
  EXPECT_FALSE(PasswordAccepted("password=pintowel%00", "pintowel"));
  EXPECT_TRUE(PasswordAccepted("password=a+b", "a b"));
  EXPECT_FALSE(PasswordAccepted("password=a%2Bb", "a b"));
}

}  // namespace
}  // namespace sky
