#include "export/json_packet.h"

#include <algorithm>
#include <vector>

#include "base/encoding.h"
#include "db/field.h"
#include "db/query.h"
#include "export/json_writer.h"
#include "export/value_text.h"

namespace sky {

namespace {

// One key of every row object and the columns that carry its name.
struct TJsonKey {
  std::string name;
  std::vector<int> columns;
};

std::vector<TJsonKey> PlanKeys(const TQuery& query) {
  std::vector<TJsonKey> keys;
  for (int i = 0; i < query.FieldCount(); ++i) {
    const std::string& name = query.Field(i).Name();
    const auto same = std::find_if(keys.begin(), keys.end(), [&](const TJsonKey& key) {
      return query.Field(key.columns.front()).Name() == name;
    });
    if (same != keys.end()) {
      same->columns.push_back(i);
    } else {
      keys.push_back({SanitizeUtf8(name), {i}});
    }
  }
  return keys;
}

void WriteValue(TJsonWriter& writer, const TField& field) {
  const std::string_view text = field.Text();
  switch (field.Type()) {
    case TFieldType::kInteger:
    case TFieldType::kDecimal:
      return WriteJsonNumber(writer, text);
    case TFieldType::kFloat:
      return WriteJsonNumber(writer, FormatShortestFloat(field.AsFloat()));
    case TFieldType::kTime:
      return WriteJsonText(writer, FormatSqlTime(text));
    case TFieldType::kDateTime:
      return WriteJsonText(writer, IsoSqlDateTime(text));
    case TFieldType::kBlob:
      return WriteJsonText(writer, IsValidUtf8(text) ? std::string(text) : HexText(text));
    case TFieldType::kDate:  // the server sends ISO 8601 already
    case TFieldType::kText:
    case TFieldType::kOther:
      break;
  }
  WriteJsonText(writer, text);
}

void WriteRow(TJsonWriter& writer, const TQuery& query, const std::vector<TJsonKey>& keys) {
  writer.StartObject();
  for (const TJsonKey& key : keys) {
    WriteJsonKey(writer, key.name);
    const auto last = std::find_if(key.columns.rbegin(), key.columns.rend(),
                                   [&](int column) { return !query.Field(column).IsNull(); });
    if (last == key.columns.rend()) {
      writer.Null();
    } else {
      WriteValue(writer, query.Field(*last));
    }
  }
  writer.EndObject();
}

}  // namespace

void WriteJsonPacket(TQuery& query, std::string& out) {
  const std::vector<TJsonKey> keys = PlanKeys(query);
  TJsonSink sink(out);
  TJsonWriter writer(sink);
  writer.StartObject();
  writer.Key("rows");
  writer.StartArray();
  query.First();
  if (!query.Eof()) {
    // The first row tells roughly how much room the rest need (capped, as
    // a window may hide most of the rows counted).
    const std::size_t first_row = sink.Size();
    WriteRow(writer, query, keys);
    const std::size_t rest = (sink.Size() - first_row + 1) * (query.RowCount() - query.RowIndex()) * 5 / 4;
    sink.Reserve(std::min<std::size_t>(rest, std::size_t{64} << 20) + 16);
    for (query.Next(); !query.Eof(); query.Next()) WriteRow(writer, query, keys);
  }
  writer.EndArray();
  writer.EndObject();
}

}  // namespace sky
