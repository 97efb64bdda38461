#include "web/guess_limit.h"

#include <algorithm>

namespace sky {

namespace {

using TTime = std::chrono::steady_clock::time_point;

// Whole seconds, rounded up, so that a client told to wait N seconds is not
// refused again when it comes back after N.
std::chrono::seconds CeilSeconds(std::chrono::steady_clock::duration span) {
  return std::chrono::ceil<std::chrono::seconds>(span);
}

}  // namespace

TGuessLimiter::TGuessLimiter(TGuessPolicy policy, TClock clock) : policy_(policy), clock_(std::move(clock)) {}

TGuessLimiter::TVerdict TGuessLimiter::Try(const std::string& address, const std::function<bool()>& password_right) {
  const TTime now = clock_();
  TMutexLock hold(lock_);
  if (const std::optional<std::chrono::seconds> left = LockedForHeld(address, now)) {
    return {TOutcome::kLockedOut, *left};
  }
  if (password_right()) {
    records_.erase(address);
    return {TOutcome::kRight};
  }
  return {TOutcome::kWrong, FailedHeld(address, now).value_or(std::chrono::seconds(0))};
}

std::optional<std::chrono::seconds> TGuessLimiter::LockedFor(const std::string& address) {
  const TTime now = clock_();
  TMutexLock hold(lock_);
  return LockedForHeld(address, now);
}

std::optional<std::chrono::seconds> TGuessLimiter::LockedForHeld(const std::string& address, TTime now) {
  const auto found = records_.find(address);
  if (found == records_.end() || now >= found->second.locked_until) return std::nullopt;
  return std::max(CeilSeconds(found->second.locked_until - now), std::chrono::seconds(1));
}

std::optional<std::chrono::seconds> TGuessLimiter::FailedHeld(const std::string& address, TTime now) {
  auto found = records_.find(address);
  if (found == records_.end()) {
    if (records_.size() >= policy_.max_addresses) {
      Forget(now);
      if (records_.size() >= policy_.max_addresses) MakeRoom();
    }
    found = records_.emplace(address, TRecord{}).first;
  }
  TRecord& record = found->second;
  if (now - record.last_failure >= policy_.forget_after && now >= record.locked_until) record = TRecord{};
  while (!record.failures.empty() && now - record.failures.front() >= policy_.window) record.failures.pop_front();
  record.failures.push_back(now);
  record.last_failure = now;
  if (record.failures.size() < policy_.failures) return std::nullopt;

  record.failures.clear();
  std::chrono::seconds length = policy_.first_lockout;
  for (int i = 0; i < record.lockouts && length < policy_.longest_lockout; ++i) length *= 2;
  length = std::min(length, policy_.longest_lockout);
  ++record.lockouts;
  record.locked_until = now + length;
  return length;
}

std::size_t TGuessLimiter::AddressesForTesting() {
  TMutexLock hold(lock_);
  return records_.size();
}

void TGuessLimiter::Forget(TTime now) {
  std::erase_if(records_, [&](const auto& entry) {
    return now - entry.second.last_failure >= policy_.forget_after && now >= entry.second.locked_until;
  });
}

void TGuessLimiter::MakeRoom() {
  const auto oldest = std::min_element(records_.begin(), records_.end(), [](const auto& a, const auto& b) {
    return a.second.last_failure < b.second.last_failure;
  });
  if (oldest != records_.end()) records_.erase(oldest);
}

}  // namespace sky
