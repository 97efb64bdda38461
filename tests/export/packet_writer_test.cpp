// The direct packet writer against the document route, byte for byte: texts
// of every character, escapes, broken UTF-8, NULLs, odd column names, real
// column types from the server; and the packet as an answer carries it
// against the document's packet read back and given the stylesheet.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "base/encoding.h"
#include "db/query.h"
#include "db/session.h"
#include "export/dataset_xml.h"
#include "export/dom_packet.h"
#include "export/packet_writer.h"
#include "support/test_db.h"

namespace sky {
namespace {

using Row = TQuery::TRowTexts;

std::string Utf8(char32_t cp) {
  std::string out;
  AppendUtf8(out, cp);
  return out;
}

// What each writer gives for one result: the packet, or the failure text.
struct TOutcome {
  std::string packet;
  std::string error;
};

TOutcome Direct(TQuery& query) {
  TOutcome outcome;
  try {
    WriteDataPacket(query, outcome.packet);
  } catch (const std::exception& e) {
    outcome.packet.clear();
    outcome.error = e.what();
  }
  return outcome;
}

TOutcome Document(TQuery& query) {
  TOutcome outcome;
  try {
    outcome.packet = DomPacketText(query);
  } catch (const std::exception& e) {
    outcome.error = e.what();
  }
  return outcome;
}

class PacketWriterTest : public ::testing::Test {
 protected:
  // Both writers on the same rows; returns the packet they agree on.
  std::string ExpectSame(const std::vector<std::string>& columns, const std::vector<Row>& rows) {
    query().OpenRows(columns, rows);
    const TOutcome reference = Document(query());
    const TOutcome direct = Direct(query());
    EXPECT_EQ(direct.error, reference.error);
    EXPECT_EQ(direct.packet, reference.packet);
    return direct.packet;
  }

  // Both ways of writing the open rows as an answer; returns the answer
  // they agree on.
  std::string ExpectSameAnswer(const std::string& href) {
    TOutcome reference, direct;
    try {
      reference.packet = DomPacketText(query(), href);
    } catch (const std::exception& e) {
      reference.error = e.what();
    }
    try {
      WriteAnswerPacket(query(), direct.packet, href);
    } catch (const std::exception& e) {
      direct.error = e.what();
    }
    EXPECT_EQ(direct.error, reference.error) << href;
    EXPECT_EQ(direct.packet, reference.packet) << href;
    return direct.packet;
  }

  TQuery& query() { return session_.mySQLQuery1; }

  TdmMySQL session_;
};

TEST_F(PacketWriterTest, EveryCharacterAsTheDocumentWritesIt) {
  // Every scalar value of the basic plane, 256 to a value, then the planes
  // beyond with emoji, the last character and characters XML forbids.
  std::vector<Row> rows;
  std::string text;
  for (char32_t cp = 0; cp <= 0xFFFF; ++cp) {
    if (cp >= 0xD800 && cp <= 0xDFFF) continue;
    text += Utf8(cp);
    if ((cp & 0xFF) == 0xFF) {
      rows.push_back({text});
      text.clear();
    }
  }
  rows.push_back({Utf8(0x1F6E9) + Utf8(0x1F600) + "Сокол" + Utf8(0x10000) + Utf8(0x10FFFF)});
  std::string packet = ExpectSame({"v"}, rows);
  EXPECT_NE(packet.find("&#128745;"), std::string::npos) << "emoji as a decimal reference";
  EXPECT_NE(packet.find("\xD1\xEE\xEA\xEE\xEB"), std::string::npos) << "Cyrillic as Windows-1251 bytes";
}

TEST_F(PacketWriterTest, EscapesControlsAndBrokenUtf8) {
  std::string ascii;
  for (int c = 0; c < 0x80; ++c) ascii += static_cast<char>(c);
  const std::string packet = ExpectSame(
      {"v"}, {{ascii},
              {"He said \"go\" & 'Q' <now>\t\r\n>"},
              {"&amp; &#10; ]]> <!-- -->"},
              {std::string("nul\0inside", 10)},
              {"x\xFFy\xD0"},                  // invalid, then truncated
              {"\xED\xA0\x80 \xC0\xAF \xF4\x90\x80\x80"},  // surrogate, overlong, past U+10FFFF
              {"\xEF\xBF\xBE\xEF\xBF\xBF"},    // U+FFFE, U+FFFF
              {"\x80\xBF lone continuations"},
              {"\xE2\x82"},                    // cut at the end
              {""}});
  EXPECT_NE(packet.find("&quot;go&quot; &amp; 'Q' &lt;now&gt;&#9;&#13;&#10;&gt;"), std::string::npos) << packet;
  EXPECT_NE(packet.find("<ROW v=\"\"/>"), std::string::npos) << "an empty text is an empty attribute";
}

TEST_F(PacketWriterTest, EmptyResultsNullsAndRowShapes) {
  EXPECT_EQ(ExpectSame({"id", "callsign"}, {}),
            "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n"
            "<DATAPACKET Version=\"2.0\"><ROWDATA/></DATAPACKET>\n");
  EXPECT_EQ(ExpectSame({"id", "callsign"}, {{"7", "Falcon"}, {"9", std::nullopt}, {std::nullopt, std::nullopt}}),
            "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n"
            "<DATAPACKET Version=\"2.0\"><ROWDATA><ROW id=\"7\" callsign=\"Falcon\"/><ROW id=\"9\"/>"
            "<ROW/></ROWDATA></DATAPACKET>\n");
  ExpectSame({}, {{}, {}});
}

TEST_F(PacketWriterTest, ColumnNamesOddButAllowed) {
  const Row values = {"1", "2", "3"};
  ExpectSame({"позывной", "ранг", "Ё"}, {values});
  ExpectSame({"a:b", "xml:lang", "xmlns"}, {values});
  ExpectSame({"_x", "x.y-z", "x1"}, {values});
}

TEST_F(PacketWriterTest, NamesWithoutAWindows1251ByteAreRefusedOnlyWhenWritten) {
  // Such a character could only stand in a name as a reference, which no
  // parser takes there: a packet with that attribute is refused, not sent broken.
  const std::vector<std::string> columns = {"a" + Utf8(0x540D), "b" + Utf8(0x0100), "c"};
  query().OpenRows(columns, {{"1", "2", "3"}});
  EXPECT_NE(Document(query()).error.find("windows-1251"), std::string::npos);
  ExpectSame(columns, {{"1", "2", "3"}});
  ExpectSame(columns, {{std::nullopt, "2", "3"}});
  EXPECT_NE(ExpectSame(columns, {{std::nullopt, std::nullopt, "3"}}).find("<ROW c=\"3\"/>"), std::string::npos)
      << "without the attribute the packet is written";
  EXPECT_NE(ExpectSame(columns, {}).find("<ROWDATA/>"), std::string::npos);
}

TEST_F(PacketWriterTest, RepeatedColumnNamesGiveOneAttribute) {
  // The later value wins, in the place where the name was first set in that row.
  const std::string packet = ExpectSame(
      {"a", "b", "a", "A"},
      {{"1", "2", "3", "4"}, {std::nullopt, "2", "3", "4"}, {"1", "2", std::nullopt, std::nullopt}, {std::nullopt, "2", std::nullopt, "4"}});
  EXPECT_NE(packet.find("<ROW a=\"3\" b=\"2\" A=\"4\"/><ROW b=\"2\" a=\"3\" A=\"4\"/>"), std::string::npos) << packet;
  ExpectSame({"xml:lang", "xml:lang", "p:x", "p:x"}, {{"1", "2", "3", "4"}});
}

TEST_F(PacketWriterTest, ColumnNamesThatAreNoXmlNames) {
  query().OpenRows({"id", "count(*)", "1x"}, {{"1", std::nullopt, "3"}});
  const TOutcome direct = Direct(query());
  const TOutcome reference = Document(query());
  EXPECT_EQ(direct.error, "column name is not a valid XML attribute name: count(*)");
  EXPECT_EQ(direct.error, reference.error) << "a NULL value does not hide the name";

  ExpectSame({"id", ""}, {{"1", "2"}});
  ExpectSame({"count(*)"}, {});  // no row, no attribute: the packet is written
  ExpectSame({"a", "xml:la:2"}, {{"1", "2\n"}});
  EXPECT_EQ(Direct(query()).error, "column name is not a valid XML attribute name: xml:la:2")
      << "a name the parser would not read back";
  ExpectSame({"ok", std::string("\xE9t\xE9", 3)}, {{"1", "2"}});  // not UTF-8
  ExpectSame({"a", std::string("a\0b", 3), std::string("c\0", 2)}, {{"1", "2", "3"}});
}

TEST_F(PacketWriterTest, RandomTextsAgree) {
  // Pieces that meet each other in every order: escapes, references, two
  // and four byte characters, broken bytes and plain runs.
  const std::vector<std::string> pieces = {
      "a", "Z9 ", "&", "<", ">", "\"", "'", "\t", "\r\n", "\x01", "\x7F", "Я", "ё", "№", "€", "\xC2\x98",
      "\xC2\xA0", "\xE2\x80\x94", "\xE4\xB8\xAD", "\xF0\x9F\x9A\x80", "\xFF", "\xC3", "\xE2\x82", "\xED\xBF\xBF",
      "&#65;", "]]>", "?>"};
  std::mt19937 random(20260);
  std::vector<Row> rows;
  for (int r = 0; r < 2000; ++r) {
    Row row;
    for (int c = 0; c < 3; ++c) {
      if (random() % 7 == 0) {
        row.push_back(std::nullopt);
        continue;
      }
      std::string text;
      for (int n = static_cast<int>(random() % 12); n > 0; --n) text += pieces[random() % pieces.size()];
      row.push_back(text);
    }
    rows.push_back(row);
  }
  ExpectSame({"x", "callsign", "y"}, rows);
  ExpectSameAnswer("./xsl/pilotlist.xsl");
}

TEST_F(PacketWriterTest, AnswersCarryTheStylesheetAfterTheDeclaration) {
  const std::string line = "<?xml-stylesheet type=\"text/xsl\" href=\"./xsl/pilotlist.xsl\"?>\n";
  const std::string declaration = "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n";
  struct TCase {
    std::vector<std::string> columns;
    std::vector<Row> rows;
    bool plain;  // the answer is the packet with the line after the declaration
  };
  const TCase cases[] = {
      {{"id", "callsign"}, {{"7", "Сокол & <Я>\t" + Utf8(0x1F600)}, {"9", std::nullopt}}, true},
      {{"id"}, {}, true},
      {{"позывной"}, {{"1"}}, true},
      {{"xml:lang"}, {{std::nullopt}}, true},  // the name never written
      // Names the parser reads as namespaces: the answer is what it makes of
      // them ("xmlns" goes first, an empty prefix declaration is dropped).
      {{"id", "xmlns"}, {{"1", "urn:x"}}, false},
      {{"xmlns:p", "xml:lang"}, {{"", "ru"}}, false},
      {{"a", std::string("a\0b", 3)}, {{"1", "2"}}, true},  // through the document
  };
  for (const TCase& c : cases) {
    const std::string packet = ExpectSame(c.columns, c.rows);
    const std::string answer = ExpectSameAnswer("./xsl/pilotlist.xsl");
    if (c.plain) {
      EXPECT_EQ(answer, declaration + line + packet.substr(declaration.size())) << c.columns[0];
    } else {
      EXPECT_NE(answer, declaration + line + packet.substr(declaration.size())) << c.columns[0];
    }
    EXPECT_EQ(ExpectSameAnswer(""), c.plain ? packet : PacketWithStylesheet(packet, "")) << "no address, no line";
    // Addresses that cannot stand in the instruction as they are.
    ExpectSameAnswer("./xsl/список.xsl");
    ExpectSameAnswer("a?>b");
  }
}

// Values of real column types as the server sends them.
class PacketWriterDbTest : public PacketWriterTest {
 protected:
  void SetUp() override {
    SKY_REQUIRE_DB();
    db_ = std::make_unique<test::TestDatabase>();
    ASSERT_TRUE(ConnectDatabase(session_, db_->Entry()));
  }

  void ExpectSameFor(const std::string& sql) {
    query().SetText(sql);
    query().Open();
    const TOutcome reference = Document(query());
    const TOutcome direct = Direct(query());
    EXPECT_EQ(direct.error, reference.error) << sql;
    EXPECT_EQ(direct.packet, reference.packet) << sql;
    // Through the public entry too: the same bytes reach the stream.
    std::ostringstream out;
    if (reference.error.empty()) {
      SaveDataSetXML(query(), out);
      EXPECT_EQ(out.str(), reference.packet);
    }
    query().Close();
  }

  TDbThreadScope thread_scope_;
  std::unique_ptr<test::TestDatabase> db_;
};

TEST_F(PacketWriterDbTest, EveryColumnTypeAgrees) {
  ExpectSameFor(
      "select -42 as i, cast(18446744073709551615 as unsigned) as big, cast(0.1 as double) as f,"
      " cast(1e20 as double) as fbig, cast(-2.5e-7 as double) as fsmall, cast(1 as double) / 3 as third,"
      " cast(12.500 as decimal(10,3)) as d, cast('2026-12-06' as date) as dt,"
      " cast('2026-12-06 21:05:09.75' as datetime(2)) as ts, cast('2026-12-06 00:00:00' as datetime) as midnight,"
      " cast('-838:59:59' as time) as tm, 'x' as s, '' as empty, null as n, x'00FF41' as bin,"
      " cast('Сокол' as binary) as textbin, _utf8mb4'\xF0\x9F\x9B\xA9 & \"q\"' as emoji,"
      " year('2026-01-01') as y, 1 = 1 as truth");
  db_->AddRankColumns();
  db_->Exec("insert into pilots (id, callsign) values (7, 'Falcon'), (8, 'Сокол_22'), (9, '<&\"\\t>')");
  ExpectSameFor("select id, callsign, realrank, armyid, 1 as srvid from pilots order by id");
  ExpectSameFor("select id, callsign from pilots where id < 0");
  ExpectSameFor("select count(*) from pilots");
  ExpectSameFor("select id, callsign as id from pilots order by 1");
}

}  // namespace
}  // namespace sky
