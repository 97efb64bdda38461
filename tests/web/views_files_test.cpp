// Static files, the banner and the names that must never be served, through
// a running web server.
#include <gtest/gtest.h>

#include <filesystem>

#include "settings/paths.h"
#include "support/temp_dir.h"
#include "web/http_test_client.h"
#include "web/answer_framing.h"
#include "web/view_params.h"
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
