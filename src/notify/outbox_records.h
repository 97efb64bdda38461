// The outbox file's records: how they are framed and read back.
//
// The file is a sequence of records, each
//   u32 payload length | u32 CRC-32 of the payload | payload
// (little-endian). A payload is an event to send,
//   'E' | u64 sequence | i64 unix time made | text webhook | text event id | text body
// or the mark that an event needs no sending any more (sent or given up),
//   'D' | u64 sequence
// with each text as u32 length | bytes.
//
// Records are appended whole; a crash may leave the last one torn. Reading
// stops at the first record whose length runs past the end or whose sum does
// not match: it and everything after it are dropped, every record before it
// is kept. Nothing in the bytes can make the reader allocate more than the
// bytes hold.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sky {

struct TOutboxEvent {
  uint64_t Seq = 0;
  int64_t Made = 0;          // unix seconds
  std::string Webhook = {};  // the key of the webhook it goes to (WebhookKey)
  std::string EventId = {};
  std::string Body = {};
};

struct TOutboxScan {
  std::vector<TOutboxEvent> events;  // in file order
  std::vector<uint64_t> done;        // sequences marked done, in file order
  std::size_t good_bytes = 0;        // the length of the records read
  bool torn = false;                 // bytes after good_bytes were dropped
};

uint32_t Crc32(std::string_view bytes);
std::string EventRecord(const TOutboxEvent& event);
std::string DoneRecord(uint64_t seq);
TOutboxScan ScanOutbox(std::string_view bytes);

}  // namespace sky
