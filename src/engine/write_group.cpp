#include "engine/write_group.h"

#include "settings/log.h"

namespace sky {

void TWriteGroup::BeforeWrite() {
  if (open_) return;
  try {
    session_.SQLQueryUpdate.ExecSQL("start transaction");
    open_ = true;
    opened_ = std::chrono::steady_clock::now();
  } catch (const std::exception&) {
    // The write that follows meets the same fault and reports it.
  }
}

bool TWriteGroup::PilotDone() {
  if (!open_ || std::chrono::steady_clock::now() - opened_ < kGroupAge) return true;
  return Commit();
}

bool TWriteGroup::Commit() {
  if (!open_) return true;
  open_ = false;
  try {
    session_.SQLQueryUpdate.ExecSQL("commit");
    return true;
  } catch (const std::exception& e) {
    WriteLog(0, "ERROR committing pilot updates:", e.what());
    return false;
  }
}

}  // namespace sky
