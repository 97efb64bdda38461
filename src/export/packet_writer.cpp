#include "export/packet_writer.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <optional>
#include <stdexcept>
#include <vector>

#include "base/encoding.h"
#include "db/field.h"
#include "db/query.h"
#include "export/dataset_xml.h"
#include "export/dom_packet.h"
#include "export/field_text.h"
#include "export/value_text.h"
#include "xml/xml_document.h"
#include "xml/xml_name.h"

namespace sky {

namespace {

constexpr std::string_view kDeclaration = "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n";
constexpr std::string_view kRootOpen = "<DATAPACKET Version=\"2.0\">";
constexpr std::string_view kPacketTail = "</DATAPACKET>\n";

// The packet converts as the XML library's converter does: byte 0x98 has no
// character, so U+0098 goes out as a reference (see TCp1251Byte98).
constexpr TCp1251Byte98 kPacketByte98 = TCp1251Byte98::kUnassigned;

// One past the highest code point that has a Windows-1251 byte.
constexpr char32_t HighestCp1251Character() {
  char32_t highest = 0;
  for (unsigned byte = 0; byte <= 0xFF; ++byte) {
    highest = std::max(highest, Cp1251Character(static_cast<unsigned char>(byte), kPacketByte98).value_or(0));
  }
  return highest;
}
constexpr char32_t kTableEnd = HighestCp1251Character() + 1;

// The Windows-1251 byte of every code point below kTableEnd, 0 where it has
// none: the encoding module's table turned round, for a lookup per character.
constexpr std::array<unsigned char, kTableEnd> MakeCp1251Table() {
  std::array<unsigned char, kTableEnd> table{};
  for (unsigned byte = 1; byte <= 0xFF; ++byte) {
    const std::optional<char32_t> cp = Cp1251Character(static_cast<unsigned char>(byte), kPacketByte98);
    if (cp) table[*cp] = static_cast<unsigned char>(byte);
  }
  return table;
}
constexpr std::array<unsigned char, kTableEnd> kCp1251 = MakeCp1251Table();

// ASCII bytes an attribute value cannot carry as they are.
constexpr std::string_view EscapeOf(unsigned char c) {
  switch (c) {
    case '\t': return "&#9;";
    case '\n': return "&#10;";
    case '\r': return "&#13;";
    case '"': return "&quot;";
    case '&': return "&amp;";
    case '<': return "&lt;";
    case '>': return "&gt;";
    default: return {};
  }
}

constexpr std::array<bool, 0x80> MakeEscapeTable() {
  std::array<bool, 0x80> table{};
  for (unsigned char c = 0; c < 0x80; ++c) table[c] = !EscapeOf(c).empty();
  return table;
}
constexpr std::array<bool, 0x80> kNeedsEscape = MakeEscapeTable();

void AppendCharacter(std::string& out, char32_t cp) {
  if (cp < kTableEnd && kCp1251[cp] != 0) {
    out.push_back(static_cast<char>(kCp1251[cp]));
    return;
  }
  char digits[16];
  const auto end = std::to_chars(digits, digits + sizeof digits, static_cast<uint32_t>(cp)).ptr;
  out.append("&#").append(digits, end).push_back(';');
}

// True when the text may hold bytes that XmlSafeText would change: control
// characters other than TAB, LF and CR, or anything beyond ASCII.
bool NeedsRepair(std::string_view text) {
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x80 || (byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r')) return true;
  }
  return false;
}

void AppendValue(std::string& out, const std::string& text) {
  if (NeedsRepair(text)) {
    AppendPacketText(out, XmlSafeText(text));
  } else {
    AppendPacketText(out, text);
  }
}

// What each column contributes to a ROW tag.
struct TColumnPlan {
  std::string lead;      // ` name="` in the packet's encoding
  bool valid_name = false;
  int first_same = 0;    // the first column of the same name
};

struct TPacketPlan {
  std::vector<TColumnPlan> columns;
  bool repeated_names = false;
  // Every name the parser reads back as the same plain attribute: none with
  // a colon (a namespace prefix) and none "xmlns".
  bool names_read_back = true;
  // Names that are XML names yet not UTF-8, hold a NUL byte or a character
  // without a Windows-1251 byte, are left to the document route.
  bool needs_document = false;
};

TPacketPlan PlanColumns(const TQuery& query) {
  TPacketPlan plan;
  const int count = query.FieldCount();
  plan.columns.resize(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    const std::string& name = query.Field(i).Name();
    TColumnPlan& column = plan.columns[static_cast<std::size_t>(i)];
    column.first_same = i;
    for (int j = 0; j < i; ++j) {
      if (query.Field(j).Name() == name) {
        column.first_same = j;
        plan.repeated_names = true;
        break;
      }
    }
    // An invalid name is raised when a row is written, as the document route does.
    column.valid_name = IsXmlName(name);
    if (!column.valid_name) continue;
    if (name == "xmlns" || name.find(':') != std::string::npos) plan.names_read_back = false;
    // The document takes a name up to its first NUL byte.
    if (!IsValidUtf8(name) || name.find('\0') != std::string::npos) plan.needs_document = true;
    column.lead.push_back(' ');
    AppendPacketText(column.lead, name);
    column.lead.append("=\"");
    // A name holds no markup, so a reference in it stands for a character
    // that Windows-1251 lacks; the document refuses to write that name.
    if (column.lead.find("&#") != std::string::npos) plan.needs_document = true;
  }
  return plan;
}

// True when the address stands in the instruction as it is: printable ASCII
// that cannot end the instruction early.
bool PlainAddress(std::string_view href) {
  for (char c : href) {
    if (c < 0x20 || c > 0x7E) return false;
  }
  return href.find("?>") == std::string_view::npos;
}

void AppendRow(std::string& out, const TQuery& query, const TPacketPlan& plan) {
  out.append("<ROW");
  const int count = static_cast<int>(plan.columns.size());
  if (!plan.repeated_names) {
    for (int i = 0; i < count; ++i) {
      const TColumnPlan& column = plan.columns[static_cast<std::size_t>(i)];
      const TField field = query.Field(i);
      if (!column.valid_name) RequireXmlName(field.Name());
      if (field.IsNull()) continue;
      out.append(column.lead);
      AppendValue(out, FieldValueText(field));
      out.push_back('"');
    }
  } else {
    // A name set again keeps the place where it was first set in this row
    // and takes the later value.
    std::vector<std::pair<int, std::string>> attributes;
    for (int i = 0; i < count; ++i) {
      const TColumnPlan& column = plan.columns[static_cast<std::size_t>(i)];
      const TField field = query.Field(i);
      if (!column.valid_name) RequireXmlName(field.Name());
      if (field.IsNull()) continue;
      std::string text = FieldValueText(field);
      bool replaced = false;
      for (auto& [first, value] : attributes) {
        if (first == column.first_same) {
          value = std::move(text);
          replaced = true;
          break;
        }
      }
      if (!replaced) attributes.emplace_back(column.first_same, std::move(text));
    }
    for (const auto& [first, value] : attributes) {
      out.append(plan.columns[static_cast<std::size_t>(first)].lead);
      AppendValue(out, value);
      out.push_back('"');
    }
  }
  out.append("/>");
}

// The packet of the plan, with `instruction` (whole lines) after the declaration.
void WritePlannedPacket(TQuery& query, const TPacketPlan& plan, std::string_view instruction, std::string& out) {
  if (plan.needs_document) {
    out.append(DomPacketText(query));
    return;
  }
  out.append(kDeclaration).append(instruction).append(kRootOpen);
  query.First();
  if (query.Eof()) {
    out.append("<ROWDATA/>");
  } else {
    out.append("<ROWDATA>");
    // Rows of one result are much alike: the first one tells roughly how
    // much room the rest need, which spares most of the regrowing.
    // (A guess only: capped, as a window may hide most of the rows counted.)
    const std::size_t first_row = out.size();
    AppendRow(out, query, plan);
    const std::size_t rest = (out.size() - first_row) * (query.RowCount() - query.RowIndex()) * 5 / 4;
    out.reserve(out.size() + std::min<std::size_t>(rest, std::size_t{64} << 20) + kPacketTail.size() + 16);
    for (query.Next(); !query.Eof(); query.Next()) AppendRow(out, query, plan);
    out.append("</ROWDATA>");
  }
  out.append(kPacketTail);
}

}  // namespace

void AppendPacketText(std::string& out, std::string_view safe_utf8) {
  const char* p = safe_utf8.data();
  const char* const end = p + safe_utf8.size();
  const char* plain = p;  // start of the run copied as it is
  while (p < end) {
    const auto c = static_cast<unsigned char>(*p);
    if (c < 0x80 && !kNeedsEscape[c]) {
      ++p;
      continue;
    }
    out.append(plain, static_cast<std::size_t>(p - plain));
    if (c < 0x80) {
      out.append(EscapeOf(c));
      ++p;
    } else {
      // Text that XmlSafeText passed is valid UTF-8; the '?' only guards a
      // caller that did not hold to that.
      char32_t cp = 0;
      const std::size_t length = DecodeUtf8(safe_utf8, static_cast<std::size_t>(p - safe_utf8.data()), cp);
      if (length != 0) {
        AppendCharacter(out, cp);
        p += length;
      } else {
        out.push_back('?');
        ++p;
      }
    }
    plain = p;
  }
  out.append(plain, static_cast<std::size_t>(end - plain));
}

void RequireXmlName(const std::string& name) {
  if (!IsXmlName(name)) throw TXmlError("column name is not a valid XML attribute name: " + name);
}

void WriteDataPacket(TQuery& query, std::string& out) { WritePlannedPacket(query, PlanColumns(query), {}, out); }

void WriteAnswerPacket(TQuery& query, std::string& out, std::string_view stylesheet) {
  const TPacketPlan plan = PlanColumns(query);
  if (plan.needs_document || !plan.names_read_back || !PlainAddress(stylesheet)) {
    std::string packet;
    WritePlannedPacket(query, plan, {}, packet);
    out.append(PacketWithStylesheet(packet, stylesheet));
    return;
  }
  // What the parser reads back is the packet itself, and the instruction it
  // is given is written on a line of its own after the declaration.
  std::string line;
  if (!stylesheet.empty()) line.append("<?xml-stylesheet type=\"text/xsl\" href=\"").append(stylesheet).append("\"?>\n");
  WritePlannedPacket(query, plan, line, out);
}

}  // namespace sky
