#include "notify/outbox.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <system_error>

#include <fmt/format.h>

#include "base/log.h"

namespace sky {

namespace {

[[noreturn]] void Fail(const std::string& what) { throw std::system_error(errno, std::generic_category(), what); }

void WriteAll(int fd, const std::string& bytes, const std::string& what) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t wrote = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) Fail(what);
    done += static_cast<std::size_t>(wrote);
  }
}

std::string ReadWhole(const std::string& file_name) {
  std::ifstream in(file_name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The folder's entry of a renamed file is on the disk only once the folder is flushed.
void FlushFolder(const std::string& file_name) {
  const std::string folder = std::filesystem::path(file_name).parent_path().string();
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

TOutbox::TOutbox(std::string file_name, std::size_t limit) : file_name_(std::move(file_name)), limit_(limit) {
  const std::string bytes = ReadWhole(file_name_);
  const TOutboxScan scan = ScanOutbox(bytes);
  const std::set<uint64_t> done(scan.done.begin(), scan.done.end());
  for (const TOutboxEvent& event : scan.events) {
    next_seq_ = std::max(next_seq_, event.Seq + 1);
    if (done.count(event.Seq) > 0) continue;
    queues_[event.Webhook].push_back(event);
    ++waiting_;
  }
  marks_ = scan.events.size() - waiting_ + scan.done.size();
  fd_ = ::open(file_name_.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
  if (fd_ < 0) Fail("cannot open the outbox " + file_name_);
  if (scan.torn) {
    // What follows the last whole record is what a crash left of the next:
    // appends go on after the whole ones.
    WriteLog(0, "Outbox: a torn record at its end was dropped",
             fmt::format("{} bytes after {}", bytes.size() - scan.good_bytes, scan.good_bytes));
    if (::ftruncate(fd_, static_cast<off_t>(scan.good_bytes)) != 0) Fail("cannot cut the outbox " + file_name_);
  }
  if (::lseek(fd_, static_cast<off_t>(scan.good_bytes), SEEK_SET) < 0) Fail("cannot seek the outbox");
  CompactWhenDue();
}

TOutbox::~TOutbox() {
  if (fd_ >= 0) ::close(fd_);
}

void TOutbox::Write(const std::string& bytes, bool flush) {
  WriteAll(fd_, bytes, "cannot write the outbox " + file_name_);
  if (flush && ::fdatasync(fd_) != 0) Fail("cannot flush the outbox " + file_name_);
}

std::vector<TOutboxEvent> TOutbox::Append(std::vector<TOutboxEvent> events) {
  std::string bytes;
  for (TOutboxEvent& event : events) {
    event.Seq = next_seq_++;
    bytes += EventRecord(event);
  }
  Write(bytes, true);
  for (TOutboxEvent& event : events) {
    queues_[event.Webhook].push_back(std::move(event));
    ++waiting_;
  }
  std::vector<TOutboxEvent> given_up;
  while (waiting_ > limit_) {
    // The oldest of all: the queue whose head came first.
    auto oldest = std::min_element(queues_.begin(), queues_.end(), [](const auto& a, const auto& b) {
      return a.second.front().Seq < b.second.front().Seq;
    });
    given_up.push_back(oldest->second.front());
    PopHead(oldest->first);
  }
  if (!given_up.empty()) {
    WriteLog(0, "Outbox full: the oldest events were dropped",
             fmt::format("{} of {} (limit {})", given_up.size(), waiting_ + given_up.size(), limit_));
  }
  CompactWhenDue();
  return given_up;
}

const TOutboxEvent* TOutbox::Head(const std::string& webhook) const {
  const auto found = queues_.find(webhook);
  return found == queues_.end() ? nullptr : &found->second.front();
}

void TOutbox::PopHead(const std::string& webhook) {
  const auto found = queues_.find(webhook);
  if (found == queues_.end()) return;
  MarkDone(found->second.front().Seq);
  found->second.pop_front();
  --waiting_;
  if (found->second.empty()) queues_.erase(found);
}

void TOutbox::MarkDone(uint64_t seq) {
  Write(DoneRecord(seq), false);
  marks_ += 2;  // the event's record and its mark
}

std::size_t TOutbox::Waiting(const std::string& webhook) const {
  const auto found = queues_.find(webhook);
  return found == queues_.end() ? 0 : found->second.size();
}

std::vector<std::string> TOutbox::Webhooks() const {
  std::vector<std::string> keys;
  for (const auto& [key, queue] : queues_) keys.push_back(key);
  return keys;
}

void TOutbox::CompactWhenDue() {
  // Rewriting costs the waiting events' bytes: done when at least as many
  // records as wait have become dead, and not for a handful.
  if (marks_ < 1000 || marks_ < waiting_) return;
  std::vector<const TOutboxEvent*> all;
  for (const auto& [key, queue] : queues_) {
    for (const TOutboxEvent& event : queue) all.push_back(&event);
  }
  std::sort(all.begin(), all.end(), [](auto a, auto b) { return a->Seq < b->Seq; });
  std::string bytes;
  for (const TOutboxEvent* event : all) bytes += EventRecord(*event);
  const std::string temporary = file_name_ + ".new";
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) Fail("cannot write " + temporary);
  try {
    WriteAll(fd, bytes, "cannot write " + temporary);
    if (::fdatasync(fd) != 0) Fail("cannot flush " + temporary);
  } catch (...) {
    ::close(fd);
    throw;
  }
  if (::rename(temporary.c_str(), file_name_.c_str()) != 0) {
    ::close(fd);
    Fail("cannot rename " + temporary);
  }
  FlushFolder(file_name_);
  ::close(fd_);
  fd_ = fd;
  marks_ = 0;
}

}  // namespace sky
