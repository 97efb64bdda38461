#include "export/packet_text.h"

#include <libxml/tree.h>

#include <stdexcept>

namespace sky {

namespace {

constexpr std::string_view kDeclaration = "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n";
constexpr std::string_view kRootOpen = "<DATAPACKET Version=\"2.0\">";
constexpr std::string_view kRootClose = "</DATAPACKET>\n";

std::string StylesheetData(std::string_view href) {
  return "type=\"text/xsl\" href=\"" + std::string(href) + "\"";
}

// Recognises the writer's form of a packet; a name is accepted only when the
// parser would give it back as the same plain attribute.
class TPacketScanner {
 public:
  explicit TPacketScanner(std::string_view text) : text_(text) {}

  bool Plain() {
    if (!Take(kDeclaration) || !Take(kRootOpen)) return false;
    if (!Take("<ROWDATA/>")) {
      if (!Take("<ROWDATA>")) return false;
      while (!Take("</ROWDATA>")) {
        if (!Row()) return false;
      }
    }
    return Take(kRootClose) && pos_ == text_.size();
  }

 private:
  // Byte by byte: the tokens are a few bytes each and there are several per
  // row, where a library compare costs more than the comparing.
  bool Take(std::string_view expected) {
    if (text_.size() - pos_ < expected.size()) return false;
    for (std::size_t i = 0; i < expected.size(); ++i) {
      if (text_[pos_ + i] != expected[i]) return false;
    }
    pos_ += expected.size();
    return true;
  }

  bool Row() {
    if (!Take("<ROW")) return false;
    while (pos_ < text_.size() && text_[pos_] == ' ') {
      ++pos_;
      if (!Name() || !Take("=\"") || !Value()) return false;
    }
    return Take("/>");
  }

  bool Name() {
    const std::size_t start = pos_;
    while (pos_ < text_.size()) {
      const char c = text_[pos_];
      if (c == '=') break;
      // A colon could make a namespace of it; '&' is a character reference
      // the parser would refuse; the rest cannot end a name.
      if (c == ':' || c == '&' || c == '"' || c == '<' || c == '>' || c == '/' || c == ' ' ||
          static_cast<unsigned char>(c) < 0x20) {
        return false;
      }
      ++pos_;
    }
    const std::string_view name = text_.substr(start, pos_ - start);
    return !name.empty() && name != "xmlns";
  }

  bool Value() {
    const std::size_t quote = text_.find('"', pos_);
    if (quote == std::string_view::npos) return false;
    const std::string_view value = text_.substr(pos_, quote - pos_);
    pos_ = quote + 1;
    return value.find('<') == std::string_view::npos;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

bool PlainAddress(std::string_view href) {
  for (char c : href) {
    if (c < 0x20 || c > 0x7E) return false;
  }
  return href.find("?>") == std::string_view::npos;
}

}  // namespace

std::string PacketText(const TXmlDocument& doc) { return doc.ToCompactText(); }

std::string PacketWithStylesheet(std::string_view packet, std::string_view href) {
  TXmlDocument doc;
  if (!doc.LoadText(packet)) throw TXmlError("the data packet is not well-formed XML");
  if (!href.empty()) {
    TXmlNode datapacket = doc.SelectFirst("//DATAPACKET");
    if (datapacket.IsNull()) throw TXmlError("the data packet has no DATAPACKET element");
    datapacket.InsertBefore(doc.CreateProcessingInstruction("xml-stylesheet", StylesheetData(href)));
  }
  return PacketText(doc);
}

bool AddStylesheetToPacket(std::string& packet, std::string_view href) {
  if (!PlainAddress(href) || !TPacketScanner(packet).Plain()) return false;
  if (!href.empty()) {
    packet.insert(kDeclaration.size(), "<?xml-stylesheet " + StylesheetData(href) + "?>\n");
  }
  return true;
}

}  // namespace sky
