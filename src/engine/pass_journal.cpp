#include "engine/pass_journal.h"

#include <utility>

namespace sky {

std::string_view PassEndName(TPassEnd end) {
  switch (end) {
    case TPassEnd::kCompleted:
      return "completed";
    case TPassEnd::kStopped:
      return "stopped";
    case TPassEnd::kNotReached:
      return "not_reached";
    case TPassEnd::kFailed:
      break;
  }
  return "failed";
}

void TPassJournal::Add(TPassSummary entry) {
  const TMutexLock lock(mutex_);
  entries_.push_back(std::move(entry));
  while (entries_.size() > kCapacity) entries_.pop_front();
}

std::vector<TPassSummary> TPassJournal::Entries() const {
  const TMutexLock lock(mutex_);
  return {entries_.begin(), entries_.end()};
}

TPassJournal& PassJournal() {
  static TPassJournal journal;
  return journal;
}

}  // namespace sky
