// The XML layer on arbitrary bytes: the first line is a path expression, the
// rest a document. Loading never throws; selecting throws only XmlError; a
// loaded document serialises to text that loads again and serialises to the
// same text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "xml/xml_document.h"

using sky::XmlDocument;
using sky::XmlError;
using sky::XmlNode;

namespace {

void Touch(XmlNode node) {
  (void)node.Name();
  (void)node.Value();
  (void)node.Text();
  for (const auto& [name, value] : node.Attributes()) (void)node.Attribute(name);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t newline = input.find('\n');
  const std::string_view path = newline == std::string_view::npos ? input : input.substr(0, newline);
  const std::string_view text = newline == std::string_view::npos ? std::string_view() : input.substr(newline + 1);

  (void)sky::ToXPath(path);
  XmlDocument doc;
  const bool loaded = doc.LoadText(text);
  try {
    for (XmlNode node : doc.SelectAll(path)) Touch(node);
    Touch(doc.SelectFirst(path));
  } catch (const XmlError&) {
    // An invalid expression is reported this way and only this way.
  }
  if (!loaded) {
    FUZZ_CHECK(doc.Root().IsNull());
    return 0;
  }
  Touch(doc.Root());
  const std::string written = doc.ToText();
  XmlDocument again;
  FUZZ_CHECK(again.LoadText(written));
  FUZZ_CHECK(again.ToText() == written);
  return 0;
}
