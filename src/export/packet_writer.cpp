#include "export/packet_writer.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <stdexcept>
#include <vector>

#include "export/dataset_xml.h"
#include "export/value_text.h"
#include "xml/xml_document.h"
#include "xml/xml_name.h"

namespace sky {

namespace {

constexpr std::string_view kPacketHead =
    "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n<DATAPACKET Version=\"2.0\">";
constexpr std::string_view kPacketTail = "</DATAPACKET>\n";

// The characters of Windows-1251 bytes 0x80..0xBF as the system's converter
// knows them (0x98 has none); 0xC0..0xFF are U+0410..U+044F.
constexpr std::array<char16_t, 64> kUpperHalf = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0000, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
};

// Windows-1251 byte of every code point below kTableEnd; 0 where it has none.
constexpr char32_t kTableEnd = 0x2123;
constexpr std::array<unsigned char, kTableEnd> MakeCp1251Table() {
  std::array<unsigned char, kTableEnd> table{};
  for (char32_t cp = 0; cp < 0x80; ++cp) table[cp] = static_cast<unsigned char>(cp);
  for (char32_t cp = 0x0410; cp <= 0x044F; ++cp) table[cp] = static_cast<unsigned char>(0xC0 + (cp - 0x0410));
  for (std::size_t i = 0; i < kUpperHalf.size(); ++i) {
    if (kUpperHalf[i] != 0) table[kUpperHalf[i]] = static_cast<unsigned char>(0x80 + i);
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
      const int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
      char32_t cp = extra == 3 ? c & 0x07 : extra == 2 ? c & 0x0F : c & 0x1F;
      bool valid = extra > 0 && end - p > extra;
      for (int i = 1; valid && i <= extra; ++i) {
        const auto next = static_cast<unsigned char>(p[i]);
        valid = (next & 0xC0) == 0x80;
        cp = (cp << 6) | (next & 0x3F);
      }
      if (valid) {
        AppendCharacter(out, cp);
        p += extra + 1;
      } else {
        out.push_back('?');  // not reached for text that XmlSafeText passed
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

void WriteDataPacket(TQuery& query, std::string& out) {
  const TPacketPlan plan = PlanColumns(query);
  if (plan.needs_document) {
    out.append(DomPacketText(query));
    return;
  }
  out.append(kPacketHead);
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

}  // namespace sky
