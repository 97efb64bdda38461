// The lock-out of password guessers, on a clock the test moves.
#include "web/guess_limit.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace sky {
namespace {

using std::chrono::minutes;
using std::chrono::seconds;

struct GuessLimitTest : ::testing::Test {
  std::chrono::steady_clock::time_point now{std::chrono::hours(1000)};
  TGuessLimiter limiter{TGuessPolicy{}, [this] { return now; }};

  // `count` wrong passwords one second apart; the lock-out the last one
  // caused, nullopt for none.
  std::optional<seconds> Guess(const std::string& address, int count, TGuessLimiter* on = nullptr) {
    seconds locked{0};
    for (int i = 0; i < count; ++i) {
      now += seconds(1);
      const TGuessLimiter::TVerdict verdict = (on ? *on : limiter).Try(address, [] { return false; });
      EXPECT_EQ(verdict.outcome, TGuessLimiter::TOutcome::kWrong) << "guess " << i + 1;
      locked = verdict.seconds;
      if (i + 1 < count) {
        EXPECT_EQ(locked, seconds(0)) << "guess " << i + 1;
      }
    }
    return locked == seconds(0) ? std::nullopt : std::optional(locked);
  }
  TGuessLimiter::TOutcome Right(const std::string& address) {
    return limiter.Try(address, [] { return true; }).outcome;
  }
};

TEST_F(GuessLimitTest, TenWrongPasswordsWithinTenMinutesLockTheAddressOut) {
  EXPECT_EQ(Guess("10.0.0.9", 10), seconds(60));
  EXPECT_EQ(limiter.LockedFor("10.0.0.9"), seconds(60));
  bool asked = false;
  const TGuessLimiter::TVerdict refused = limiter.Try("10.0.0.9", [&] { return asked = true; });
  EXPECT_EQ(refused.outcome, TGuessLimiter::TOutcome::kLockedOut);
  EXPECT_EQ(refused.seconds, seconds(60));
  EXPECT_FALSE(asked) << "the password is not even looked at";
  EXPECT_EQ(Right("10.0.0.1"), TGuessLimiter::TOutcome::kRight) << "another address is not affected";
  now += seconds(59) + std::chrono::milliseconds(500);
  EXPECT_EQ(limiter.LockedFor("10.0.0.9"), seconds(1)) << "the seconds left, rounded up";
  now += std::chrono::milliseconds(500);
  EXPECT_FALSE(limiter.LockedFor("10.0.0.9"));
}

TEST_F(GuessLimitTest, GuessesOlderThanTheWindowDoNotCount) {
  EXPECT_FALSE(Guess("10.0.0.9", 9));
  now += minutes(10);
  EXPECT_FALSE(Guess("10.0.0.9", 9)) << "the first nine have aged out";
  EXPECT_EQ(Guess("10.0.0.9", 1), seconds(60)) << "ten within ten minutes";
}

TEST_F(GuessLimitTest, EachFurtherLockOutDoublesUpToAnHour) {
  std::vector<long> lengths;
  for (int i = 0; i < 8; ++i) {
    lengths.push_back(Guess("10.0.0.9", 10).value_or(seconds(0)).count());
    now += seconds(lengths.back());
  }
  EXPECT_EQ(lengths, (std::vector<long>{60, 120, 240, 480, 960, 1920, 3600, 3600}));
  now += std::chrono::hours(25);
  EXPECT_EQ(Guess("10.0.0.9", 10), seconds(60)) << "a day without guesses forgets the doubling";
}

TEST_F(GuessLimitTest, ARightPasswordStartsTheAddressAfresh) {
  EXPECT_EQ(Guess("10.0.0.9", 10), seconds(60));
  now += seconds(60);
  EXPECT_FALSE(Guess("10.0.0.9", 9));
  EXPECT_EQ(Right("10.0.0.9"), TGuessLimiter::TOutcome::kRight);
  EXPECT_FALSE(Guess("10.0.0.9", 9)) << "the count is cleared";
  EXPECT_EQ(Guess("10.0.0.9", 1), seconds(60)) << "and the doubling too";
}

TEST_F(GuessLimitTest, TheTableIsBoundedAndForgetsTheOldestFirst) {
  TGuessLimiter small(TGuessPolicy{.failures = 2, .max_addresses = 3}, [this] { return now; });
  for (const char* address : {"a", "b", "c"}) EXPECT_FALSE(Guess(address, 1, &small));
  EXPECT_TRUE(Guess("a", 1, &small)) << "a locked out, and now the newest";
  EXPECT_FALSE(Guess("d", 1, &small)) << "forgets b, the oldest";
  EXPECT_EQ(small.AddressesForTesting(), 3u);
  EXPECT_TRUE(small.LockedFor("a"));
  EXPECT_TRUE(Guess("c", 1, &small)) << "c was kept: its second guess locks it out";
  EXPECT_FALSE(Guess("b", 1, &small)) << "b was forgotten: its guess is a first one";
}

TEST_F(GuessLimitTest, GuessesSentAllAtOnceMeetTheLockOut) {
  std::vector<std::thread> guessers;
  std::atomic<int> asked = 0;
  for (int i = 0; i < 50; ++i) {
    guessers.emplace_back([&] { limiter.Try("10.0.0.9", [&] { return ++asked, false; }); });
  }
  for (std::thread& guesser : guessers) guesser.join();
  EXPECT_EQ(asked.load(), 10) << "ten passwords judged, the other forty refused";
}

}  // namespace
}  // namespace sky
