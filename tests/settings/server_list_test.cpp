#include <gtest/gtest.h>

#include "base/encoding.h"
#include "settings/query_files.h"
#include "settings/server_list.h"
#include "settings/settings.h"
#include "support/program_home.h"

namespace sky {
namespace {

class ServerListTest : public ::testing::Test {
 protected:
  void WriteServers(const std::string& servers) const {
    test::WriteFileBytes(home_.SettingsFile(),
                         Utf8ToCp1251("<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n<skyranks>" + servers +
                                      "</skyranks>"));
  }

  test::ProgramHome home_;
};

TEST_F(ServerListTest, EntriesInFileOrderWithTheirRules) {
  WriteServers(
      "<mysql host=\"a\" user=\"u\" pass=\"p\" db=\"d\"/>"
      "<mysql id=\"7\" active=\"0\" host=\"" + std::string(40, 'h') + "\" port=\"3307\" charset=\"cp1251\"/>"
      "<mysql id=\"12345678901\" active=\"no\" port=\"70000\"/>"
      "<mysql id=\"\" active=\"false\"/><mysql active=\"10\"/><mysql active=\"\"/><mysql active=\"1\"/>");
  TServerList list = {TServerEntry{}};  // replaced, not appended to
  ASSERT_TRUE(ReadServerList(home_.SettingsFile(), list));
  ASSERT_EQ(list.size(), 7u);
  EXPECT_EQ(list[0].Host + list[0].User + list[0].Pass + list[0].Db, "aupd");
  EXPECT_EQ(list[0].Id, "1");
  EXPECT_TRUE(list[0].Active);
  EXPECT_EQ(list[0].Port, 3306);
  EXPECT_EQ(list[0].Charset, "utf8mb4");

  EXPECT_EQ(list[1].Id, "7");
  EXPECT_EQ(list[1].Host, std::string(30, 'h'));
  EXPECT_EQ(list[1].Port, 3307);
  EXPECT_EQ(list[1].Charset, "cp1251");

  EXPECT_EQ(list[2].Id, "1234567890");
  EXPECT_EQ(list[2].Port, 4464);
  EXPECT_EQ(list[3].Id, "1");

  std::vector<bool> active;
  for (const TServerEntry& entry : list) active.push_back(entry.Active);
  EXPECT_EQ(active, (std::vector<bool>{true, false, false, false, true, true, true}));
}

TEST_F(ServerListTest, MissingOrMalformedFilesGiveNoEntries) {
  TServerList list = {TServerEntry{}};
  EXPECT_FALSE(ReadServerList(home_.SettingsFile(), list));
  EXPECT_TRUE(list.empty());
  test::WriteFileBytes(home_.SettingsFile(), "<skyranks><mysql>");
  EXPECT_FALSE(ReadServerList(home_.SettingsFile(), list));
  WriteServers("");
  EXPECT_FALSE(ReadServerList(home_.SettingsFile(), list));
}

TEST_F(ServerListTest, LookupByIdFallsBackToTheFirstEntry) {
  WriteServers(
      "<mysql id=\"1\" host=\"first\" db=\"one\"/>"
      "<mysql id=\"2\" host=\"second\" user=\"u2\" pass=\"p2\" db=\"two\" port=\"3310\" charset=\"latin1\"/>"
      "<mysql id=\"a&quot;b\" host=\"quoted\"/>");
  TServerEntry entry;
  entry.Id = "x";
  entry.Active = false;
  ASSERT_TRUE(FindServerById(home_.SettingsFile(), "2", entry));
  EXPECT_EQ(entry.Host + entry.User + entry.Pass + entry.Db, "secondu2p2two");
  EXPECT_EQ(entry.Port, 3310);
  EXPECT_EQ(entry.Charset, "latin1");
  EXPECT_EQ(entry.Id, "x") << "id and active are left as they were";
  EXPECT_FALSE(entry.Active);

  ASSERT_TRUE(FindServerById(home_.SettingsFile(), "99", entry));
  EXPECT_EQ(entry.Host, "first");
  EXPECT_EQ(entry.User, "") << "a missing attribute gives empty text";
  EXPECT_EQ(entry.Port, 3306);
  EXPECT_EQ(entry.Charset, "utf8mb4");

  // Any id is safe: it is compared, never put into a path expression.
  ASSERT_TRUE(FindServerById(home_.SettingsFile(), "a\"b", entry));
  EXPECT_EQ(entry.Host, "quoted");
  ASSERT_TRUE(FindServerById(home_.SettingsFile(), "\"]|//*[\"", entry));
  EXPECT_EQ(entry.Host, "first");
}

TEST_F(ServerListTest, LookupWithoutEntriesLeavesTheEntryAlone) {
  TServerEntry entry;
  entry.Host = "kept";
  EXPECT_FALSE(FindServerById(home_.SettingsFile(), "1", entry)) << "no file";
  WriteServers("<admin port=\"1\"/>");
  EXPECT_FALSE(FindServerById(home_.SettingsFile(), "1", entry));
  test::WriteFileBytes(home_.SettingsFile(), "not xml");
  EXPECT_FALSE(FindServerById(home_.SettingsFile(), "1", entry));
  EXPECT_EQ(entry.Host, "kept");
}

TEST_F(ServerListTest, QueryFilesByNumber) {
  EXPECT_EQ(FindQueryFile(home_.SettingsFile(), "1"), std::nullopt) << "no file";
  WriteServers("<x><queries><query qid=\"7\" fname=\"q/seven.sql\"/><query qid=\"8\" fname=\"\"/>"
               "<query qid=\"9\"/></queries></x>");
  const std::pair<const char*, std::optional<std::string>> cases[] = {
      {"7", "q/seven.sql"}, {"007", "q/seven.sql"}, {"8", ""},
      {"9", std::nullopt},  {"10", std::nullopt},   {"", std::nullopt},
      {"7 or 1=1", std::nullopt}, {"7]|//*[1", std::nullopt}};
  for (const auto& [qid, file] : cases) EXPECT_EQ(FindQueryFile(home_.SettingsFile(), qid), file) << qid;
}

}  // namespace
}  // namespace sky
