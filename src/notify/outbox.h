// The outbox: the events still to send, kept in a file so that none is lost
// between the pass that made it and its delivery, whatever stops the
// program (records and their reading: notify/outbox_records.h).
//
// Append writes the events' records whole and flushes them to the disk
// (fdatasync) before it returns: an event the pass has handed over survives
// a crash. Done appends a mark without flushing: a mark lost in a crash only
// sends the event once more, which its id lets a receiver drop. Opening reads
// the file back (a torn last record is cut off), so delivery resumes where it
// stood.
//
// The outbox holds at most `limit` events: appending beyond it gives up the
// oldest, with a level-0 line each time it happens. Once the marks outweigh
// the waiting events the file is rewritten with the waiting events only
// (written beside it, flushed, then renamed over it).
//
// Not thread-safe: its owner serialises the calls. Failures to write raise
// std::system_error.
#pragma once

#include <cstddef>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "notify/outbox_records.h"

namespace sky {

class TOutbox {
 public:
  static constexpr std::size_t kDefaultLimit = 100000;

  explicit TOutbox(std::string file_name, std::size_t limit = kDefaultLimit);
  ~TOutbox();
  TOutbox(const TOutbox&) = delete;
  TOutbox& operator=(const TOutbox&) = delete;

  // Appends the events (their Seq is set here) with one flush. Returns the
  // events given up to keep the limit (already marked done).
  std::vector<TOutboxEvent> Append(std::vector<TOutboxEvent> events);
  // The oldest waiting event of the webhook, nullptr when none.
  const TOutboxEvent* Head(const std::string& webhook) const;
  // The webhook's oldest waiting event needs no sending any more.
  void PopHead(const std::string& webhook);
  std::size_t Waiting(const std::string& webhook) const;
  std::size_t Waiting() const { return waiting_; }
  // The webhooks with waiting events.
  std::vector<std::string> Webhooks() const;

 private:
  void MarkDone(uint64_t seq);
  void Write(const std::string& bytes, bool flush);
  void CompactWhenDue();

  std::string file_name_;
  std::size_t limit_;
  int fd_ = -1;
  uint64_t next_seq_ = 1;
  std::size_t waiting_ = 0;
  std::size_t marks_ = 0;  // done marks and given-up events in the file
  std::map<std::string, std::deque<TOutboxEvent>> queues_;
};

}  // namespace sky
