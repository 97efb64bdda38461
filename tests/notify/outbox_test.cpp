#include <gtest/gtest.h>

#include "notify/outbox.h"
#include "support/temp_dir.h"

namespace sky {
namespace {

TOutboxEvent Event(const std::string& webhook, const std::string& id) {
  return {.Made = 100, .Webhook = webhook, .EventId = id, .Body = "{\"id\":\"" + id + "\"}"};
}

std::vector<std::string> Ids(TOutbox& outbox, const std::string& webhook) {
  std::vector<std::string> ids;
  while (const TOutboxEvent* head = outbox.Head(webhook)) {
    ids.push_back(head->EventId);
    outbox.PopHead(webhook);
  }
  return ids;
}

TEST(Outbox, ReopenedOutboxResumesWithWhatWasNotDone) {
  test::TempDir dir;
  const std::string file = dir.File("sky.outbox");
  {
    TOutbox outbox(file);
    outbox.Append({Event("a", "1"), Event("b", "2"), Event("a", "3")});
    outbox.PopHead("a");
  }
  TOutbox outbox(file);
  EXPECT_EQ(outbox.Waiting(), 2u);
  outbox.Append({Event("a", "4")});
  EXPECT_EQ(Ids(outbox, "a"), (std::vector<std::string>{"3", "4"}));
  EXPECT_EQ(Ids(outbox, "b"), (std::vector<std::string>{"2"}));
}

TEST(Outbox, TornOrDamagedTailIsDroppedAndTheRecordsBeforeKept) {
  test::TempDir dir;
  const std::string file = dir.File("sky.outbox");
  { TOutbox(file).Append({Event("a", "1"), Event("a", "2")}); }
  const std::string whole = test::ReadFileBytes(file);
  const std::size_t second = EventRecord(Event("a", "1")).size();
  struct Case {
    const char* what;
    std::string bytes;
  };
  std::string flipped = whole;
  flipped[second + 12] ^= 0x40;
  for (const Case& c : {Case{"cut in the body", whole.substr(0, whole.size() - 3)},
                        Case{"cut in the head", whole.substr(0, second + 5)},
                        Case{"a flipped byte", flipped},
                        Case{"a huge length", whole.substr(0, second) + std::string("\xff\xff\xff\x7f", 4)}}) {
    SCOPED_TRACE(c.what);
    test::WriteFileBytes(file, c.bytes);
    {
      TOutbox outbox(file);
      EXPECT_EQ(outbox.Waiting(), 1u);
      // Appends go on after the whole records, not after the torn one.
      outbox.Append({Event("a", "3")});
    }
    TOutbox outbox(file);
    EXPECT_EQ(Ids(outbox, "a"), (std::vector<std::string>{"1", "3"}));
  }
}

TEST(Outbox, LimitGivesUpTheOldestAndCompactionKeepsTheWaiting) {
  test::TempDir dir;
  const std::string file = dir.File("sky.outbox");
  {
    TOutbox outbox(file, 3);
    outbox.Append({Event("a", "1"), Event("b", "2")});
    const auto given_up = outbox.Append({Event("a", "3"), Event("b", "4")});
    ASSERT_EQ(given_up.size(), 1u);
    EXPECT_EQ(given_up[0].EventId, "1");
  }
  {
    TOutbox outbox(file, 10);
    EXPECT_EQ(outbox.Waiting(), 3u);
    // Enough done records to make the file worth rewriting.
    for (int i = 0; i < 600; ++i) {
      outbox.Append({Event("c", std::to_string(i))});
      outbox.PopHead("c");
    }
  }
  EXPECT_LT(test::ReadFileBytes(file).size(), 400 * EventRecord(Event("c", "1")).size());
  TOutbox outbox(file);
  EXPECT_EQ(Ids(outbox, "b"), (std::vector<std::string>{"2", "4"}));
  EXPECT_EQ(Ids(outbox, "a"), (std::vector<std::string>{"3"}));
}

}  // namespace
}  // namespace sky
