// The lock-out of password guessers, on a clock the test moves.
#include "web/guess_limit.h"

#include <gtest/gtest.h>

namespace sky {
namespace {

using std::chrono::minutes;
using std::chrono::seconds;

struct GuessLimitTest : ::testing::Test {
  std::chrono::steady_clock::time_point now{std::chrono::hours(1000)};
  TGuessLimiter limiter{TGuessPolicy{}, [this] { return now; }};

  // `count` wrong passwords one second apart; the lock-out the last one caused.
  std::optional<seconds> Guess(const std::string& address, int count) {
    std::optional<seconds> locked;
    for (int i = 0; i < count; ++i) {
      now += seconds(1);
      locked = limiter.Failed(address);
      if (i + 1 < count) {
        EXPECT_FALSE(locked) << "guess " << i + 1;
      }
    }
    return locked;
  }
};

TEST_F(GuessLimitTest, TenWrongPasswordsWithinTenMinutesLockTheAddressOut) {
  EXPECT_EQ(Guess("10.0.0.9", 10), seconds(60));
  EXPECT_EQ(limiter.LockedFor("10.0.0.9"), seconds(60));
  EXPECT_FALSE(limiter.LockedFor("10.0.0.1")) << "another address is not affected";
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
  limiter.Succeeded("10.0.0.9");
  EXPECT_FALSE(Guess("10.0.0.9", 9)) << "the count is cleared";
  EXPECT_EQ(Guess("10.0.0.9", 1), seconds(60)) << "and the doubling too";
}

TEST_F(GuessLimitTest, TheTableIsBoundedAndForgetsTheOldestFirst) {
  TGuessLimiter small(TGuessPolicy{.failures = 2, .max_addresses = 3}, [this] { return now; });
  for (const char* address : {"a", "b", "c"}) {
    now += seconds(1);
    small.Failed(address);
  }
  now += seconds(1);
  small.Failed("a");  // locks "a" out and makes it the newest
  now += seconds(1);
  small.Failed("d");  // forgets "b", the oldest
  EXPECT_EQ(small.AddressesForTesting(), 3u);
  EXPECT_TRUE(small.LockedFor("a"));
  now += seconds(1);
  EXPECT_TRUE(small.Failed("c")) << "c was kept: its second guess locks it out";
  now += seconds(1);
  EXPECT_FALSE(small.Failed("b")) << "b was forgotten: its guess is a first one";
}

}  // namespace
}  // namespace sky
