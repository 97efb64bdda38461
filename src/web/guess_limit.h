// A bound on password guessing at the control form, per client address.
//
// After `failures` wrong passwords from one address within `window`, the
// address is locked out for `first_lockout`; each further lock-out of that
// address doubles the time, up to `longest_lockout`. While an address is
// locked out every control request from it is refused, the right password
// too, so a guesser learns nothing from the answers. A right password clears
// the address's record. Other addresses are never affected: the guesser
// cannot lock the administrator out from another machine.
//
// An address that has had no wrong password for `forget_after` (and is not
// locked out) is forgotten, its doubling with it. The table holds at most
// `max_addresses`; a new address then makes room by forgetting the one whose
// last wrong password is oldest.
//
// Try judges a password while no other judgement of the limiter runs, so
// that a guesser cannot get more guesses in by sending many at once: the
// guesses beyond the limit meet the lock-out, however close together.
//
// The clock is given, so that the rules can be checked without waiting.
// Every call may come from any thread.
#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>

#include "base/mutex.h"

namespace sky {

struct TGuessPolicy {
  std::size_t failures = 10;
  std::chrono::seconds window{10 * 60};
  std::chrono::seconds first_lockout{60};
  std::chrono::seconds longest_lockout{60 * 60};
  std::chrono::seconds forget_after{24 * 60 * 60};
  std::size_t max_addresses = 4096;
};

class TGuessLimiter {
 public:
  using TClock = std::function<std::chrono::steady_clock::time_point()>;

  enum class TOutcome { kRight, kWrong, kLockedOut };
  struct TVerdict {
    TOutcome outcome;
    // kLockedOut: the seconds left; kWrong: the lock-out this guess caused, 0 for none.
    std::chrono::seconds seconds{0};
  };

  explicit TGuessLimiter(TGuessPolicy policy = {}, TClock clock = std::chrono::steady_clock::now);

  // A control request from the address: refused while it is locked out,
  // else `password_right` is asked and the answer counted.
  TVerdict Try(const std::string& address, const std::function<bool()>& password_right) SKY_EXCLUDES(lock_);

  // The whole seconds left of the address's lock-out (at least 1); nullopt
  // when it is not locked out.
  std::optional<std::chrono::seconds> LockedFor(const std::string& address) SKY_EXCLUDES(lock_);
  std::size_t AddressesForTesting() SKY_EXCLUDES(lock_);

 private:
  struct TRecord {
    std::deque<std::chrono::steady_clock::time_point> failures;  // the latest, oldest first
    std::chrono::steady_clock::time_point last_failure{};
    std::chrono::steady_clock::time_point locked_until{};
    int lockouts = 0;
  };

  std::optional<std::chrono::seconds> LockedForHeld(const std::string& address,
                                                    std::chrono::steady_clock::time_point now) SKY_REQUIRES(lock_);
  std::optional<std::chrono::seconds> FailedHeld(const std::string& address,
                                                 std::chrono::steady_clock::time_point now) SKY_REQUIRES(lock_);
  // Forgets what has aged out; the address's record stays when it still counts.
  void Forget(std::chrono::steady_clock::time_point now) SKY_REQUIRES(lock_);
  void MakeRoom() SKY_REQUIRES(lock_);

  TGuessPolicy policy_;
  TClock clock_;
  TMutex lock_;
  std::unordered_map<std::string, TRecord> records_ SKY_GUARDED_BY(lock_);
};

}  // namespace sky
