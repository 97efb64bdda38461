#include "notify/outbox_records.h"

#include <array>

namespace sky {

namespace {

constexpr std::size_t kHeadBytes = 8;

std::array<uint32_t, 256> MakeCrcTable() {
  std::array<uint32_t, 256> table{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[i] = c;
  }
  return table;
}

void PutU32(std::string& out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}
void PutU64(std::string& out, uint64_t value) {
  for (int i = 0; i < 8; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}
void PutText(std::string& out, std::string_view text) {
  PutU32(out, static_cast<uint32_t>(text.size()));
  out += text;
}

// Reads from the front of `in`; false when it runs short.
bool GetU64(std::string_view& in, uint64_t& value, std::size_t bytes = 8) {
  if (in.size() < bytes) return false;
  value = 0;
  for (std::size_t i = 0; i < bytes; ++i) value |= static_cast<uint64_t>(static_cast<unsigned char>(in[i])) << (8 * i);
  in.remove_prefix(bytes);
  return true;
}
bool GetText(std::string_view& in, std::string& text) {
  uint64_t size = 0;
  if (!GetU64(in, size, 4) || size > in.size()) return false;
  text.assign(in.substr(0, size));
  in.remove_prefix(size);
  return true;
}

std::string Framed(const std::string& payload) {
  std::string record;
  record.reserve(kHeadBytes + payload.size());
  PutU32(record, static_cast<uint32_t>(payload.size()));
  PutU32(record, Crc32(payload));
  return record + payload;
}

}  // namespace

uint32_t Crc32(std::string_view bytes) {
  static const std::array<uint32_t, 256> kTable = MakeCrcTable();
  uint32_t c = 0xFFFFFFFFu;
  for (const char b : bytes) c = kTable[(c ^ static_cast<unsigned char>(b)) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

std::string EventRecord(const TOutboxEvent& event) {
  std::string payload(1, 'E');
  PutU64(payload, event.Seq);
  PutU64(payload, static_cast<uint64_t>(event.Made));
  PutText(payload, event.Webhook);
  PutText(payload, event.EventId);
  PutText(payload, event.Body);
  return Framed(payload);
}

std::string DoneRecord(uint64_t seq) {
  std::string payload(1, 'D');
  PutU64(payload, seq);
  return Framed(payload);
}

TOutboxScan ScanOutbox(std::string_view bytes) {
  TOutboxScan scan;
  std::string_view rest = bytes;
  while (!rest.empty()) {
    uint64_t size = 0;
    uint64_t sum = 0;
    std::string_view head = rest;
    if (!GetU64(head, size, 4) || !GetU64(head, sum, 4) || size > head.size()) break;
    std::string_view payload = head.substr(0, size);
    if (Crc32(payload) != sum || payload.empty()) break;
    const char kind = payload.front();
    payload.remove_prefix(1);
    if (kind == 'E') {
      TOutboxEvent event;
      uint64_t made = 0;
      if (!GetU64(payload, event.Seq) || !GetU64(payload, made) || !GetText(payload, event.Webhook) ||
          !GetText(payload, event.EventId) || !GetText(payload, event.Body) || !payload.empty()) {
        break;
      }
      event.Made = static_cast<int64_t>(made);
      scan.events.push_back(std::move(event));
    } else if (kind == 'D') {
      uint64_t seq = 0;
      if (!GetU64(payload, seq) || !payload.empty()) break;
      scan.done.push_back(seq);
    } else {
      break;
    }
    rest = head.substr(size);
    scan.good_bytes = bytes.size() - rest.size();
  }
  scan.torn = scan.good_bytes < bytes.size();
  return scan;
}

}  // namespace sky
