// The pass's writes to the pilots table committed in groups.
//
// A commit per written pilot row makes the server flush its log for each
// one: on a pass that writes most pilots that was the larger part of the
// pass's time. The group opens a transaction before the first write and
// commits it once it is older than kGroupAge, before the pass reads its next
// run of sorties (so that every batched read sees the rows committed before
// it, as without groups), and when the pass ends. The rows stay locked for
// the group's age at most, so the program that writes the statistics waits
// no longer than that for a pilot row of ours.
//
// A pass that dies with a group open loses that group's writes: the server
// rolls them back, and the next pass, finding the stored rank and last death
// as they were, walks those lives again and writes the same values.
//
// Failures: a transaction that cannot be opened is not an error of its own;
// the writes are then sent one by one, and meet the fault themselves. A
// failed commit is logged ("ERROR committing pilot updates:") and counted by
// the caller; the pilots it held are calculated again by the next pass.
#pragma once

#include <chrono>

#include "db/session.h"
#include "engine/write_observer.h"

namespace sky {

class TWriteGroup {
 public:
  static constexpr std::chrono::milliseconds kGroupAge{250};

  explicit TWriteGroup(TdmMySQL& session) : session_(session) {}
  TWriteGroup(const TWriteGroup&) = delete;
  TWriteGroup& operator=(const TWriteGroup&) = delete;
  // A group still open is left to the server, which rolls it back when the
  // session ends.
  ~TWriteGroup() = default;

  // Before each write.
  void BeforeWrite();
  // After each pilot: commits a group older than kGroupAge. False when the
  // commit failed.
  bool PilotDone();
  // Commits an open group now. False when the commit failed.
  bool Commit();
  // Write observer: the writes held in `writes` are told when they are
  // committed (a group's commit, or a pilot's writes sent one by one) and
  // forgotten when a commit fails.
  void TellCommitted(TWriteBuffer* writes) { writes_ = writes; }

 private:
  TdmMySQL& session_;
  TWriteBuffer* writes_ = nullptr;
  bool open_ = false;
  std::chrono::steady_clock::time_point opened_;
};

}  // namespace sky
