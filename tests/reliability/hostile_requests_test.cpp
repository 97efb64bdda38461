// Requests an attacker on the open port could send. The server must neither
// crash nor hang, must not give away files outside its folder or its
// settings, must run no command without the password, and must answer the
// next ordinary request as if nothing had happened.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "web/http_test_client.h"

namespace sky {
namespace {

using namespace std::chrono_literals;
using test::ClientSocket;
using test::Exchange;
using test::Post;

// What must never leave the server: the database password and the admin
// password from the settings file, and a file beside the program's folder.
void ExpectNothingSecret(const std::string& answer, const std::string& what) {
  EXPECT_EQ(answer.find("secret-db"), std::string::npos) << what;
  EXPECT_EQ(answer.find("pintowel"), std::string::npos) << what;
  EXPECT_EQ(answer.find("OUTSIDE-THE-FOLDER"), std::string::npos) << what;
}

void ExpectStillServing(test::WebServerFixture& web) {
  EXPECT_EQ(test::Get(web.Port(), "/"), web.DefaultPage()) << "the server answers the next request";
}

TEST(ReliabilityHostileRequests, OversizeRequestsAreDroppedAndTheServerGoesOn) {
  test::WebServerFixture web;
  EXPECT_EQ(Exchange(web.Port(), "GET /?" + std::string(1 << 20, 'a') + " HTTP/1.1\r\n\r\n"), "")
      << "a request line of 1 MiB";
  std::string headers;
  for (int i = 0; i < 10'000; ++i) headers += "X-H" + std::to_string(i) + ": v\r\n";
  EXPECT_EQ(Exchange(web.Port(), "GET / HTTP/1.1\r\n" + headers + "\r\n"), "") << "10,000 header lines";
  ExpectStillServing(web);
}

TEST(ReliabilityHostileRequests, BinaryGarbageGetsNoAnswerOrAnOrdinaryOne) {
  // Garbage without a line end waits for the deadline; keep it short.
  THttpLimits limits;
  limits.request_timeout = 300ms;
  test::WebServerFixture web(limits);
  std::mt19937 random(20261208);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int round = 0; round < 24; ++round) {
    std::string garbage(64 + round * 400, '\0');
    for (char& c : garbage) c = static_cast<char>(byte(random));
    // Every other round looks like the start of a request.
    if (round % 2) garbage = (round % 4 == 1 ? "GET /" : "POST /ctrl.sky HTTP/1.1\r\n") + garbage + "\r\n\r\n";
    const std::string answer = Exchange(web.Port(), garbage);
    EXPECT_TRUE(answer.empty() || answer.starts_with("HTTP/1.1 200 OK\r\n")) << "round " << round;
    ExpectNothingSecret(answer, "garbage round " + std::to_string(round));
  }
  EXPECT_TRUE(web.service.Events().empty());
  ExpectStillServing(web);
}

TEST(ReliabilityHostileRequests, AbsurdContentLengthsNeitherAllocateNorRunCommands) {
  test::WebServerFixture web;
  for (const std::string length : {"1099511627776", "18446744073709551615", "99999999999999999999999",
                                   "-1", "-1099511627776", "0x10", "1e3", " 33 33"}) {
    const std::string answer = Exchange(web.Port(), "POST /ctrl.sky HTTP/1.1\r\nContent-Length: " + length +
                                                        "\r\n\r\npassword=pintowel&actionid=pause");
    EXPECT_TRUE(answer.empty() || answer.starts_with("HTTP/1.1 200 OK\r\n")) << length;
  }
  EXPECT_TRUE(web.service.Events().empty()) << "no body was read, so no command ran";
  ExpectStillServing(web);
}

TEST(ReliabilityHostileRequests, PathsNeverLeaveTheProgramFolderNorShowTheSettings) {
  test::WebServerFixture web;
  const std::filesystem::path home(web.home.Dir());
  test::WriteFileBytes((home.parent_path() / (home.filename().string() + "-outside.xml")).string(),
                       "<x>OUTSIDE-THE-FOLDER</x>");
  std::filesystem::create_directories(home / "xsl");
  const std::string outside = "../" + home.filename().string() + "-outside.xml";
  const std::vector<std::string> targets = {
      "/" + outside, "/xsl/../" + outside, "/xsl/../../" + home.filename().string() + "/skyranks.xml",
      "/./skyranks.xml", "/xsl/../skyranks.xml", "/SKYRANKS.XML", "/skyranks.xml.", "//etc/passwd",
      "/..\\" + outside.substr(3), "/xsl\\..\\skyranks.xml", "/%2e%2e/" + outside.substr(3),
      "/" + home.string() + "/skyranks.xml", std::string("/skyranks.xml\0.jpg", 18),
      std::string("/skyranks\0.xml", 14), "/.%00./" + outside.substr(3), "/xsl/", "/.."};
  for (const std::string& target : targets) {
    const std::string answer = test::Get(web.Port(), target);
    ExpectNothingSecret(answer, target);
  }
  ExpectStillServing(web);
}

TEST(ReliabilityHostileRequests, ThePasswordMustBeTheWholeFieldOfThatName) {
  test::WebServerFixture web;
  int source = 0;
  for (const std::string body :
       {"password=Xpintowel&actionid=pause", "password=pintowel%00&actionid=pause",
        "password=%00pintowel&actionid=pause", "password=pintowel+&actionid=pause",
        "password=+pintowel&actionid=pause", "password=pin&towel=&actionid=pause",
        "password=x&password=pintowel&actionid=pause", "pass%77ord=pintowel%26actionid%3Dpause",
        "password%00=pintowel&actionid=pause", "actionid=pause&p=pintowel&passwordpintowel",
        "password=pintowel\r\n&actionid=pause", "password=pintowelpintowel&actionid=pause"}) {
    // Each from an address of its own: ten wrong passwords from one address
    // would lock it out, and the later bodies would not be judged at all.
    test::ClientSocket client("127.0.0.1", web.Port(), "127.0.1." + std::to_string(++source));
    client.Send("POST /ctrl.sky HTTP/1.1\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body);
    EXPECT_NE(client.ReadToEnd().find("invalid password!"), std::string::npos) << body;
    EXPECT_TRUE(web.service.Events().empty()) << body;
    web.service.ClearEvents();
  }
  // The same form with the right password does run: the refusals above are
  // not a broken form.
  Post(web.Port(), "/ctrl.sky", "password=pintowel&actionid=pause");
  EXPECT_FALSE(web.service.Events().empty());
}

// Slow senders, one byte a second, against the deadline the program runs
// with: each is cut off without an answer once its request is overdue, and
// ordinary clients are served as usual all the while.
TEST(ReliabilityHostileRequests, OneByteASecondIsCutOffAtTheDeadlineWhileOthersAreServed) {
  const THttpLimits limits;
  test::WebServerFixture web(limits);
  const std::string request = "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
  ASSERT_GT(request.size() * 1s, limits.request_timeout) << "the whole request would be overdue";

  struct Slow {
    std::size_t sent = 0;
    bool cut = false;  // the server closed before the request was complete
    std::string answer;
  };
  std::vector<Slow> slow(8);
  std::atomic<std::size_t> sending{slow.size()};
  std::vector<std::thread> senders;
  for (Slow& sender : slow) {
    senders.emplace_back([&] {
      try {
        ClientSocket client(web.Port());
        for (char c : request) {
          if (!client.Send(std::string(1, c))) {
            sender.cut = true;
            break;
          }
          ++sender.sent;
          if (!client.SilentFor(1s)) {
            sender.cut = true;  // the server spoke or closed
            break;
          }
        }
        sender.answer = client.ReadToEnd(5s);
      } catch (const std::exception& e) {
        sender.answer = e.what();
      }
      --sending;
    });
  }
  int served = 0;
  while (sending > 0) {
    EXPECT_EQ(test::Get(web.Port(), "/"), web.DefaultPage()) << "an ordinary request beside the slow ones";
    ++served;
    std::this_thread::sleep_for(200ms);
  }
  for (std::thread& sender : senders) sender.join();

  for (const Slow& sender : slow) {
    EXPECT_TRUE(sender.cut);
    EXPECT_LT(sender.sent, request.size());
    EXPECT_EQ(sender.answer, "");
  }
  EXPECT_GT(served, 1);
  ExpectStillServing(web);
}

}  // namespace
}  // namespace sky
