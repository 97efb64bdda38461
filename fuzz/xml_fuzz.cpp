// The XML layer on arbitrary bytes: the first line is a path expression, the
// rest a document. Loading never throws; selecting throws only TXmlError; a
// loaded document serialises to text that loads again and serialises to the
// same text, or is refused with TXmlError, and only when it holds a character
// that Windows-1251 lacks (a name with one could not be written loadably).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include <libxml/tree.h>

#include "base/encoding.h"
#include "fuzz_check.h"
#include "xml/xml_document.h"
#include "xml/xpath_index.h"

using sky::TXmlDocument;
using sky::TXmlError;
using sky::TXmlNode;

namespace {

void Touch(TXmlNode node) {
  (void)node.Name();
  (void)node.Value();
  (void)node.Text();
  for (const auto& [name, value] : node.Attributes()) (void)node.Attribute(name);
}

// Whether the document holds a character that Windows-1251 lacks: its UTF-8
// text gains a '?' when converted.
bool HoldsCharacterWithoutCp1251Byte(const TXmlDocument& doc) {
  xmlChar* memory = nullptr;
  int size = 0;
  xmlDocDumpMemoryEnc(doc.raw(), &memory, &size, "UTF-8");
  if (memory == nullptr) return false;
  const std::string utf8(reinterpret_cast<const char*>(memory), static_cast<std::size_t>(size));
  xmlFree(memory);
  const auto marks = [](std::string_view text) { return std::count(text.begin(), text.end(), '?'); };
  return marks(sky::Utf8ToCp1251(utf8)) > marks(utf8);
}

std::string WithoutBlanks(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c != ' ' && c != '\t' && c != '\n' && c != '\r') out.push_back(c);
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t newline = input.find('\n');
  const std::string_view path = newline == std::string_view::npos ? input : input.substr(0, newline);
  const std::string_view text = newline == std::string_view::npos ? std::string_view() : input.substr(newline + 1);

  (void)sky::ToXPath(path);
  TXmlDocument doc;
  const bool loaded = doc.LoadText(text);
  try {
    for (TXmlNode node : doc.SelectAll(path)) Touch(node);
    Touch(doc.SelectFirst(path));
  } catch (const TXmlError&) {
    // An invalid expression is reported this way and only this way.
  }
  if (!loaded) {
    FUZZ_CHECK(doc.Root().IsNull());
    return 0;
  }
  Touch(doc.Root());
  std::string written;
  try {
    written = doc.ToText();
  } catch (const TXmlError&) {
    FUZZ_CHECK(HoldsCharacterWithoutCp1251Byte(doc));
    return 0;
  }
  TXmlDocument again;
  FUZZ_CHECK(again.LoadText(written));
  const std::string rewritten = again.ToText();
  if (rewritten != written) {
    // libxml2 keeps or drops a blank text between elements by what came
    // before it in the source, and a character written as a reference
    // changes that: the second text may lose such blanks, nothing else,
    // and is then written alike for good.
    FUZZ_CHECK(WithoutBlanks(rewritten) == WithoutBlanks(written));
    TXmlDocument third;
    FUZZ_CHECK(third.LoadText(rewritten));
    FUZZ_CHECK(third.ToText() == rewritten);
  }
  return 0;
}
