#include "xml/xml_document.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/encoding.h"
#include "support/temp_dir.h"
#include "xml/xml_name.h"
#include "xml/xpath_index.h"

namespace sky {
namespace {

constexpr const char* kDeclaration = "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n";

TEST(XPathIndex, NumericIndexesCountFromZero) {
  EXPECT_EQ(ToXPath("/skyranks/ranks/rank[0]/@value"), "/skyranks/ranks/rank[1]/@value");
  EXPECT_EQ(ToXPath("/a[9]/b[99]"), "/a[10]/b[100]");
  EXPECT_EQ(ToXPath("/a[b[0]]"), "/a[b[1]]");
  // Filters and quoted texts pass unchanged.
  EXPECT_EQ(ToXPath("/skyranks/mysql[@id=3]"), "/skyranks/mysql[@id=3]");
  EXPECT_EQ(ToXPath("//query[@qid=\"[0]\"]/@fname"), "//query[@qid=\"[0]\"]/@fname");
  EXPECT_EQ(ToXPath("/a[last()]"), "/a[last()]");
}

TEST(TXmlDocument, SelectsByZeroBasedIndexAndInDocumentOrder) {
  TXmlDocument doc;
  ASSERT_TRUE(doc.LoadText("<r><i v='a'>x<b>y</b></i><i v='b'/><i v='c' w='1'/></r>"));
  EXPECT_EQ(doc.SelectFirst("/r/i[0]/@v").Value(), "a");
  EXPECT_EQ(doc.SelectFirst("/r/i[2]/@v").Value(), "c");
  EXPECT_TRUE(doc.SelectFirst("/r/i[3]").IsNull());
  EXPECT_EQ(doc.SelectFirst("/r/i[@v='b']").Name(), "i");

  std::vector<TXmlNode> all = doc.SelectAll("//i/@v");
  ASSERT_EQ(all.size(), 3u);
  EXPECT_EQ(all[0].Value() + all[1].Value() + all[2].Value(), "abc");
  EXPECT_EQ(all[0].Name(), "v");

  TXmlNode first = doc.SelectFirst("/r/i");
  EXPECT_EQ(first.Value(), "") << "an element has no value";
  EXPECT_EQ(first.Text(), "xy") << "text of the element and its descendants";
  EXPECT_EQ(doc.SelectAll("/r/i[2]")[0].Attributes(),
            (std::vector<std::pair<std::string, std::string>>{{"v", "c"}, {"w", "1"}}));
  EXPECT_EQ(first.Attribute("v"), "a");
  EXPECT_EQ(first.Attribute("V"), std::nullopt);

  TXmlNode none;
  EXPECT_EQ(none.Name() + none.Value() + none.Text(), "");
  EXPECT_TRUE(none.Attributes().empty());
  EXPECT_EQ(none.Attribute("v"), std::nullopt);
  EXPECT_TRUE(doc.SelectAll("count(/r/i)").empty()) << "a number is no node";
}

TEST(TXmlDocument, AnInvalidExpressionThrows) {
  TXmlDocument doc;
  ASSERT_TRUE(doc.LoadText("<r/>"));
  EXPECT_THROW(doc.SelectFirst("/r[@id=\"a\"b\"]"), TXmlError);
  EXPECT_THROW(doc.SelectAll("/r["), TXmlError);
  EXPECT_THROW(doc.SelectFirst(""), TXmlError);
}

TEST(TXmlDocument, FailedLoadsGiveFalseAndAnEmptyDocument) {
  test::TempDir dir;
  TXmlDocument doc;
  ASSERT_TRUE(doc.LoadText("<r/>"));
  EXPECT_FALSE(doc.LoadFile(dir.File("missing.xml")));
  EXPECT_TRUE(doc.Root().IsNull());

  ASSERT_TRUE(doc.LoadText("<r/>"));
  EXPECT_FALSE(doc.LoadText("<r><unclosed></r>"));
  EXPECT_TRUE(doc.Root().IsNull());
  EXPECT_FALSE(doc.LoadText(""));

  test::WriteFileBytes(dir.File("broken.xml"), "<?xml version=\"1.0\"?><a>");
  EXPECT_FALSE(doc.LoadFile(dir.File("broken.xml")));
}

TEST(TXmlDocument, ReadsWindows1251FilesIntoUtf8) {
  test::TempDir dir;
  test::WriteFileBytes(dir.File("ranks.xml"), Utf8ToCp1251(std::string(kDeclaration) +
                                                           "<ranks><rank name=\"майор\">генерал</rank></ranks>"));
  TXmlDocument doc;
  ASSERT_TRUE(doc.LoadFile(dir.File("ranks.xml")));
  EXPECT_EQ(doc.SelectFirst("/ranks/rank/@name").Value(), "майор");
  EXPECT_EQ(doc.SelectFirst("/ranks/rank").Text(), "генерал");
}

TEST(TXmlDocument, BuildsAndWritesWindows1251) {
  TXmlDocument doc;
  doc.AppendComment("Настройки");
  doc.AppendProcessingInstruction("xml-stylesheet", "type=\"text/xsl\" href=\"/xsl/a.xsl\"");
  TXmlNode root = doc.CreateRoot("skyranks");
  EXPECT_THROW(doc.CreateRoot("second"), TXmlError);
  root.SetAttribute("b", "1");
  root.SetAttribute("a", "2");
  root.SetAttribute("b", "3 & \"4\" <5>");  // replaced in place
  root.AppendComment("звания");
  TXmlNode rank = root.AppendElement("rank");
  rank.SetText("мл. л-т & <x>");
  rank.SetText("майор");  // replaces the text
  root.AppendElement("text").SetText("a < b & c");
  root.AppendElement("symbol").SetText("漢");

  const std::string expected = std::string(kDeclaration) +
                               "<!--Настройки-->\n"
                               "<?xml-stylesheet type=\"text/xsl\" href=\"/xsl/a.xsl\"?>\n"
                               "<skyranks b=\"3 &amp; &quot;4&quot; &lt;5&gt;\" a=\"2\">\n"
                               "  <!--звания-->\n"
                               "  <rank>майор</rank>\n"
                               "  <text>a &lt; b &amp; c</text>\n"
                               "  <symbol>&#28450;</symbol>\n"
                               "</skyranks>\n";
  EXPECT_EQ(doc.ToText(), Utf8ToCp1251(expected));

  // What was written reads back as it was built.
  TXmlDocument copy;
  ASSERT_TRUE(copy.LoadText(doc.ToText()));
  EXPECT_EQ(copy.Root().Attribute("b"), "3 & \"4\" <5>");
  EXPECT_EQ(copy.SelectFirst("/skyranks/symbol").Text(), "漢");
  EXPECT_EQ(copy.SelectFirst("/skyranks/rank").Text(), "майор");
}

TEST(TXmlDocument, InsertsAStylesheetBeforeTheRoot) {
  TXmlDocument doc;
  ASSERT_TRUE(doc.LoadText("<DATAPACKET Version=\"2.0\"><ROWDATA/></DATAPACKET>"));
  doc.SelectFirst("//DATAPACKET").InsertBefore(doc.CreateProcessingInstruction("xml-stylesheet", "href=\"a.xsl\""));
  // A created node that is never inserted is freed with the document.
  doc.CreateProcessingInstruction("unused", "x");
  EXPECT_EQ(doc.ToText(), std::string(kDeclaration) +
                              "<?xml-stylesheet href=\"a.xsl\"?>\n"
                              "<DATAPACKET Version=\"2.0\">\n  <ROWDATA/>\n</DATAPACKET>\n");
  EXPECT_THROW(TXmlNode().InsertBefore(doc.Root()), TXmlError);
}

TEST(TXmlDocument, RefusesWhatWouldNotReadBack) {
  TXmlDocument doc;
  TXmlNode root = doc.CreateRoot("r");
  EXPECT_THROW(root.AppendElement("two words"), TXmlError);
  EXPECT_THROW(root.SetAttribute("", "x"), TXmlError);
  EXPECT_THROW(TXmlNode().AppendElement("x"), TXmlError);
  // Names the grammar allows but the parser does not read back.
  for (const char* name : {"a:b:1", "xml:la:2", "a:b:-"}) {
    EXPECT_FALSE(IsXmlName(name)) << name;
    EXPECT_THROW(root.AppendElement(name), TXmlError) << name;
    EXPECT_THROW(root.SetAttribute(name, "x"), TXmlError) << name;
  }
  for (const char* name : {"a:b:c", "a:1", "x::1", "xml:lang", "p:x"}) {
    EXPECT_TRUE(IsXmlName(name)) << name;
    root.SetAttribute(name, "x");
  }
  // Bytes that are not UTF-8 are replaced, so the document stays writable.
  root.SetAttribute("v", "a\xFF" "b");
  TXmlDocument copy;
  ASSERT_TRUE(copy.LoadText(doc.ToText()));
  EXPECT_EQ(copy.Root().Attribute("v"), "a?b");
}

TEST(TXmlDocument, ANameWindows1251CannotHoldIsRefusedWhereTextIsWrittenAsAReference) {
  // "ľ" (U+013E) has no Windows-1251 byte.
  const struct {
    const char* utf8_document;
    bool writable;
  } kCases[] = {
      {"<r v=\"\xC4\xBE\">\xC4\xBE</r>", true},
      {"<r><!--\xC4\xBE--><?p \xC4\xBE?></r>", true},
      {"<r a\xC4\xBE=\"1\"/>", false},
      {"<r\xC4\xBE/>", false},
      {"<r><?p\xC4\xBE x?></r>", false},
      {"<!DOCTYPE r [<!ENTITY e\xC4\xBE \"x\">]><r>&e\xC4\xBE;</r>", false},
  };
  for (const auto& c : kCases) {
    TXmlDocument doc;
    ASSERT_TRUE(doc.LoadText(std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>") + c.utf8_document));
    if (!c.writable) {
      EXPECT_THROW(doc.ToText(), TXmlError) << c.utf8_document;
      EXPECT_THROW(doc.ToCompactText(), TXmlError) << c.utf8_document;
      continue;
    }
    const std::string written = doc.ToText();
    TXmlDocument again;
    ASSERT_TRUE(again.LoadText(written)) << written;
    EXPECT_EQ(again.ToText(), written);
  }
  TXmlDocument built;
  built.CreateRoot("r").SetAttribute("a\xC4\xBE", "1");
  EXPECT_THROW(built.ToText(), TXmlError);
}

TEST(TXmlDocument, SavesToAFileAndReportsFailures) {
  test::TempDir dir;
  TXmlDocument doc;
  doc.CreateRoot("r").SetText("ж");
  doc.SaveFile(dir.File("out.xml"));
  EXPECT_EQ(test::ReadFileBytes(dir.File("out.xml")), std::string(kDeclaration) + "<r>\xE6</r>\n");
  EXPECT_THROW(doc.SaveFile(dir.File("no/such/folder.xml")), TXmlError);
  doc.SaveFile(dir.File("out.xml"));  // replaces the file, leaves nothing beside it
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);

  TXmlDocument moved = std::move(doc);
  EXPECT_EQ(moved.Root().Text(), "ж");
  moved.Clear();
  EXPECT_TRUE(moved.Root().IsNull());
  EXPECT_EQ(moved.ToText(), kDeclaration);
}

}  // namespace
}  // namespace sky
