// The data packet writers on arbitrary results. Records are separated by
// 0x1E and fields by 0x1F; the first record names the columns, a field that
// is a lone 0x1D is NULL, and short rows are filled up with NULLs. The
// direct writer gives the document's bytes (or the same failure), and so it
// does for the packet as an answer carries it, with the stylesheet. The
// JSON of the same rows always parses, with one object per row.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <rapidjson/document.h>

#include "db/query.h"
#include "db/session.h"
#include "export/dom_packet.h"
#include "export/json_packet.h"
#include "export/packet_writer.h"
#include "fuzz_check.h"

using namespace sky;

namespace {

std::vector<std::string_view> Split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  for (;;) {
    const std::size_t at = text.find(separator);
    parts.push_back(text.substr(0, at));
    if (at == std::string_view::npos) return parts;
    text.remove_prefix(at + 1);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 16) return 0;
  const std::vector<std::string_view> records =
      Split(std::string_view(reinterpret_cast<const char*>(data), size), '\x1E');
  std::vector<std::string> columns;
  for (std::string_view name : Split(records[0], '\x1F')) columns.emplace_back(name);
  std::vector<TQuery::TRowTexts> rows;
  for (std::size_t r = 1; r < records.size(); ++r) {
    TQuery::TRowTexts row(columns.size());
    const std::vector<std::string_view> fields = Split(records[r], '\x1F');
    for (std::size_t c = 0; c < columns.size() && c < fields.size(); ++c) {
      if (fields[c] != "\x1D") row[c] = std::string(fields[c]);
    }
    rows.push_back(std::move(row));
  }

  static TdmMySQL session;
  TQuery& query = session.mySQLQuery1;
  query.OpenRows(columns, rows);

  constexpr std::string_view kStylesheet = "./xsl/pilotlist.xsl";
  for (const bool answer : {false, true}) {
    std::string reference, reference_error;
    try {
      reference = answer ? DomPacketText(query, kStylesheet) : DomPacketText(query);
    } catch (const std::exception& e) {
      reference_error = e.what();
    }
    std::string direct, direct_error;
    try {
      if (answer) {
        WriteAnswerPacket(query, direct, kStylesheet);
      } else {
        WriteDataPacket(query, direct);
      }
    } catch (const std::exception& e) {
      direct_error = e.what();
    }
    if (direct_error != reference_error) {
      std::fprintf(stderr, "direct writer: \"%s\"\ndocument: \"%s\"\n", direct_error.c_str(),
                   reference_error.c_str());
    }
    FUZZ_CHECK(direct_error == reference_error);
    if (reference_error.empty()) FUZZ_CHECK(direct == reference);
  }
  std::string json;
  WriteJsonPacket(query, json);
  rapidjson::Document doc;
  doc.Parse(json.data(), json.size());
  FUZZ_CHECK(!doc.HasParseError());
  FUZZ_CHECK(doc["rows"].Size() == rows.size());
  query.Close();
  return 0;
}
