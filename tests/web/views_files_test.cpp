// Static files, the banner and the names that must never be served, through
// a running web server.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>

#include "base/paths.h"
#include "http/file_cache.h"
#include "http/file_name.h"
#include "support/temp_dir.h"
#include "web/banner.h"
#include "web/http_test_client.h"
#include "web/views_answers.h"

namespace sky {
namespace {

using test::BodyOf;
using test::FileHead;
using test::Get;
using test::HeadOf;

class FileViews : public ::testing::Test {
 protected:
  void SetUp() override {
    web_.home.WriteSettings(test::WebSettings("pintowel", 0));  // the log file stays as written here
    std::filesystem::create_directories(web_.home.File("xsl"));
    std::filesystem::create_directories(web_.home.File("img/planes"));
    test::WriteFileBytes(web_.home.File("xsl/history.xsl"), kStylesheet);
    test::WriteFileBytes(web_.home.File("img/planes/yak.jpg"), kJpeg);
    test::WriteFileBytes(web_.home.File("awards.xml"), "<awards/>");
    test::WriteFileBytes(web_.home.LogFile(), "log line\r\n");
  }

  std::string Fetch(const std::string& target) { return Get(web_.Port(), target); }
  std::string DefaultPage() const { return web_.DefaultPage(); }

  const std::string kStylesheet = "<xsl:stylesheet/>\r\n";
  const std::string kJpeg = std::string("\xFF\xD8\xFF\x00jpeg\x00\xFF\xD9", 11);
  test::WebServerFixture web_;
};

TEST_F(FileViews, FilesBesideTheProgramComeWithTheFileHead) {
  EXPECT_EQ(Fetch("/xsl/history.xsl"), FileHead(kStylesheet.size()) + kStylesheet);
  EXPECT_EQ(Fetch("/img/planes/yak.jpg"), FileHead(kJpeg.size()) + kJpeg) << "binary bytes, NUL included";
  EXPECT_EQ(Fetch("/xsl/HISTORY.XSL"), "") << "names are looked up as written; a missing file gets nothing";
  EXPECT_EQ(Fetch("/xsl/missing.xml"), "");
  EXPECT_EQ(Fetch("/xsl/history.xsl?v=2"), DefaultPage()) << "the extension takes in the query string";
  EXPECT_EQ(Fetch("/readme.txt"), DefaultPage());
}

TEST_F(FileViews, TheBannerIsTheOnlyGif) {
  const std::string banner = Fetch("/SKY.GIF");
  EXPECT_EQ(banner, Fetch("/sky.gif"));
  EXPECT_EQ(HeadOf(banner), "HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: " +
                                std::to_string(BannerImage().size()) + "\r\nContent-Type: image/gif\r\n\r\n");
  const std::string image = BodyOf(banner);
  ASSERT_GE(image.size(), 10u);
  EXPECT_EQ(image.substr(0, 6), "GIF89a");
  EXPECT_EQ(static_cast<unsigned char>(image[6]) | static_cast<unsigned char>(image[7]) << 8, 128);
  EXPECT_EQ(static_cast<unsigned char>(image[8]) | static_cast<unsigned char>(image[9]) << 8, 35);
  EXPECT_EQ(image.back(), '\x3B') << "the GIF trailer ends the image";

  test::WriteFileBytes(web_.home.File("other.gif"), "GIF89a");
  EXPECT_EQ(Fetch("/other.gif"), "");
  EXPECT_EQ(Fetch("/xsl/sky.gif"), "") << "the banner has no folder";
}

// Files old enough to be kept in memory, then changed in the ways a file
// changes; each answer must be the file as it is now.
TEST_F(FileViews, AChangedFileIsServedAnew) {
  namespace fs = std::filesystem;
  const std::string path = web_.home.File("xsl/kept.xsl");
  const auto long_ago = fs::file_time_type::clock::now() - std::chrono::hours(1);
  auto write_old = [&](const std::string& where, const std::string& bytes) {
    test::WriteFileBytes(where, bytes);
    fs::last_write_time(where, long_ago);
  };
  const std::vector<std::pair<const char*, std::function<std::string()>>> changes = {
      {"other bytes, the same size and time", [&] {
         write_old(path, "<xsl:stylesheet/>\r\nTWO");
         return std::string("<xsl:stylesheet/>\r\nTWO");
       }},
      {"the same size, another time", [&] {
         test::WriteFileBytes(path, "<xsl:stylesheet/>\r\nTRI");
         return std::string("<xsl:stylesheet/>\r\nTRI");
       }},
      {"longer", [&] {
         write_old(path, "<xsl:stylesheet version='1.0'/>");
         return std::string("<xsl:stylesheet version='1.0'/>");
       }},
      {"replaced by another file", [&] {
         write_old(web_.home.File("xsl/next.xsl"), "<xsl:stylesheet/>\r\nRPL");
         fs::rename(web_.home.File("xsl/next.xsl"), path);
         return std::string("<xsl:stylesheet/>\r\nRPL");
       }},
      {"larger than is kept in memory", [&] {
         const std::string large(kFileCacheEntryBytes + 3, 'L');
         write_old(path, large);
         return large;
       }},
  };
  for (const auto& [what, change] : changes) {
    write_old(path, "<xsl:stylesheet/>\r\nONE");
    ASSERT_EQ(Fetch("/xsl/kept.xsl"), FileHead(22) + "<xsl:stylesheet/>\r\nONE") << what;
    ASSERT_EQ(Fetch("/xsl/kept.xsl"), FileHead(22) + "<xsl:stylesheet/>\r\nONE") << what << ", kept";
    const std::string now = change();
    EXPECT_EQ(Fetch("/xsl/kept.xsl"), FileHead(now.size()) + now) << what;
  }
  fs::remove(path);
  EXPECT_EQ(Fetch("/xsl/kept.xsl"), "") << "a deleted file gets nothing, as one never there";
}

TEST_F(FileViews, TheSettingsFileIsNeverSent) {
  for (const char* name : {"/skyranks.xml", "/SKYRANKS.XML", "/SkyRanks.Xml"}) {
    EXPECT_EQ(Fetch(name), DefaultPage()) << name;
  }
  test::WriteFileBytes(web_.home.File("xsl/skyranks.xml"), "<copy password='x'/>");
  EXPECT_EQ(Fetch("/xsl/skyranks.xml"), DefaultPage()) << "not in a folder either";
  EXPECT_EQ(Fetch("/xsl/SkyRanks.xml"), DefaultPage());
  EXPECT_EQ(Fetch("/awards.xml"), FileHead(9) + "<awards/>") << "other XML files are served";
}

TEST_F(FileViews, TheLogFileOnlyUnderItsExactName) {
  EXPECT_EQ(Fetch("/skyranks.log"), FileHead(10) + "log line\r\n");
  EXPECT_EQ(Fetch("/SKYRANKS.LOG"), DefaultPage());
  EXPECT_EQ(Fetch("/skyranks.Log"), DefaultPage());
  std::filesystem::remove(web_.home.LogFile());
  EXPECT_EQ(Fetch("/skyranks.log"), DefaultPage());
}

TEST_F(FileViews, NamesThatLeadOutOfTheProgramFolderAreRefused) {
  // A secret beside the program's folder, and the names that would reach it.
  test::TempDir outside;
  test::WriteFileBytes(outside.File("secret.xml"), "SECRET");
  test::WriteFileBytes(outside.File("secret.jpg"), "SECRET");
  test::WriteFileBytes(outside.File("skyranks.log"), "SECRET");
  const std::string sibling = std::filesystem::path(outside.Path()).filename().string();
  const std::string up = "/xsl/../../" + sibling + "/";
  for (const std::string& target : std::vector<std::string>{up + "secret.xml", up + "secret.jpg", up + "skyranks.log", up + "nothing.gif",
        "/xsl/../awards.xml" /* even when it would land inside */, "/img/planes/../../skyranks.xml",
        "/xsl\\..\\..\\" + sibling + "\\secret.xml", "/xsl/..\\awards.xml", "/xsl/.."}) {
    const std::string answer = Fetch(target);
    EXPECT_EQ(answer, DefaultPage()) << target;
    EXPECT_EQ(answer.find("SECRET"), std::string::npos) << target;
  }
}

TEST(FileNames, ContainedNames) {
  EXPECT_TRUE(IsContainedFileName("xsl/history.xsl"));
  EXPECT_TRUE(IsContainedFileName("xsl/./history.xsl"));
  EXPECT_TRUE(IsContainedFileName("a..b.xml")) << "dots inside a name are no climbing";
  EXPECT_TRUE(IsContainedFileName("..x/y.xml"));
  EXPECT_FALSE(IsContainedFileName(""));
  EXPECT_FALSE(IsContainedFileName("/etc/passwd.xml"));
  EXPECT_FALSE(IsContainedFileName(".."));
  EXPECT_FALSE(IsContainedFileName("x/../../y.xml"));
  EXPECT_FALSE(IsContainedFileName("x\\y.xml"));
  EXPECT_FALSE(IsContainedFileName(std::string("x.xml\0.gif", 10)));
}

}  // namespace
}  // namespace sky
