// The outbox reader on arbitrary bytes. Reading never throws and never
// reads past the bytes; what it keeps is a whole prefix that, written again
// record by record, gives the same bytes; and a torn tail after good
// records never costs one of them.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "notify/outbox_records.h"

using namespace sky;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const TOutboxScan scan = ScanOutbox(bytes);
  FUZZ_CHECK(scan.good_bytes <= bytes.size());
  FUZZ_CHECK(scan.torn == (scan.good_bytes < bytes.size()));

  // The records kept, written anew, are the prefix they were read from,
  // when they come in file order: events and marks interleave, so only the
  // all-event and all-mark cases can be rebuilt without their order.
  if (scan.done.empty() || scan.events.empty()) {
    std::string again;
    for (const TOutboxEvent& event : scan.events) again += EventRecord(event);
    for (const uint64_t seq : scan.done) again += DoneRecord(seq);
    FUZZ_CHECK(again == bytes.substr(0, scan.good_bytes));
  }

  // The good prefix and a torn copy of its last record read back the same.
  const std::string good(bytes.substr(0, scan.good_bytes));
  const TOutboxScan kept = ScanOutbox(good);
  FUZZ_CHECK(!kept.torn && kept.events.size() == scan.events.size() && kept.done.size() == scan.done.size());
  const TOutboxEvent extra{.Seq = 1, .Made = 2, .Webhook = "w", .EventId = "id", .Body = "{}"};
  const std::string record = EventRecord(extra);
  const TOutboxScan torn = ScanOutbox(good + record.substr(0, record.size() - 1));
  FUZZ_CHECK(torn.torn && torn.events.size() == scan.events.size() && torn.good_bytes == scan.good_bytes);
  return 0;
}
