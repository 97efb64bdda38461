// JSON written with RapidJSON's Writer straight into a std::string, and the
// two kinds of value the answers carry that the Writer cannot take as they
// are:
//  - WriteJsonKey: a key that is valid UTF-8 already.
//  - WriteJsonText: a text as a JSON string. Bytes that are not valid UTF-8
//    become '?' each (SanitizeUtf8), so the output is always valid JSON;
//    control characters are escaped by the Writer.
//  - WriteJsonNumber: a decimal text as a JSON number, digit for digit (never
//    through a double). Leading zeros (a zero-filled column's) are dropped,
//    since JSON allows none; a text that is no decimal number ("inf", say)
//    is written as a string rather than as broken JSON.
#pragma once

#include <rapidjson/writer.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

namespace sky {

// The Writer's output stream: appends to `out` through a pointer, growing the
// string ahead (the Writer says how much room a value may need), and cuts
// it to what was written when it ends. Meanwhile `out` holds room beyond
// the text: read it only after the sink (declared before its Writer) is gone.
class TJsonSink {
 public:
  using Ch = char;
  explicit TJsonSink(std::string& out) : out_(out), used_(out.size()) {}
  ~TJsonSink() { out_.resize(used_); }
  TJsonSink(const TJsonSink&) = delete;
  TJsonSink& operator=(const TJsonSink&) = delete;

  // Bytes written to `out` so far, what it held before included.
  std::size_t Size() const { return used_; }
  void Reserve(std::size_t count) {
    if (out_.size() - used_ < count) out_.resize(std::max(out_.size() * 2, used_ + count));
  }
  void PutUnsafe(char c) { out_[used_++] = c; }
  void Put(char c) {
    Reserve(1);
    PutUnsafe(c);
  }
  void Flush() {}

 private:
  std::string& out_;
  std::size_t used_;
};

}  // namespace sky

// The Writer reserves room before each value and then writes unchecked.
namespace rapidjson {
template <>
inline void PutReserve(sky::TJsonSink& sink, size_t count) {
  sink.Reserve(count);
}
template <>
inline void PutUnsafe(sky::TJsonSink& sink, char c) {
  sink.PutUnsafe(c);
}
}  // namespace rapidjson

namespace sky {

using TJsonWriter = rapidjson::Writer<TJsonSink>;

inline void WriteJsonKey(TJsonWriter& writer, std::string_view key) {
  writer.Key(key.data(), static_cast<rapidjson::SizeType>(key.size()));
}
void WriteJsonText(TJsonWriter& writer, std::string_view text);
// A key and its value; a text value empty is null with WriteJsonTextOrNull.
inline void WriteJsonField(TJsonWriter& writer, std::string_view key, int64_t value) {
  WriteJsonKey(writer, key);
  writer.Int64(value);
}
inline void WriteJsonField(TJsonWriter& writer, std::string_view key, std::string_view text) {
  WriteJsonKey(writer, key);
  WriteJsonText(writer, text);
}
// The text of one JSON object whose members `members(writer)` writes.
template <typename TMembers>
std::string JsonObjectText(TMembers&& members) {
  std::string json;
  {
    TJsonSink sink(json);
    TJsonWriter writer(sink);
    writer.StartObject();
    members(writer);
    writer.EndObject();
  }
  return json;
}
inline void WriteJsonTextOrNull(TJsonWriter& writer, std::string_view key, std::string_view text) {
  WriteJsonKey(writer, key);
  if (text.empty()) {
    writer.Null();
  } else {
    WriteJsonText(writer, text);
  }
}
void WriteJsonNumber(TJsonWriter& writer, std::string_view text);

}  // namespace sky
