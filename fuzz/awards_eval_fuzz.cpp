// Award evaluation of one pilot, end to end, without a database: the awards
// document is generated from the input (or, now and then, is the raw input),
// and so are the pilot's sortie rows, rank, army, stored awards and the
// settings the evaluation reads. The rows are served from memory by a
// TPilotSorties of this file.
//
// Properties besides "no crash, no sanitizer report":
//  - bits are only ever added: the result holds every stored bit;
//  - a new bit comes from the `value` of an item of the pilot's section;
//  - the write-back rule follows preserve_on_death as the document carries it;
//  - the same input evaluated twice gives the same result;
//  - the only exception that leaves the evaluation is the one a row reader
//    raises (TDbError: a value of a row that does not read as its type).
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "awards/award_evaluation.h"
#include "awards/awards_file.h"
#include "base/log.h"
#include "db/db_error.h"
#include "db/field.h"
#include "db/query.h"
#include "db/session.h"
#include "engine/pilot_sorties.h"
#include "engine/sortie.h"
#include "fuzz_check.h"
#include "settings/settings.h"
#include "xml/xml_document.h"

using namespace sky;

namespace {

// ---------------------------------------------------------------------------
// The pilot's sorties, held in memory.

const std::vector<std::string> kColumns = {
    "id",    "pilotid", "armyid", "starttime", "endtime", "eAir", "eBom",  "eSAir",
    "eTank", "eCar",    "eArt",   "eAaa",      "eWag",    "eShip", "wound", "SortieEND"};
constexpr std::size_t kAirColumn = 5;
constexpr std::size_t kFirstGroundColumn = 7;  // eSAir .. eShip follow in a run
constexpr std::size_t kGroundColumns = 7;

struct TMemoryRow {
  int32_t id = 0;
  TQuery::TRowTexts values;
};

// Serves From() and TotalsBefore() from rows in id order, the way the
// statements do: the rows from an id on, and the count and sums of the rows
// below one. A row's ground sum is NULL (adds nothing) when one of its ground
// columns is NULL; a value that does not read as a number fails the totals,
// which then stay as they were.
class TMemorySorties final : public TPilotSorties {
 public:
  TMemorySorties(TdmMySQL& session, int32_t pilot_id, const std::vector<TMemoryRow>& rows)
      : session_(session), pilot_id_(pilot_id), rows_(rows), query_(session) {}

  int32_t PilotId() const override { return pilot_id_; }

  TQuery& From(int32_t first_id) override {
    std::vector<TQuery::TRowTexts> values;
    for (const TMemoryRow& row : rows_) {
      if (row.id >= first_id) values.push_back(row.values);
    }
    query_.OpenRows(kColumns, std::move(values));
    return query_;
  }

  // Award evaluation never asks for the career; the pages do.
  std::optional<TCareerSums> CareerBefore(int32_t, const TSettings&) override { return std::nullopt; }

  void TotalsBefore(int32_t upper_id, TPilotTotals& totals) override {
    TQuery below(session_);
    std::vector<TQuery::TRowTexts> values;
    for (const TMemoryRow& row : rows_) {
      if (row.id < upper_id) values.push_back(row.values);
    }
    below.OpenRows(kColumns, std::move(values));
    // Sums wrap instead of overflowing; the server's wide sum narrowed to
    // 32 bits keeps the same low bits.
    uint64_t count = 0, air = 0, grounds = 0;
    try {
      for (; !below.Eof(); below.Next()) {
        ++count;
        air += static_cast<uint64_t>(below.Field(kAirColumn).AsInteger());
        uint64_t row_grounds = 0;
        bool all_present = true;
        for (std::size_t c = 0; c < kGroundColumns; ++c) {
          TField field = below.Field(static_cast<int>(kFirstGroundColumn + c));
          all_present = all_present && !field.IsNull();
          row_grounds += static_cast<uint64_t>(field.AsInteger());
        }
        if (all_present) grounds += row_grounds;
      }
    } catch (const TDbError&) {
      return;
    }
    totals.SortiesCount = static_cast<int32_t>(count);
    totals.Air = static_cast<int32_t>(air);
    totals.Grounds = static_cast<int32_t>(grounds);
  }

 private:
  TdmMySQL& session_;
  int32_t pilot_id_;
  const std::vector<TMemoryRow>& rows_;
  TQuery query_;
};

// ---------------------------------------------------------------------------
// Picking values from the input.

template <std::size_t N>
std::string Pick(FuzzedDataProvider& in, const char* const (&choices)[N]) {
  return choices[in.ConsumeIntegralInRange<std::size_t>(0, N - 1)];
}

// Free text from the input, kept printable enough for an attribute value.
std::string SomeText(FuzzedDataProvider& in, std::size_t max_length) {
  std::string text = in.ConsumeRandomLengthString(max_length);
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < 0x20) c = '?';
  }
  return text;
}

std::string XmlEscaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

// Mostly masks that make sense, then the edges of a signed 32-bit column.
std::string SomeInteger(FuzzedDataProvider& in) {
  static const char* const kFixed[] = {"",   "0",          "-1",          "2147483647",
                                       "-2147483648", "2147483648", "99999999999", " 4 ",
                                       "01", "+8",         "x",           "1.5"};
  switch (in.ConsumeIntegralInRange<int>(0, 5)) {
    case 0: return Pick(in, kFixed);
    case 1: return std::to_string(in.ConsumeIntegral<int32_t>());
    default: return std::to_string(int64_t{1} << in.ConsumeIntegralInRange<int>(0, 31));
  }
}

std::string SomeThreshold(FuzzedDataProvider& in) {
  static const char* const kFixed[] = {
      "0",     "1",   "2",    "3",      "0,5",  "0.5",   " 2 ", "",     "  ",    "abc",
      "-3",    "1e3", "1e400", "-1e400", "nan",  "inf",   "2,",  ",5",   "1,5,5", "+1",
      "99999999999999999999999999", "1e-400", "0x10", "5a"};
  switch (in.ConsumeIntegralInRange<int>(0, 7)) {
    case 0: return SomeText(in, 12);
    case 1: return std::to_string(in.ConsumeIntegral<int32_t>());
    case 2: case 3: return std::to_string(in.ConsumeIntegralInRange<int>(0, 5));
    default: return Pick(in, kFixed);
  }
}

// Criterion names of both tables (a simple condition may carry a complex-only
// name and the other way round), in any case, and some that are none.
std::string SomeCriterion(FuzzedDataProvider& in) {
  static const char* const kNames[] = {"airkill", "bomberkill", "tankkill", "artkill",
                                       "shipkill", "gkill",     "landing",  "wounded",
                                       "ks",       "gks",       "combat",   "foo"};
  std::string name = in.ConsumeIntegralInRange<int>(0, 15) == 0 ? SomeText(in, 8)
                                                                 : Pick(in, kNames);
  if (in.ConsumeBool()) {
    for (char& c : name) {
      if (c >= 'a' && c <= 'z' && in.ConsumeBool()) c = static_cast<char>(c - 'a' + 'A');
    }
  }
  // Only names that XML takes as attribute names keep the document well-formed.
  bool valid = !name.empty();
  for (char c : name) valid = valid && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'));
  return valid ? name : "junk";
}

struct TAttribute {
  std::string name;
  std::string value;
};

std::string Element(const std::string& name, const std::vector<TAttribute>& attributes,
                    const std::string& content) {
  std::string out = "<" + name;
  for (const TAttribute& a : attributes) out += " " + a.name + "=\"" + XmlEscaped(a.value) + "\"";
  return content.empty() ? out + "/>" : out + ">" + content + "</" + name + ">";
}

// Adds the attribute unless the element has one of that exact name already.
void AddAttribute(std::vector<TAttribute>& attributes, std::string name, std::string value) {
  for (const TAttribute& a : attributes) {
    if (a.name == name) return;
  }
  attributes.push_back({std::move(name), std::move(value)});
}

std::string Condition(FuzzedDataProvider& in) {
  std::vector<TAttribute> attributes;
  const int count = in.ConsumeIntegralInRange<int>(0, 4);
  for (int i = 0; i < count; ++i) AddAttribute(attributes, SomeCriterion(in), SomeThreshold(in));
  return Element("condition", attributes, "");
}

std::string Item(FuzzedDataProvider& in) {
  static const char* const kRanks[] = {"", "0", "3,4,5", "10", "1", "x", "-1", "2147483647"};
  std::vector<TAttribute> attributes;
  // Ids mostly small, so that two items of a section share one now and then.
  if (in.ConsumeIntegralInRange<int>(0, 7) != 0) {
    AddAttribute(attributes, "id",
                 in.ConsumeBool() ? std::to_string(in.ConsumeIntegralInRange<int>(0, 4))
                                  : SomeInteger(in));
  }
  if (in.ConsumeIntegralInRange<int>(0, 7) != 0) {
    AddAttribute(attributes, "name",
                 in.ConsumeBool() ? std::string("Медаль") : SomeText(in, 16));
  }
  if (in.ConsumeIntegralInRange<int>(0, 7) != 0) AddAttribute(attributes, "value", SomeInteger(in));
  if (in.ConsumeIntegralInRange<int>(0, 2) == 0) {
    AddAttribute(attributes, "ranks", in.ConsumeBool() ? Pick(in, kRanks) : SomeText(in, 8));
  }
  if (in.ConsumeIntegralInRange<int>(0, 2) == 0) AddAttribute(attributes, "dependson", SomeInteger(in));
  std::string conditions;
  const int count = in.ConsumeIntegralInRange<int>(0, 3);
  for (int i = 0; i < count; ++i) conditions += Condition(in);
  return Element("item", attributes, conditions);
}

// A section per army, now and then one that no army reads.
std::string Kind(FuzzedDataProvider& in, const std::string& kind) {
  static const char* const kSections[] = {"red", "blue", "red", "blue", "Red", "green"};
  std::string sections;
  const int count = in.ConsumeIntegralInRange<int>(0, 3);
  for (int s = 0; s < count; ++s) {
    std::string items;
    const int item_count = in.ConsumeIntegralInRange<int>(0, 4);
    for (int i = 0; i < item_count; ++i) items += Item(in);
    sections += Element(Pick(in, kSections), {}, items);
  }
  return Element(kind, {}, sections);
}

struct TDocument {
  std::string text;
  bool generated = false;
  std::optional<std::string> preserve_on_death;  // as generated
};

TDocument SomeDocument(FuzzedDataProvider& in) {
  TDocument doc;
  if (in.ConsumeIntegralInRange<int>(0, 7) == 0) {
    doc.text = in.ConsumeRandomLengthString(16384);
    return doc;
  }
  static const char* const kPreserve[] = {"1", "0", "", "00", "a", "-1", " 1", "2"};
  doc.generated = true;
  std::vector<TAttribute> root;
  if (in.ConsumeBool()) {
    doc.preserve_on_death = in.ConsumeBool() ? Pick(in, kPreserve) : SomeText(in, 4);
    root.push_back({"preserve_on_death", *doc.preserve_on_death});
  }
  std::string content;
  if (in.ConsumeIntegralInRange<int>(0, 5) != 0) content += Kind(in, "simple");
  if (in.ConsumeIntegralInRange<int>(0, 5) != 0) content += Kind(in, "complex");
  doc.text = Element("awards", root, content.empty() ? " " : content);
  return doc;
}

// Kill counts: mostly small, now and then NULL, the edges of the int columns
// (and just past them), or a text that is no number.
std::optional<std::string> SomeCount(FuzzedDataProvider& in) {
  static const char* const kOdd[] = {"-1",    "2147483647", "-2147483648", "2147483648",
                                     "-2147483649", "1e300", "abc", "", "1.5", " 3", "0x10"};
  switch (in.ConsumeIntegralInRange<int>(0, 15)) {
    case 0: return std::nullopt;
    case 1: return Pick(in, kOdd);
    case 2: return std::to_string(in.ConsumeIntegral<int32_t>());
    case 3: case 4: case 5: case 6: return std::to_string(in.ConsumeIntegralInRange<int>(1, 4));
    default: return std::string("0");
  }
}

std::optional<std::string> SomeTime(FuzzedDataProvider& in, int minute) {
  static const char* const kOdd[] = {"0000-00-00 00:00:00", "2026-13-40 25:61:61", "garbage",
                                     "1000-01-01 00:00:00", "9999-12-31 23:59:59", ""};
  switch (in.ConsumeIntegralInRange<int>(0, 11)) {
    case 0: return std::nullopt;
    case 1: return Pick(in, kOdd);
    default: {
      minute = minute < 0 ? 0 : minute % 60;
      return "2026-01-01 10:" + std::string(minute < 10 ? "0" : "") + std::to_string(minute) + ":00";
    }
  }
}

std::vector<TMemoryRow> SomeSorties(FuzzedDataProvider& in, int32_t pilot_id) {
  static const char* const kEnds[] = {"TKON", "CRASHED", "DIED", "BAIL", "MIA",  "CAPTURED",
                                      " TKON ", "TKON\t", "", "KON", "_", "tkon", "TKON_CRASHED"};
  std::vector<TMemoryRow> rows;
  int64_t id = in.ConsumeIntegralInRange<int32_t>(-5, 1000);
  const int count = in.ConsumeIntegralInRange<int>(0, 24);
  for (int i = 0; i < count; ++i) {
    if (id > INT32_MAX) break;
    TMemoryRow row;
    row.id = static_cast<int32_t>(id);
    row.values.push_back(std::to_string(row.id));
    row.values.push_back(std::to_string(pilot_id));
    row.values.push_back("1");
    row.values.push_back(SomeTime(in, 0));
    row.values.push_back(SomeTime(in, in.ConsumeIntegralInRange<int>(0, 59)));
    for (std::size_t c = kAirColumn; c < kFirstGroundColumn + kGroundColumns; ++c) {
      row.values.push_back(SomeCount(in));
    }
    row.values.push_back(SomeCount(in));  // wound
    if (in.ConsumeIntegralInRange<int>(0, 15) == 0) {
      row.values.push_back(in.ConsumeBool() ? std::nullopt
                                            : std::optional<std::string>(SomeText(in, 12)));
    } else {
      row.values.push_back(Pick(in, kEnds));
    }
    rows.push_back(std::move(row));
    id += in.ConsumeIntegralInRange<int64_t>(1, in.ConsumeBool() ? 3 : int64_t{1} << 31);
  }
  return rows;
}

TSettings SomeSettings(FuzzedDataProvider& in) {
  static const char* const kSuccess[] = {"_TKON_CRASHED_", "_TKON_", "", "TKON", "_"};
  static const char* const kDead[] = {"_DIED_CAPTURED_", "", "_DIED_"};
  static const char* const kSkip[] = {"_BAIL_MIA_", ""};
  static const double kRatios[] = {1.0, 0.0, 0.5, 2.0, -1.0, 1e308, -1e308,
                                   __builtin_inf(), -__builtin_inf(), __builtin_nan("")};
  TSettings settings;
  SetDefaultSettings(settings);
  settings.SortieEndSuccess = in.ConsumeIntegralInRange<int>(0, 7) == 0 ? SomeText(in, 20)
                                                                         : Pick(in, kSuccess);
  settings.SortieEndDead = Pick(in, kDead);
  settings.SortieEndSkip = Pick(in, kSkip);
  settings.SortieMode = in.ConsumeBool() ? in.ConsumeIntegralInRange<int32_t>(0, 2)
                                         : in.ConsumeIntegral<int32_t>();
  settings.BombersMode = in.ConsumeBool() ? in.ConsumeIntegralInRange<int32_t>(0, 1)
                                          : in.ConsumeIntegral<int32_t>();
  settings.SortieDuration = in.ConsumeBool() ? in.ConsumeIntegralInRange<uint32_t>(0, 60)
                                             : in.ConsumeIntegral<uint32_t>();
  if (in.ConsumeBool()) {
    settings.AirBomberRatio = kRatios[in.ConsumeIntegralInRange<std::size_t>(0, 9)];
    for (double& ratio : settings.GroundRatio) {
      ratio = kRatios[in.ConsumeIntegralInRange<std::size_t>(0, 9)];
    }
  }
  return settings;
}

// The bits any item of the section could give: the `value` masks that read as
// integers, of simple and complex items alike.
int32_t ObtainableBits(const TXmlDocument& doc, const std::string& section) {
  uint32_t bits = 0;
  for (const std::string& path : {SimpleItemsPath(section), ComplexItemsPath(section)}) {
    for (TXmlNode item : doc.SelectAll(path)) {
      const std::optional<std::string> value = item.Attribute("value");
      const std::optional<int32_t> mask = value ? ParseAwardInteger(*value) : std::nullopt;
      if (mask) bits |= static_cast<uint32_t>(*mask);
    }
  }
  return static_cast<int32_t>(bits);
}

struct TOutcome {
  std::optional<TAwardResult> result;
  std::string error;  // what a row reader raised, when it did
};

TOutcome Evaluate(const std::vector<TMemoryRow>& rows, int32_t pilot_id, int32_t start_sortie,
                  int32_t rank, int32_t army, int32_t stored, const TSettings& settings,
                  const TXmlDocument& doc) {
  // Statement objects need a session; nothing is ever sent on this one.
  static TdmMySQL session;
  TMemorySorties sorties(session, pilot_id, rows);
  TOutcome outcome;
  try {
    outcome.result =
        EvaluateAwards(session, sorties, TPilotState{pilot_id, start_sortie, rank, army, stored}, settings, doc);
  } catch (const TDbError& e) {
    outcome.error = e.what();
  }
  // Anything else leaving the evaluation is a fault: libFuzzer reports the
  // uncaught exception as a crash.
  return outcome;
}

}  // namespace

// The log is not what is tested here; writing it would only slow the runs.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  SetLogThreshold(-1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The first two bytes split the rest: the document is made from the part
  // they measure, the pilot, his sorties and the settings from what follows,
  // so that neither starves the other.
  std::size_t document_size = 0;
  if (size >= 2) {
    document_size = (std::size_t{data[0]} | std::size_t{data[1]} << 8) % (size - 1);
    data += 2;
    size -= 2;
  }
  FuzzedDataProvider document_input(data, document_size);
  FuzzedDataProvider in(data + document_size, size - document_size);
  const TDocument document = SomeDocument(document_input);
  // A document that does not load would end the pass before any pilot; the
  // empty document it leaves still goes through evaluation here.
  TXmlDocument doc;
  const bool loaded = doc.LoadText(document.text);

  const int32_t pilot_id = in.ConsumeIntegralInRange<int32_t>(1, 100);
  const std::vector<TMemoryRow> rows = SomeSorties(in, pilot_id);
  static const int32_t kArmies[] = {1, 2, 1, 2, 0, 3, -1};
  const int32_t army = in.ConsumeBool() ? kArmies[in.ConsumeIntegralInRange<std::size_t>(0, 6)]
                                        : in.ConsumeIntegral<int32_t>();
  const int32_t rank = in.ConsumeBool() ? in.ConsumeIntegralInRange<int32_t>(0, 12)
                                        : in.ConsumeIntegral<int32_t>();
  const int32_t stored = in.ConsumeBool() ? in.ConsumeIntegralInRange<int32_t>(0, 15)
                                          : in.ConsumeIntegral<int32_t>();
  const TSettings settings = SomeSettings(in);
  // The start is a walked sortie (a death the rank walk found), the stored 0,
  // or any id at all.
  int32_t start_sortie = 0;
  switch (in.ConsumeIntegralInRange<int>(0, 3)) {
    case 0: break;
    case 1: start_sortie = in.ConsumeIntegral<int32_t>(); break;
    default:
      if (!rows.empty()) {
        start_sortie = rows[in.ConsumeIntegralInRange<std::size_t>(0, rows.size() - 1)].id;
      }
  }

  const TOutcome first = Evaluate(rows, pilot_id, start_sortie, rank, army, stored, settings, doc);
  const TOutcome second = Evaluate(rows, pilot_id, start_sortie, rank, army, stored, settings, doc);
  FUZZ_CHECK(first.result.has_value() == second.result.has_value());
  FUZZ_CHECK(first.error == second.error);
  if (!first.result) return 0;
  FUZZ_CHECK(first.result->Awards == second.result->Awards);
  FUZZ_CHECK(first.result->WriteIfChanged == second.result->WriteIfChanged);

  const int32_t awards = first.result->Awards;
  FUZZ_CHECK((awards & stored) == stored);
  const std::string section = army == 2 ? "blue" : "red";
  FUZZ_CHECK((awards & ~(stored | ObtainableBits(doc, section))) == 0);

  if (document.generated && loaded) {
    const bool preserve =
        document.preserve_on_death && *document.preserve_on_death > std::string("0");
    FUZZ_CHECK(first.result->WriteIfChanged == !preserve);
  }
  return 0;
}
