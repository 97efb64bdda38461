// The writes of a pass to the pilots table.
//
// Every update statement commits on its own (the connections run in
// autocommit): a pass cut off at any moment leaves every write before it in
// place, and no pilot row stays locked beyond its own statement, so the
// statistics program, which may update `pilots` in transactions of its own,
// can wait for a row of ours but never deadlock with the pass.
//
// A commit waits until the server's log is on disk, about a millisecond or
// more per statement. So that the walk does not wait for that, the writer
// sends the statements through connections of its own, each on its own
// thread and fed by a bounded queue: the walk waits only while the queue it
// adds to is full. A pilot's statements all go through the same connection,
// in the order they were given. Several connections commit at the same time,
// which lets the server make one log write for all of them: one connection
// alone commits several times slower.
//
// The pass learns what was committed only afterwards, from Collect and
// Finish: each write comes back once, committed, failed or dropped. What the
// pass counts as written, and keeps as stored, is taken from there.
//
// A stop asked for while the queues are still being sent ends the sending at
// a pilot's boundary: the pilot whose statement is in hand gets the rest of
// his, every later write comes back dropped. So every pilot is either fully
// written or untouched, as with a stop between pilots.
//
// Without an entry (a pass that pauses between sorties, to spread its load)
// the statements are sent on the pass's own session, each waited for; Write
// then says at once whether it committed.
//
// Failures: a statement that fails is logged by UpdateRealRank or
// UpdateAwards and comes back not committed; the pass goes on. A connection
// found lost after a failed statement sends nothing more: what was queued on
// it comes back dropped, and the next pass calculates those pilots again, as
// it does every pilot whose write did not commit. The other connections still send
// what they hold. From then on Write, Collect and Finish raise TDbError with
// the text of the loss, which ends the pass as the loss of its own session
// would. A connection that cannot be opened at the start is logged by
// ConnectDatabase; the others take its share, and when none opened the
// statements go through the pass's own session.
//
// Threads: the writer's threads touch nothing of the pass but the values
// given to Write, and log through WriteLog. All calls come from the pass's
// thread.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/mutex.h"
#include "db/session.h"
#include "engine/pass_stop.h"
#include "settings/settings.h"

namespace sky {

struct TPilotWrite {
  enum class TKind { kRank, kAwards };
  enum class TOutcome { kQueued, kCommitted, kFailed, kDropped };
  TKind Kind = TKind::kRank;
  std::size_t Row = 0;     // the pilot's row in the pass's pilot query
  int32_t PilotId = 0;
  int32_t Value = 0;       // the rank, or the award bits
  int32_t LastSortie = 0;  // with the rank
  TOutcome Outcome = TOutcome::kQueued;
};

class TPilotWriter {
 public:
  // Connections a pass writes through.
  static constexpr int kConnections = 4;
  // Writes each connection's queue holds before the walk waits.
  static constexpr std::size_t kQueueDepth = 128;

  using TSettle = std::function<void(const TPilotWrite&)>;

  // Sends on `session`, each statement waited for.
  explicit TPilotWriter(TdmMySQL& session);
  // Sends through `connections` connections of its own to `entry`, opened
  // before it returns.
  TPilotWriter(TdmMySQL& session, const TServerEntry& entry, int connections = kConnections);
  // Sends what is still queued, then ends the threads.
  ~TPilotWriter();
  TPilotWriter(const TPilotWriter&) = delete;
  TPilotWriter& operator=(const TPilotWriter&) = delete;

  // The statements go through the pass's own session.
  bool OnSession() const { return connections_.empty(); }

  // Sends or queues one statement. True, except on the pass's own session
  // when the statement failed. Raises once a connection was lost.
  bool Write(const TPilotWrite& write);
  // Hands over every write settled since the last call. Raises once a
  // connection was lost, after handing over what it settled.
  void Collect(const TSettle& settle);
  // Waits until every queue is sent (or dropped with its lost connection),
  // then collects. Once `stop` is requested, drops what is still queued at
  // a pilot's boundary. `alive` (when set) is called every tenth of a
  // second while it waits. Nothing may be written afterwards.
  void Finish(const TSettle& settle, const TPassStop* stop = nullptr, const std::function<void()>& alive = {});

 private:
  class TConnection;
  void Close();
  void NoteLoss(const std::string& loss);
  void RaiseWhenLost() const;

  TdmMySQL& session_;
  std::vector<TPilotWrite> settled_;  // not yet handed over
  std::vector<std::unique_ptr<TConnection>> connections_;
  // Set by the connection that lost its own; `loss_` under loss_mutex_.
  std::atomic<bool> lost_{false};
  mutable TMutex loss_mutex_;
  std::string loss_ SKY_GUARDED_BY(loss_mutex_);
};

}  // namespace sky
